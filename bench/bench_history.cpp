// The trend chart of a long history: a pair with 2,000 daily rows, queried and drawn, then painted.
#include "history/TrendChart.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "store/SqlText.h"
#include "support/WidgetBenchMain.h"

#include <QApplication>
#include <QChartView>
#include <QGroupBox>
#include <QImage>
#include <QLineSeries>
#include <QPainter>
#include <QStringList>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

const QDate kFirstDay(2008, 1, 1);

// One database for every benchmark, holding `days` daily rows of pair (1, 1).
class LongHistory {
public:
    explicit LongHistory(int days) {
        const QString path = dir_.filePath(QStringLiteral("Trevanid.mdb"));
        QString error;
        if (!quorvane::createDatabase(path, QString::fromUtf16(quorvane::kDbPassword),
                                      quorvane::SchemaVersion::Full, &error) ||
            !database_.openDatabase(path, QString::fromUtf16(quorvane::kDbPassword)))
            throw std::runtime_error("cannot create the benchmark database");
        QStringList values;
        for (int i = 0; i < days; ++i)
            values << QStringLiteral("('鲜花','www.example.com',%1,%2,0,0,0,0,0,0,%3,1,1)")
                          .arg(1 + i % 40)
                          .arg(i % 7 == 0 ? 0 : 1 + (i * 13) % 90)
                          .arg(quorvane::sqlDate(kFirstDay.addDays(i)));
        if (!database_.execInTransaction(
                database_.execQuery,
                QStringLiteral("Insert Into SE_RankHistory (KeyWordName,UrlName,GoogleRank,"
                               "BaiduRank,BaiduRank2,YahooRank,SosoRank,YoudaoRank,SogouRank,"
                               "BingRank,UpdateTime,KeyWordID,WebID) Values ") +
                    values.join(u',')))
            throw std::runtime_error("cannot fill the benchmark database");
    }
    quorvane::Database& connection() { return database_; }

private:
    QTemporaryDir dir_;
    quorvane::Database database_;
};

// Made at the first use, after the application object; released with the benchmarks' end.
LongHistory& longHistory() {
    static std::unique_ptr<LongHistory> data;
    if (!data) {
        data = std::make_unique<LongHistory>(2000);
        quorvane::bench::AtBenchmarkEnd([] { data.reset(); });
    }
    return *data;
}

void BM_DrawTrendChart(benchmark::State& state) {
    QGroupBox frame;
    frame.resize(1000, 360);
    quorvane::TrendChart chart(longHistory().connection(), &frame);
    for (auto _ : state)
        chart.drawTrendChart(QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("Baidu"), kFirstDay,
                             kFirstDay.addDays(static_cast<int>(state.range(0)) - 1));
    state.counters["points"] = static_cast<double>(chart.rankSeries->count());
}
BENCHMARK(BM_DrawTrendChart)->Arg(60)->Arg(2000)->Unit(benchmark::kMillisecond);

// Drawing and one full paint of the chart, as the window shows it after a refresh.
void BM_DrawAndPaintTrendChart(benchmark::State& state) {
    QGroupBox frame;
    frame.resize(1000, 360);
    quorvane::TrendChart chart(longHistory().connection(), &frame);
    frame.show();
    QImage image(frame.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        chart.drawTrendChart(QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("Baidu"), kFirstDay,
                             kFirstDay.addDays(static_cast<int>(state.range(0)) - 1));
        QCoreApplication::processEvents();
        QPainter painter(&image);
        frame.render(&painter);
    }
    if (const QByteArray out = qgetenv("QUORVANE_BENCH_SNAPSHOT"); !out.isEmpty())
        image.save(QString::fromLocal8Bit(out) + QString::number(state.range(0)) + QStringLiteral(".png"));
}
BENCHMARK(BM_DrawAndPaintTrendChart)->Arg(60)->Arg(2000)->Unit(benchmark::kMillisecond);

} // namespace
