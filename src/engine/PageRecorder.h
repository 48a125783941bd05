#pragma once

#include "engine/PageOutcome.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace quorvane {

// One result page as a check met it, for the run log.
struct PageRecord {
    QString engine;
    QString keyword;
    int pageIndex = 0;
    QString url;
    int httpStatus = 0;
    qint64 bytes = 0;
    PageOutcome outcome = PageOutcome::NotLoaded;
    int items = 0;
    int matchPosition = 0;    // 1-based position of the site among the items; 0: none
    QString note;             // why a page did not load
    bool proxyFailed = false; // it did not load because the proxy could not be used
};

// Where a check reports the pages it met; the run log is the program's one. Calls may come from several
// checks at once.
class PageRecorder {
public:
    virtual ~PageRecorder() = default;
    // A new run begins.
    virtual void startRun() = 0;
    virtual void write(const PageRecord& page) = 0;
    // Keeps a page's markup (GBK, as the scanners read it) that gave no result items.
    virtual void keepUnparsed(QStringView engine, const QString& url, QByteArrayView markupGbk) = 0;
    // Keeps a page as it arrived, which a page reader could not read (charset: the header's label, or empty).
    virtual void keepUnreadPage(QStringView engine, const QString& url, QByteArrayView bytes,
                                QByteArrayView /*charset*/) {
        keepUnparsed(engine, url, bytes);
    }
};

} // namespace quorvane
