#include "store/SharedFunctions.h"

#include "store/Messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <string_view>

namespace quorvane {

namespace detail {
void runShellOpen(const QString& target);
}

void showErrorMsg(const QString& message) {
    currentMessagePresenter()->present(MessageKind::Error, QStringLiteral("Error"), message);
}

void showInfoMsg(const QString& message) {
    currentMessagePresenter()->present(MessageKind::Information, QStringLiteral("Information"), message);
}

int askYesNo(const QString& message) {
    return currentMessagePresenter()->present(MessageKind::Question, QStringLiteral("Confirm"), message);
}

QString errorReportText(const QString& message) {
    const QString text = message.trimmed();
    if (text.isEmpty())
        return QStringLiteral(".");
    const QChar last = text.back();
    if (last.isPunct())
        return text;
    return text + u'.';
}

void showErrorReport(const QString& message) {
    QString title = QCoreApplication::applicationName();
    if (title.isEmpty())
        title = QStringLiteral("Quorvane");
    currentMessagePresenter()->present(MessageKind::Report, title, errorReportText(message));
}

QString applicationFolder() {
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

namespace {

std::string_view sv(QByteArrayView v) {
    return {v.data(), static_cast<size_t>(v.size())};
}

} // namespace

// Control characters and spaces: every code up to 32, as the old string functions trimmed.
QByteArrayView trimControlChars(QByteArrayView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32)
        --end;
    return text.sliced(begin, end - begin);
}

QStringView trimControlChars(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.sliced(begin, end - begin);
}

QByteArrayView cutBetween(QByteArrayView& text, QByteArrayView startMarker, QByteArrayView endMarker) {
    if (startMarker.isEmpty())
        return {};
    const auto start = sv(text).find(sv(startMarker));
    if (start == std::string_view::npos)
        return {};
    text = text.sliced(static_cast<qsizetype>(start) + startMarker.size());
    if (endMarker.isEmpty())
        return {};
    const auto end = sv(text).find(sv(endMarker));
    if (end == std::string_view::npos)
        return {};
    const QByteArrayView result = trimControlChars(text.first(static_cast<qsizetype>(end)));
    text = trimControlChars(text.sliced(static_cast<qsizetype>(end) + endMarker.size()));
    return result;
}

QString cutBetween(QString& text, const QString& startMarker, const QString& endMarker) {
    if (startMarker.isEmpty())
        return {};
    const qsizetype start = text.indexOf(startMarker);
    if (start < 0)
        return {};
    text = text.mid(start + startMarker.size());
    if (endMarker.isEmpty())
        return {};
    const qsizetype end = text.indexOf(endMarker);
    if (end < 0)
        return {};
    const QString result = trimControlChars(QStringView(text).first(end)).toString();
    text = trimControlChars(QStringView(text).sliced(end + endMarker.size())).toString();
    return result;
}

void processEventsThenNap() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QThread::msleep(2);
}

void delaySeconds(int seconds) {
    QElapsedTimer timer;
    timer.start();
    const qint64 limitNs = static_cast<qint64>(seconds) * 1'000'000'000;
    qint64 elapsed = timer.nsecsElapsed();
    // The reading taken before the last poll decides, so the wait ends one poll after n seconds.
    while (elapsed <= limitNs) {
        elapsed = timer.nsecsElapsed();
        processEventsThenNap();
    }
}

QString percentEncode(QByteArrayView data) {
    static constexpr char hex[] = "0123456789ABCDEF";
    QString out;
    out.reserve(data.size() * 3);
    for (const char ch : data) {
        const auto b = static_cast<unsigned char>(ch);
        out += u'%';
        out += QLatin1Char(hex[b >> 4]);
        out += QLatin1Char(hex[b & 0x0F]);
    }
    return out;
}

void shellOpen(QObject* owner, const QString& target) {
    Q_UNUSED(owner); // the desktop places its own windows
    detail::runShellOpen(target);
}

} // namespace quorvane
