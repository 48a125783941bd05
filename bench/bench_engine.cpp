// The page pipeline: parse + serialise + GBK conversion + scan of a result page, and the scan alone.
#include "engine/EngineScanners.h"
#include "platform/GbkCodec.h"
#include "pages/RenderedPage.h"

#include <QByteArray>

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

void BM_PipelineResultPage500K(benchmark::State& state) {
    pipeline(state, makeBaiduPage(100, 90));
}
BENCHMARK(BM_PipelineResultPage500K)->Unit(benchmark::kMillisecond);

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

} // namespace

BENCHMARK_MAIN();
