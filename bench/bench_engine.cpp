// The page pipeline: parse + serialise + GBK conversion + scan of a result page, and the scan alone; reading
// the real result pages (all of them, and the largest alone); each beside gumbo alone on the same page, the
// floor the page path is measured against (the goal: at most 1.25 times gumbo's time). The same reading
// through a page reader process, whose cost beyond the reading in process is the process boundary's.
#include "engine/EngineScanners.h"
#include "pages/BodyInflater.h"
#include "pages/PageDecoder.h"
#include "pages/PageReader.h"
#include "pages/PageReaderProcess.h"
#include "pages/RenderedPage.h"
#include "platform/GbkCodec.h"

#include <QByteArray>
#include <QFile>

#include <gumbo.h>

#include <functional>
#include <utility>

#include <unistd.h>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

// A Baidu result page as the engine served it (GBK, lower-case quoted markup), padded to the wanted size
// with result items of realistic length.
QByteArray makeBaiduPage(int items, int padding) {
    QByteArray page = "<html><head><meta http-equiv=\"content-type\" content=\"text/html;charset=gb2312\">"
                      "<title>" +
                      quorvane::toGbk(u"百度搜索_北京旅游") + "</title></head><body><div id=\"container\">";
    const QByteArray text = quorvane::toGbk(u"北京旅游攻略，吃住行一网打尽，门票酒店特价预订。");
    for (int i = 0; i < items; ++i) {
        const QByteArray n = QByteArray::number(i);
        page += "<table cellpadding=\"0\" cellspacing=\"0\" class=\"result\" id=\"" + n +
                "\"><tr><td class=\"f\"><h3 class=\"t\"><a onmousedown=\"return c({'fm':'as','p1':" + n +
                "})\" href=\"http://www.site" + n + ".com/\" target=\"_blank\">" + text +
                "</a></h3><font size=\"-1\">" + text.repeated(padding) + "<br><span class=\"g\">www.site" +
                n + ".com/ 12K</span> - <a href=\"http://cache.baidu.com/c?m=" + n +
                "\" target=\"_blank\" class=\"m\">" + quorvane::toGbk(u"百度快照") +
                "</a></font></td></tr></table>";
    }
    return page + "<table id=\"page\"><tr><td>end</td></tr></table></div></body></html>";
}

void pipeline(benchmark::State& state, const QByteArray& page) {
    qsizetype links = 0;
    for (auto _ : state) {
        const quorvane::RenderedPage rendered = quorvane::renderPageBytes(page, "");
        links = quorvane::scanMarkup(u"Baidu", rendered.body).links.size();
        benchmark::DoNotOptimize(links);
    }
    state.counters["links"] = static_cast<double>(links);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * page.size());
}

// gumbo alone on the same bytes: the floor the page path is measured against.
void gumboParse(QByteArrayView page) {
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;
    GumboOutput* output =
        gumbo_parse_with_options(&options, page.constData(), static_cast<size_t>(page.size()));
    benchmark::DoNotOptimize(output->root);
    gumbo_destroy_output(&options, output);
}

void BM_PipelineResultPage500K(benchmark::State& state) {
    pipeline(state, makeBaiduPage(100, 90));
}
BENCHMARK(BM_PipelineResultPage500K)->Unit(benchmark::kMillisecond);

// gumbo on the page's UTF-8 text, the text the page path hands it: gumbo on the GBK bytes themselves would be
// slower (every Chinese character an encoding error) and flatter the path.
void BM_GumboResultPage500K(benchmark::State& state) {
    const QByteArray page = makeBaiduPage(100, 90);
    const QByteArray utf8 = quorvane::pageToUtf8(page, "");
    for (auto _ : state)
        gumboParse(utf8);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * page.size());
}
BENCHMARK(BM_GumboResultPage500K)->Unit(benchmark::kMillisecond);

void BM_PipelinePage5M(benchmark::State& state) {
    pipeline(state, makeBaiduPage(1000, 90));
}
BENCHMARK(BM_PipelinePage5M)->Unit(benchmark::kMillisecond);

