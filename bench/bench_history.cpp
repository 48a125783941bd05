// The trend chart of a long history: a pair with 2,000 daily rows, queried and drawn, then painted.
#include "history/TrendChart.h"
#include "store/Schema.h"
#include "store/SqlText.h"
#include "store/UntDM.h"

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
        if (!quorvane::CreateDatabase(path, QString::fromUtf16(quorvane::kDbPassword),
                                      quorvane::SchemaVersion::Full, &error) ||
            !dm_.ConnectDB(path, QString::fromUtf16(quorvane::kDbPassword)))
            throw std::runtime_error("cannot create the benchmark database");
        QStringList values;
        for (int i = 0; i < days; ++i)
            values << QStringLiteral("('鲜花','www.example.com',%1,%2,0,0,0,0,0,0,%3,1,1)")
                          .arg(1 + i % 40)
                          .arg(i % 7 == 0 ? 0 : 1 + (i * 13) % 90)
                          .arg(quorvane::SqlDate(kFirstDay.addDays(i)));
        if (!dm_.ExecSQLInTrans(dm_.qry_exec,
                                QStringLiteral("Insert Into SE_RankHistory (KeyWordName,UrlName,GoogleRank,"
                                               "BaiduRank,BaiduRank2,YahooRank,SosoRank,YoudaoRank,SogouRank,"
                                               "BingRank,UpdateTime,KeyWordID,WebID) Values ") +
                                    values.join(u',')))
            throw std::runtime_error("cannot fill the benchmark database");
    }
    quorvane::TDM& DM() { return dm_; }

private:
    QTemporaryDir dir_;
    quorvane::TDM dm_;
};

LongHistory* history = nullptr;

void BM_DrawTrendChart(benchmark::State& state) {
    QGroupBox frame;
    frame.resize(1000, 360);
    quorvane::TrendChart chart(history->DM(), &frame);
    for (auto _ : state)
        chart.DrawTrendChart(QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("Baidu"), kFirstDay,
                             kFirstDay.addDays(static_cast<int>(state.range(0)) - 1));
    state.counters["points"] = static_cast<double>(chart.lnsrsSeries1->count());
}
BENCHMARK(BM_DrawTrendChart)->Arg(60)->Arg(2000)->Unit(benchmark::kMillisecond);

// Drawing and one full paint of the chart, as the window shows it after a refresh.
void BM_DrawAndPaintTrendChart(benchmark::State& state) {
    QGroupBox frame;
    frame.resize(1000, 360);
    quorvane::TrendChart chart(history->DM(), &frame);
    frame.show();
    QImage image(frame.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        chart.DrawTrendChart(QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("Baidu"), kFirstDay,
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

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    LongHistory data(2000);
    history = &data;
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
