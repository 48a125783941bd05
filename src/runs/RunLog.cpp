#include "runs/RunLog.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QtGlobal>

#include <algorithm>
#include <utility>

namespace quorvane {

namespace {

constexpr char kLogPrefix[] = "run-";
constexpr char kLogDateFormat[] = "yyyy-MM-dd";
constexpr char kUnparsedTimeFormat[] = "yyyyMMdd-HHmmss-zzz";

QString outcomeText(PageOutcome outcome) {
    switch (outcome) {
    case PageOutcome::NotLoaded:
        return QStringLiteral("not-loaded");
    case PageOutcome::NotUnderstood:
        return QStringLiteral("not-understood");
    case PageOutcome::Read:
        return QStringLiteral("read");
    case PageOutcome::Blocked:
        return QStringLiteral("blocked");
    }
    return {};
}

// One field of a tab-separated line: no tabs or line ends inside.
QString field(QString text) {
    for (QChar& c : text)
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    return text;
}

// The day in a kept file's name: run-YYYY-MM-DD.log or <engine>-YYYYMMDD-....html.
QDate dayOfLog(const QString& fileName) {
    return QDate::fromString(fileName.mid(4, 10), QString::fromLatin1(kLogDateFormat));
}
QDate dayOfUnparsed(const QString& fileName) {
    const qsizetype dash = fileName.indexOf(u'-');
    return dash < 0 ? QDate() : QDate::fromString(fileName.mid(dash + 1, 8), QStringLiteral("yyyyMMdd"));
}

} // namespace

RunLog::RunLog(QString folder)
    : folder_(std::move(folder)) {}

QString RunLog::logPath(QDate day) const {
    return QDir(folder_).filePath(QString::fromLatin1(kLogPrefix) +
                                  day.toString(QString::fromLatin1(kLogDateFormat)) + QStringLiteral(".log"));
}

QString RunLog::unparsedFolder() const {
    return QDir(folder_).filePath(QStringLiteral("unparsed"));
}

void RunLog::startRun() {
    const std::lock_guard lock(mutex_);
    disabled_ = false;
    file_.close();
    removeOldFiles(now().date());
}

void RunLog::write(const PageRecord& page) {
    const std::lock_guard lock(mutex_);
    const QDateTime time = now();
    if (disabled_ || !openFor(time.date()))
        return;
    const QStringList fields{
        time.toString(Qt::ISODate),
        page.engine,
        field(page.keyword),
        QString::number(page.pageIndex),
        page.url,
        QString::number(page.httpStatus),
        QString::number(page.bytes),
        outcomeText(page.outcome),
        QString::number(page.items),
        page.matchPosition > 0 ? QString::number(page.matchPosition) : QStringLiteral("none"),
        field(page.note),
    };
    const QByteArray line = fields.join(u'\t').toUtf8() + '\n';
    if (file_.write(line) != line.size() || !file_.flush())
        failed(file_.fileName() + QStringLiteral(": ") + file_.errorString());
}

namespace {

// A label that can stand unquoted in the kept file's META tag (a header's label is the server's text).
bool isCharsetLabel(QByteArrayView label) {
    return !label.isEmpty() && label.size() < 40 && std::all_of(label.begin(), label.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
               c == '_' || c == '.' || c == ':';
    });
}

} // namespace

void RunLog::keepUnparsed(QStringView engine, const QString& url, QByteArrayView markupGbk) {
    keep(engine, url, markupGbk, "gbk");
}

void RunLog::keepUnreadPage(QStringView engine, const QString& url, QByteArrayView bytes,
                            QByteArrayView charset) {
    keep(engine, url, bytes, charset);
}

void RunLog::keep(QStringView engine, const QString& url, QByteArrayView page, QByteArrayView charset) {
    const std::lock_guard lock(mutex_);
    if (disabled_)
        return;
    const QDir dir(unparsedFolder());
    if (!dir.mkpath(QStringLiteral("."))) {
        failed(dir.path());
        return;
    }
    const QString stem = engine.toString() + u'-' + now().toString(QString::fromLatin1(kUnparsedTimeFormat));
    QString path = dir.filePath(stem + QStringLiteral(".html"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(stem + u'-' + QString::number(n) + QStringLiteral(".html"));
    QFile file(path);
    // The note up front says where the page came from; the markup is GBK as the scanners saw it, a page no
    // reader could read is kept as it arrived, with its header's charset when it had one.
    QByteArray head = "<!-- " + engine.toUtf8() + ' ' + url.toUtf8().replace("--", "%2D%2D") + " -->\n";
    if (isCharsetLabel(charset))
        head += "<META charset=" + charset.toByteArray() + ">\n";
    if (!file.open(QIODevice::WriteOnly) || file.write(head) != head.size() ||
        file.write(page.data(), page.size()) != page.size()) {
        failed(path + QStringLiteral(": ") + file.errorString());
        return;
    }
    file.close();
    keepNewestUnparsed(engine);
}

bool RunLog::openFor(QDate day) {
    if (file_.isOpen() && fileDay_ == day)
        return true;
    file_.close();
    if (!QDir().mkpath(folder_)) {
        failed(folder_);
        return false;
    }
    file_.setFileName(logPath(day));
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append)) {
        failed(file_.fileName() + QStringLiteral(": ") + file_.errorString());
        return false;
    }
    fileDay_ = day;
    if (file_.size() == 0) {
        const QByteArray header =
            "# time\tengine\tkeyword\tpage\taddress\tstatus\tbytes\toutcome\titems\tmatch\tnote\n";
        file_.write(header);
    }
    return true;
}

void RunLog::failed(const QString& what) {
    file_.close();
    if (!std::exchange(disabled_, true))
        qWarning("Quorvane: cannot write the run log (%s); the run goes on without it", qUtf8Printable(what));
}

void RunLog::removeOldFiles(QDate today) {
    const QDate oldest = today.addDays(-kKeepDays);
    QDir logs(folder_);
    for (const QString& name :
         logs.entryList({QString::fromLatin1(kLogPrefix) + QStringLiteral("*.log")}, QDir::Files)) {
        const QDate day = dayOfLog(name);
        if (day.isValid() && day < oldest)
            logs.remove(name);
    }
    QDir unparsed(unparsedFolder());
    for (const QString& name : unparsed.entryList({QStringLiteral("*.html")}, QDir::Files)) {
        const QDate day = dayOfUnparsed(name);
        if (day.isValid() && day < oldest)
            unparsed.remove(name);
    }
}

void RunLog::keepNewestUnparsed(QStringView engine) {
    QDir dir(unparsedFolder());
    // The time in the names sorts them from oldest to newest.
    const QStringList names =
        dir.entryList({engine.toString() + QStringLiteral("-*.html")}, QDir::Files, QDir::Name);
    for (qsizetype i = 0; i + kUnparsedPerEngine < names.size(); ++i)
        dir.remove(names[i]);
}

} // namespace quorvane