void BM_ScanOnly(benchmark::State& state) {
    const QByteArray markup =
        quorvane::renderPageBytes(makeBaiduPage(static_cast<int>(state.range(0)), 90), "").body;
    for (auto _ : state)
        benchmark::DoNotOptimize(quorvane::scanMarkup(u"Baidu", markup).links.size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * markup.size());
}
BENCHMARK(BM_ScanOnly)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

// The CPU time a process has used, in milliseconds (/proc/<pid>/stat: user and system time in clock ticks).
double processCpuMs(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    // The fields after the command's name in parentheses: state is field 3, utime 14, stime 15.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return (fields[11].toDouble() + fields[12].toDouble()) * 1000.0 /
           static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Pages through a reader with the reader's CPU time per page as a counter: on a loaded machine wall time says
// little, while this process's CPU time plus the reader's, less the reading in process, is what the boundary
// costs.
void throughReader(benchmark::State& state, quorvane::PageReader& reader,
                   const std::function<quorvane::PageReaderReply()>& read) {
    if (!read().read()) { // started before the measured pages
        state.SkipWithError("the reader did not read the page");
        return;
    }
    const double before = processCpuMs(reader.processId());
    for (auto _ : state)
        if (!read().read()) {
            state.SkipWithError("the reader did not read the page");
            return;
        }
    state.counters["reader_cpu_ms"] =
        (processCpuMs(reader.processId()) - before) / static_cast<double>(state.iterations());
    state.counters["reader_starts"] = reader.starts();
}

// A check's reading of a 500 KB Baidu page (decode, parse, serialise, markers, no markup back), in this
// process and through a page reader process: the difference is the process boundary's cost (the request's
// bytes out, the results back). Wall time, since the reader's work is another process's CPU time.
const QByteArray& page500K() {
    static const QByteArray page = makeBaiduPage(100, 90);
    return page;
}

void BM_ReadPage500KInProcess(benchmark::State& state) {
    qsizetype results = 0;
    for (auto _ : state)
        results = quorvane::readEnginePageInProcess(u"Baidu", {page500K(), {}}).results.size();
    state.counters["results"] = static_cast<double>(results);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * page500K().size());
}
BENCHMARK(BM_ReadPage500KInProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadPage500KThroughReader(benchmark::State& state) {
    quorvane::PageReader reader;
    throughReader(state, reader, [&] {
        return quorvane::readEnginePage(reader, u"Baidu", {page500K(), {}});
    });
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * page500K().size());
}
BENCHMARK(BM_ReadPage500KThroughReader)->Unit(benchmark::kMillisecond)->UseRealTime();

// The boundary alone: a page of one text node of the given size, whose reading is next to nothing beside the
// transfer, the framing and the reply; in process for the difference.
quorvane::PageRequest textPage(int64_t bytes) {
    quorvane::PageRequest request;
    request.page = "<p>" + QByteArray(bytes, 'x');
    return request;
}

