// What one hostile or large page costs in memory: the peak resident size of the process while the page is
// rendered (decode, parse, serialise, GBK) as a page reader does it, beside the time. The kernel's
// high-water mark of resident memory is reset before each page (/proc/self/clear_refs), after the memory
// freed by earlier pages has gone back to the system and the page has been made, so each counter belongs to
// its page alone.
//   peak_MiB   the process's peak resident size while rendering
//   growth_MiB that peak less the resident size before rendering (the page's own bytes not included)
// And a page reader process (PageReader.h) around a big page: its resident size after a small page, its peak
// while reading the big one, and its resident size after the next small page, which should be back near the
// first (the reader gives a page's memory back to the system).
//   baseline_MiB, peak_MiB, after_MiB   the reader's resident sizes
//   ended      0 when the reader read the big page, else how it ended (ReaderEnd)
#include "pages/PageReader.h"
#include "pages/PageReaderProcess.h"
#include "pages/RenderedPage.h"
#include "platform/GbkCodec.h"

#include <QByteArray>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <fstream>
#include <functional>
#include <string>

namespace {

constexpr qsizetype kEightMiB = 8 * 1024 * 1024;

// A field of /proc/<process>/status in MiB.
double statusMiB(const std::string& field, const std::string& process = "self") {
    std::ifstream status("/proc/" + process + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ':', 0) == 0)
            return std::stod(line.substr(field.size() + 1)) / 1024.0; // kB
    return -1;
}

void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

QByteArray repeatedTo(const QByteArray& head, const QByteArray& unit, qsizetype size) {
    return head + unit.repeated((size - head.size()) / unit.size());
}

void pageMemory(benchmark::State& state, const std::function<QByteArray()>& makePage) {
    const QByteArray page = makePage();
    double peak = 0;
    double growth = 0;
    for (auto _ : state) {
        state.PauseTiming();
        malloc_trim(0);
        resetPeak();
        const double before = statusMiB("VmRSS");
        state.ResumeTiming();
        const quorvane::RenderedPage rendered = quorvane::renderPageBytes(page, "");
        benchmark::DoNotOptimize(rendered.root.size());
        state.PauseTiming();
        peak = statusMiB("VmHWM");
        growth = peak - before;
        state.ResumeTiming();
    }
    state.counters["peak_MiB"] = peak;
    state.counters["growth_MiB"] = growth;
    state.counters["page_MiB"] = static_cast<double>(page.size()) / (1024.0 * 1024.0);
}

// Result items in the markup of a real result page (GBK), to about `size` bytes.
QByteArray resultPage(qsizetype size) {
    QByteArray page = "<html><head><meta charset=gb2312><title>t</title></head><body><div id=container>";
    const QByteArray text = quorvane::toGbk(u"北京旅游攻略，吃住行一网打尽，门票酒店特价预订。");
    for (int i = 0; page.size() < size; ++i) {
        const QByteArray n = QByteArray::number(i);
        page += "<table cellpadding=\"0\" cellspacing=\"0\" class=\"result\" id=\"" + n +
                "\"><tr><td class=\"f\"><h3 class=\"t\"><a onmousedown=\"return c({'fm':'as','p1':" + n +
                "})\" href=\"http://www.site" + n + ".com/\" target=\"_blank\">" + text +
                "</a></h3><font size=\"-1\">" + text.repeated(20) + "<br><span class=\"g\">www.site" + n +
                ".com/ 12K</span></font></td></tr></table>";
    }
    return page + "</div></body></html>";
}

const QByteArray kHead = "<html><body><table>";

BENCHMARK_CAPTURE(pageMemory, line_breaks_8MiB, [] {
    return repeatedTo(kHead, "<br>", kEightMiB);
})->Iterations(1);
BENCHMARK_CAPTURE(pageMemory, table_cells_8MiB, [] {
    return repeatedTo(kHead, "<td>", kEightMiB);
})->Iterations(1);
BENCHMARK_CAPTURE(pageMemory, cells_with_text_8MiB, [] {
    return repeatedTo(kHead, "<tr><td>x", kEightMiB);
})->Iterations(1);
BENCHMARK_CAPTURE(pageMemory, attributes_8MiB, [] {
    return repeatedTo(kHead, "<br a b c d e f g h>", kEightMiB);
})->Iterations(1);
BENCHMARK_CAPTURE(pageMemory, unclosed_divs_8MiB, [] {
    return repeatedTo(kHead, "<div>", kEightMiB);
})->Iterations(1);
// 200,000 nodes, the bound the program set on a page before pages were read in a reader process.
BENCHMARK_CAPTURE(pageMemory, line_breaks_200k_nodes, [] {
    return repeatedTo(kHead, "x<br>", 99'950 * 5);
})->Iterations(1);
BENCHMARK_CAPTURE(pageMemory, attributes_200k_nodes, [] {
    return repeatedTo(kHead, "<br a b c d e f g h>", 22'210 * 20);
})->Iterations(1);
BENCHMARK_CAPTURE(pageMemory, result_page_500K, [] { return resultPage(500 * 1024); })->Iterations(1);
BENCHMARK_CAPTURE(pageMemory, result_page_8MiB, [] {
    return resultPage(kEightMiB - 64 * 1024);
})->Iterations(1);

quorvane::PageRequest pageOnly(QByteArray page) {
    quorvane::PageRequest request;
    request.page = std::move(page);
    return request;
}

void readerMemory(benchmark::State& state, const std::function<QByteArray()>& makePage) {
    const QByteArray big = makePage();
    const QByteArray small = resultPage(20 * 1024);
    double baseline = 0;
    double peak = 0;
    double after = 0;
    int ended = 0;
    // Time enough for the big page on a loaded machine: what is measured here is memory.
    quorvane::PageReader::Limits limits;
    limits.cpuSecondsPerPage = 120;
    limits.deadline = std::chrono::minutes(3);
    for (auto _ : state) {
        quorvane::PageReader reader(limits);
        reader.read(pageOnly(small));
        const std::string process = std::to_string(reader.processId());
        baseline = statusMiB("VmRSS", process);
        const quorvane::PageReaderReply reply = reader.read(pageOnly(big));
        ended = static_cast<int>(reply.end);
        peak = statusMiB("VmHWM", process);
        reader.read(pageOnly(small));
        after = statusMiB("VmRSS", std::to_string(reader.processId()));
    }
    state.counters["baseline_MiB"] = baseline;
    state.counters["peak_MiB"] = peak;
    state.counters["after_MiB"] = after;
    state.counters["ended"] = ended;
    state.counters["page_MiB"] = static_cast<double>(big.size()) / (1024.0 * 1024.0);
}

BENCHMARK_CAPTURE(readerMemory, result_page_50MB, [] { return resultPage(50'000'000); })
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(readerMemory, line_breaks_8MiB, [] { return repeatedTo(kHead, "<br>", kEightMiB); })
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

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
