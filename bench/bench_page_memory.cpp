// What one hostile or large page costs in memory: the peak resident size of the process while the page is
// rendered (decode, guard, parse, serialise, GBK), beside the time. The kernel's high-water mark of resident
// memory is reset before each page (/proc/self/clear_refs), after the memory freed by earlier pages has gone
// back to the system and the page has been made, so each counter belongs to its page alone.
//   peak_MiB   the process's peak resident size while rendering
//   growth_MiB that peak less the resident size before rendering (the page's own bytes not included)
//   refused    1 when the page was refused as too costly
#include "platform/GbkCodec.h"
#include "pages/NestingGuard.h"
#include "pages/RenderedPage.h"

#include <QByteArray>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <fstream>
#include <functional>
#include <string>

namespace {

using quorvane::kMaxPageNodes;

constexpr qsizetype kEightMiB = 8 * 1024 * 1024;

// A field of /proc/self/status in MiB.
double statusMiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
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
    bool refused = false;
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
        refused = !rendered.refusal.isEmpty();
        state.ResumeTiming();
    }
    state.counters["peak_MiB"] = peak;
    state.counters["growth_MiB"] = growth;
    state.counters["refused"] = refused ? 1 : 0;
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
// The costliest pages that are still rendered: just under the node limit.
BENCHMARK_CAPTURE(pageMemory, line_breaks_at_node_limit, [] {
    return repeatedTo(kHead, "x<br>", (kMaxPageNodes - 100) / 2 * 5);
})->Iterations(1);
BENCHMARK_CAPTURE(pageMemory, attributes_at_node_limit, [] {
    return repeatedTo(kHead, "<br a b c d e f g h>", (kMaxPageNodes - 100) / 9 * 20);
})->Iterations(1);
BENCHMARK_CAPTURE(pageMemory, result_page_500K, [] { return resultPage(500 * 1024); })->Iterations(1);
BENCHMARK_CAPTURE(pageMemory, result_page_8MiB, [] {
    return resultPage(kEightMiB - 64 * 1024);
})->Iterations(1);

} // namespace

BENCHMARK_MAIN();
