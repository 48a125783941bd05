// The store's hot paths: walking a page with cutBetween, GBK conversion, percent-encoding.
#include "platform/GbkCodec.h"
#include "platform/PercentEncoding.h"
#include "platform/TextCutting.h"

#include <QByteArray>
#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

QByteArray makePage(int items) {
    QByteArray page = "<HTML><BODY>";
    for (int i = 0; i < items; ++i)
        page += "<TABLE class=result><TBODY><TR><TD><H3 class=t><A href=\"http://www.site" +
                QByteArray::number(i) + ".com/page\" target=_blank>result " + QByteArray::number(i) +
                "</A></H3>" + QByteArray(3000, 'x') + "</TD></TR></TBODY></TABLE>";
    return page + "</BODY></HTML>";
}

void BM_CutBetweenWalk(benchmark::State& state) {
    const QByteArray page = makePage(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        QByteArrayView text(page);
        int count = 0;
        while (!quorvane::cutBetween(text, "<H3 class=t>", "</H3>").isEmpty())
            ++count;
        benchmark::DoNotOptimize(count);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * page.size());
}
BENCHMARK(BM_CutBetweenWalk)->Arg(100)->Arg(1600);

void BM_ToGbk(benchmark::State& state) {
    const QString text = QString::fromUtf8(makePage(100)) + QStringLiteral("排名结果").repeated(10000);
    for (auto _ : state)
        benchmark::DoNotOptimize(quorvane::toGbk(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * text.size() * 2);
}
BENCHMARK(BM_ToGbk);

void BM_PercentEncode(benchmark::State& state) {
    const QByteArray keyword = quorvane::toGbk(u"北京旅游攻略");
    for (auto _ : state)
        benchmark::DoNotOptimize(quorvane::percentEncode(keyword));
}
BENCHMARK(BM_PercentEncode);

} // namespace

BENCHMARK_MAIN();
