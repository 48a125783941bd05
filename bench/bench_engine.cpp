// The page pipeline: parse + serialise + GBK conversion + scan of a result page, and the scan alone; reading
// the real result pages (all of them, and the largest alone); each beside gumbo alone on the same page, the
// floor the page path is measured against (the goal: at most 1.25 times gumbo's time).
#include "engine/EngineScanners.h"
#include "pages/BodyInflater.h"
#include "pages/PageDecoder.h"
#include "pages/RenderedPage.h"
#include "platform/GbkCodec.h"

#include <QByteArray>
#include <QFile>

#include <gumbo.h>

#include <utility>
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
            const quorvane::RenderedPage rendered = quorvane::renderPageBytes(page, "utf-8");
            results += quorvane::readEnginePage(engine, rendered).results.size();
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
        const quorvane::RenderedPage rendered = quorvane::renderPageBytes(page->second, "utf-8");
        results = quorvane::readEnginePage(page->first, rendered).results.size();
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

BENCHMARK_MAIN();
