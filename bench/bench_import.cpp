// The sites-and-keywords dialog's text-file imports: 10,000 URLs and 10,000 keywords, each line a duplicate
// test and an insert in its own transaction, a pass of event processing and the 1 ms pause. The counters
// report the time per line and the part of it beyond the pause (measured, as a 1 ms sleep takes a little
// longer).
#include "sites/RecordGrid.h"
#include "sites/SitesKeywordsDialog.h"
#include "store/Database.h"
#include "store/Schema.h"
#include "ui/FileDialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <stdexcept>

namespace {

using namespace quorvane;

constexpr int kLines = 10'000;

// One database and one file per kind for the whole run.
struct ImportBench {
    QTemporaryDir dir;
    Database database;
    QString urlFile;
    QString keyWordFile;

    ImportBench() {
        const QString db = dir.filePath(QStringLiteral("DataBase/Trevanid.mdb"));
        QString error;
        if (!createDatabase(db, QString::fromUtf16(kDbPassword), SchemaVersion::Full, &error) ||
            !database.openDatabase(db, QString::fromUtf16(kDbPassword)))
            throw std::runtime_error("cannot create the benchmark database: " + error.toStdString());
        urlFile = write(QStringLiteral("urls.txt"), QStringLiteral("http://www.site%1.example.com/"));
        keyWordFile = write(QStringLiteral("keywords.txt"), QStringLiteral("关键词%1"));
    }

    QString write(const QString& name, const QString& pattern) {
        QByteArray text;
        for (int i = 0; i < kLines; ++i)
            text += pattern.arg(i).toUtf8() + "\r\n";
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            throw std::runtime_error("cannot write the import file");
        return path;
    }

    void exec(const char* sql) {
        if (!database.execInTransaction(database.execQuery, QString::fromLatin1(sql)))
            throw std::runtime_error(sql);
    }
};

ImportBench& bench() {
    static ImportBench instance;
    return instance;
}

// The mean length of the 1 ms pause the imports make per line.
double pauseMs() {
    static const double measured = [] {
        constexpr int samples = 500;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < samples; ++i)
            QThread::msleep(1);
        return static_cast<double>(timer.nsecsElapsed()) / 1e6 / samples;
    }();
    return measured;
}

void report(benchmark::State& state, double totalMs) {
    const double perLine = totalMs / (static_cast<double>(state.iterations()) * kLines);
    state.counters["ms_per_line"] = perLine;
    state.counters["pause_ms"] = pauseMs();
    state.counters["ms_per_line_beyond_pause"] = perLine - pauseMs();
}

void BM_ImportUrls(benchmark::State& state) {
    ImportBench& b = bench();
    const bool duplicates = state.range(0) != 0;
    setFileChooser([&](const FileDialogRequest&) { return b.urlFile; });
    double totalMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!duplicates)
            b.exec("Delete From SE_KeyUrl");
        SitesKeywordsDialog dialog(b.database);
        dialog.show();
        state.ResumeTiming();
        QElapsedTimer timer;
        timer.start();
        dialog.importUrls();
        totalMs += static_cast<double>(timer.nsecsElapsed()) / 1e6;
        if (dialog.urls.recordCount() != kLines)
            state.SkipWithError("the import did not store every line");
    }
    setFileChooser({});
    report(state, totalMs);
}
// 0: into an empty table (duplicate test and insert per line); 1: every line already stored.
BENCHMARK(BM_ImportUrls)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ImportKeyWords(benchmark::State& state) {
    ImportBench& b = bench();
    const bool duplicates = state.range(0) != 0;
    setFileChooser([&](const FileDialogRequest&) { return b.keyWordFile; });
    double totalMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!duplicates)
            b.exec("Delete From SE_KeyWord");
        b.exec("Delete From SE_KeyUrl Where UrlName='bench.example.com'");
        b.exec("Insert Into SE_KeyUrl(UrlName,isCheck)Values('bench.example.com',-1)");
        SitesKeywordsDialog dialog(b.database);
        dialog.show();
        // The URL that was just added is the last row; a click on it opens its keyword list.
        const int row = dialog.urls.recordCount() - 1;
        dialog.urlGrid->selectOnly(row);
        dialog.urlCellClicked(dialog.urlGrid->model()->index(row, 1));
        state.ResumeTiming();
        QElapsedTimer timer;
        timer.start();
        dialog.importKeywords();
        totalMs += static_cast<double>(timer.nsecsElapsed()) / 1e6;
        if (dialog.keywords.recordCount() != kLines)
            state.SkipWithError("the import did not store every line");
    }
    setFileChooser({});
    report(state, totalMs);
}
BENCHMARK(BM_ImportKeyWords)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
