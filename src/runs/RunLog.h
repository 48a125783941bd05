#pragma once

#include "engine/PageRecorder.h"

#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringView>

#include <functional>
#include <mutex>

namespace quorvane {

// The run log in a folder (Logs beside the executable): run-YYYY-MM-DD.log, one tab-separated line per
// result page (time, engine, keyword, page index, address, HTTP status, bytes, outcome, items, match,
// note), appended and flushed line by line; and unparsed/<engine>-<time>.html, the markup of the newest
// pages that loaded but gave no result items, so that the user can see what the engine returned.
//
// Bounded: startRun removes run logs and kept pages older than kKeepDays days, and each engine keeps only
// its kUnparsedPerEngine newest pages. A folder that cannot be written never stops a run: one warning on
// standard error per run, and the log stays silent until the next run. Lines may come from several checks;
// each write is whole.
class RunLog final : public PageRecorder {
public:
    static constexpr int kKeepDays = 30;
    static constexpr int kUnparsedPerEngine = 20;

    explicit RunLog(QString folder);
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // At the start of every run: old files go, and a folder that failed before is tried again.
    void startRun() override;
    void write(const PageRecord& page) override;
    // Keeps a page's markup (GBK, as the scanners read it) under unparsed/.
    void keepUnparsed(QStringView engine, const QString& url, QByteArrayView markupGbk) override;
    void keepUnreadPage(QStringView engine, const QString& url, QByteArrayView bytes,
                        QByteArrayView charset) override;

    QString folder() const { return folder_; }
    QString logPath(QDate day) const;
    QString unparsedFolder() const;

    // The clock; tests move it.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };

private:
    bool openFor(QDate day);
    void failed(const QString& what);
    void keep(QStringView engine, const QString& url, QByteArrayView page, QByteArrayView charset);
    void removeOldFiles(QDate today);
    void keepNewestUnparsed(QStringView engine);

    const QString folder_;
    std::mutex mutex_;
    QFile file_;
    QDate fileDay_;
    bool disabled_ = false; // after a failure, until the next run
};

} // namespace quorvane
