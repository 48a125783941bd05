// Building and saving the two export workbooks at large sizes: the latest-results layout (eleven framed
// columns, rank links) over 10,000 and 100,000 missions, and 3,000 and 100,000 history rows filled into
// the template.
//  - "per_row": the time per data row, building and saving included;
//  - "peak_MB": the process's peak resident size while the workbooks were built and saved;
//  - "rise_MB": that peak above the size before, what the workbook itself took.
#include "HistoryTemplate.h"
#include "export/Workbook.h"
#include "support/PeakMemory.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using quorvane::Workbook;

const char* const kRanks[] = {"3", "12", ">100", "稍候", "", "0", "57", "可能已被搜索引擎限制!"};

void buildLatestResults(Workbook& book, int rows) {
    book.setSheetName(QStringLiteral("最新排名结果"));
    book.merge(u"A1:H1");
    book.setFontSize(u"A1:H1", 15);
    book.setBold(u"A1:H1");
    book.setText(1, 1, QStringLiteral("2010-05-13最新排名记录表"));
    const QStringList titles{
        QStringLiteral("关键词"),        QStringLiteral("相关链接"), QStringLiteral("Baidu不包含推广"),
        QStringLiteral("Baidu包含推广"), QStringLiteral("Google"),   QStringLiteral("Yahoo"),
        QStringLiteral("Sogou"),         QStringLiteral("Bing"),     QStringLiteral("Soso"),
        QStringLiteral("Youdao"),        QStringLiteral("更新时间")};
    for (int i = 0; i < titles.size(); ++i) {
        book.setText(2, i + 1, titles[i]);
        book.setColumnWidth(i + 1, 20);
    }
    book.centreHorizontally(u"A2:K2");
    book.setFontName(u"A2:K2", QStringLiteral("微软雅黑"));
    book.setFontSize(u"A2:K2", 9);
    book.setBold(u"A2:K2");
    book.setThinBorders(u"A2:K2");

    for (int i = 0; i < rows; ++i) {
        const int r = 3 + i;
        const QString keyword = QStringLiteral("关键词%1").arg(i);
        book.setText(r, 1, keyword);
        book.setText(r, 2, QStringLiteral("www.example%1.com").arg(i % 50));
        for (int column = 3; column <= 10; ++column) {
            const QString rank = QString::fromUtf8(kRanks[(i + column) % 8]);
            if (rank.toInt() > 0)
                book.setFormula(
                    r, column,
                    QStringLiteral("=HYPERLINK(\"http://www.baidu.com/s?wd=%E5%85%B3%E9%94%AE%E8%AF%8D"
                                   "&pn=0\",\"") +
                        rank + QStringLiteral("\")"),
                    rank);
            else
                book.setText(r, column, rank);
        }
        book.setText(r, 11, QStringLiteral("2010-5-13 10:21:07"));
        const QString range = QStringLiteral("A%1:K%1").arg(r);
        book.setFontName(range, QStringLiteral("微软雅黑"));
        book.setFontSize(range, 9);
        book.setThinBorders(range);
        book.centreHorizontally(range);
    }
}

// Peak memory from here until report().
class MemoryWatch {
public:
    MemoryWatch()
        : before_(quorvane::bench::residentMegabytes()) {
        quorvane::bench::resetPeakResident();
    }
    void report(benchmark::State& state) const {
        const double peak = quorvane::bench::peakResidentMegabytes();
        state.counters["peak_MB"] = peak;
        state.counters["rise_MB"] = peak - before_;
    }

private:
    double before_;
};

void BM_LatestResultsWorkbook(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("latest.xls"));
    const MemoryWatch memory;
    for (auto _ : state) {
        Workbook book = Workbook::create();
        buildLatestResults(book, rows);
        book.save(target);
    }
    memory.report(state);
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["per_row"] =
        benchmark::Counter(static_cast<double>(rows),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LatestResultsWorkbook)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_HistoryTemplateFill(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    QTemporaryDir dir;
    const QString templatePath = dir.filePath(QStringLiteral("template.xls"));
    if (!quorvane::writeHistoryTemplate(templatePath)) {
        state.SkipWithError("cannot write the template");
        return;
    }
    const QString target = dir.filePath(QStringLiteral("history.xls"));
    const MemoryWatch memory;
    for (auto _ : state) {
        Workbook book = Workbook::openCopy(templatePath);
        book.setSheetName(QStringLiteral("关键词和链接历史记录"));
        for (int i = 0; i < rows; ++i) {
            const int r = 3 + i;
            book.setText(r, 1, QStringLiteral("排名软件"));
            book.setText(r, 2, QStringLiteral("www.example.com"));
            book.setNumber(r, 3, i % 30);
            book.setNumber(r, 4, (i * 7) % 50);
            book.setText(r, 5, QStringLiteral("2010-5-%1").arg(1 + i % 28));
            book.centreHorizontally(QStringLiteral("A%1:E%1").arg(r));
        }
        book.save(target);
    }
    memory.report(state);
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["per_row"] =
        benchmark::Counter(static_cast<double>(rows),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_HistoryTemplateFill)->Arg(3000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