void BM_ReaderRoundTrip(benchmark::State& state) {
    quorvane::PageReader reader;
    const quorvane::PageRequest request = textPage(state.range(0));
    throughReader(state, reader, [&] { return reader.read(request); });
}
BENCHMARK(BM_ReaderRoundTrip)->Arg(0)->Arg(500 * 1024)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadTextPageInProcess(benchmark::State& state) {
    const quorvane::PageRequest request = textPage(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(quorvane::readPageInProcess(request).results.size());
}
BENCHMARK(BM_ReadTextPageInProcess)->Arg(0)->Arg(500 * 1024)->Unit(benchmark::kMillisecond)->UseRealTime();

// The real result pages of the shared folder beside the repository (engine, bytes as served); none when it is
// absent.
const std::vector<std::pair<QString, QByteArray>>& realPages() {
    static const std::vector<std::pair<QString, QByteArray>> pages = [] {
        std::vector<std::pair<QString, QByteArray>> read;
        const QString folder = QStringLiteral(QUORVANE_REAL_SERPS_DIR);
        QFile index(folder + QStringLiteral("/index.tsv"));
        if (!index.open(QIODevice::ReadOnly))
            return read;
        const QList<QByteArray> lines = index.readAll().split('\n');
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QList<QByteArray> fields = lines[i].split('\t');
            if (fields.size() < 2)
                continue;
            QFile gz(folder + QStringLiteral("/pages/") + QString::fromUtf8(fields[0]) +
                     QStringLiteral(".html.gz"));
            if (!gz.open(QIODevice::ReadOnly))
                continue;
            QByteArray page;
            quorvane::BodyInflater inflater(quorvane::BodyInflater::Encoding::Gzip);
            inflater.append(gz.readAll(), page, 64 * 1024 * 1024);
            read.emplace_back(QString::fromUtf8(fields[1]), page);
        }
        return read;
    }();
    return pages;
}

int64_t realPageBytes() {
    int64_t bytes = 0;
    for (const auto& page : realPages())
        bytes += page.second.size();
    return bytes;
}

// Reading every real page as a check reads it: decode, parse, serialise for the period markers, the markers,
// and the result definitions over the parsed tree.
void BM_ReadRealPages(benchmark::State& state) {
    if (realPages().empty()) {
        state.SkipWithError("the real result pages are not beside the repository");
        return;
    }
    qsizetype results = 0;
    for (auto _ : state) {
        results = 0;
        for (const auto& [engine, page] : realPages()) {
            results += quorvane::readEnginePageInProcess(engine, {page, "utf-8"}).results.size();
        }
        benchmark::DoNotOptimize(results);
    }
    state.counters["results"] = static_cast<double>(results);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * realPageBytes());
}
BENCHMARK(BM_ReadRealPages)->Unit(benchmark::kMillisecond);

// gumbo alone parsing the same bytes.
void BM_GumboRealPages(benchmark::State& state) {
    if (realPages().empty()) {
        state.SkipWithError("the real result pages are not beside the repository");
        return;
    }
    for (auto _ : state) {
        for (const auto& page : realPages())
            gumboParse(page.second);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * realPageBytes());
}
BENCHMARK(BM_GumboRealPages)->Unit(benchmark::kMillisecond);

// The largest real page alone (a Google page of 2022, about 660 KB): one big page as a check reads it,
// against gumbo alone on the same bytes.
const std::pair<QString, QByteArray>* largestRealPage() {
    const std::pair<QString, QByteArray>* largest = nullptr;
    for (const auto& page : realPages())
        if (!largest || page.second.size() > largest->second.size())
            largest = &page;
    return largest;
}

void BM_ReadLargestRealPage(benchmark::State& state) {
    const auto* page = largestRealPage();
    if (!page) {
        state.SkipWithError("the real result pages are not beside the repository");
        return;
    }
    qsizetype results = 0;
    for (auto _ : state) {
        results = quorvane::readEnginePageInProcess(page->first, {page->second, "utf-8"}).results.size();
        benchmark::DoNotOptimize(results);
    }
    state.counters["results"] = static_cast<double>(results);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * page->second.size());
}
BENCHMARK(BM_ReadLargestRealPage)->Unit(benchmark::kMillisecond);

void BM_GumboLargestRealPage(benchmark::State& state) {
    const auto* page = largestRealPage();
    if (!page) {
        state.SkipWithError("the real result pages are not beside the repository");
        return;
    }
    for (auto _ : state)
        gumboParse(page->second);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * page->second.size());
}
BENCHMARK(BM_GumboLargestRealPage)->Unit(benchmark::kMillisecond);

} // namespace

// A page reader is this program started as one (PageReaderProcess.h).
int main(int argc, char** argv) {
    if (const std::optional<int> readerExit = quorvane::runPageReaderIfAsked(argc, argv))
        return *readerExit;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
