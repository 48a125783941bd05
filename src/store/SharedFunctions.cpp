#include "store/SharedFunctions.h"

#include "store/Messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <string_view>

namespace quorvane {

namespace detail {
void RunShellOpen(const QString& target);
}

void ShowErrorMsg(const QString& message) {
    CurrentMessagePresenter()->present(MessageKind::Error, QStringLiteral("Error"), message);
}

void ShowInfoMsg(const QString& message) {
    CurrentMessagePresenter()->present(MessageKind::Information, QStringLiteral("Information"), message);
}

int AskYesNo(const QString& message) {
    return CurrentMessagePresenter()->present(MessageKind::Question, QStringLiteral("Confirm"), message);
}

QString ErrorReportText(const QString& message) {
    const QString text = message.trimmed();
    if (text.isEmpty())
        return QStringLiteral(".");
    const QChar last = text.back();
    if (last.isPunct())
        return text;
    return text + u'.';
}

void ShowErrorReport(const QString& message) {
    QString title = QCoreApplication::applicationName();
    if (title.isEmpty())
        title = QStringLiteral("Quorvane");
    CurrentMessagePresenter()->present(MessageKind::Report, title, ErrorReportText(message));
}

QString GetAppDir() {
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
QByteArrayView TrimControl(QByteArrayView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32)
        --end;
    return text.sliced(begin, end - begin);
}

QStringView TrimControl(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.sliced(begin, end - begin);
}

QByteArrayView CutBetween(QByteArrayView& text, QByteArrayView startMarker, QByteArrayView endMarker) {
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
    const QByteArrayView result = TrimControl(text.first(static_cast<qsizetype>(end)));
    text = TrimControl(text.sliced(static_cast<qsizetype>(end) + endMarker.size()));
    return result;
}

QString CutBetween(QString& text, const QString& startMarker, const QString& endMarker) {
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
    const QString result = TrimControl(QStringView(text).first(end)).toString();
    text = TrimControl(QStringView(text).sliced(end + endMarker.size())).toString();
    return result;
}

void PumpAndSleep() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QThread::msleep(2);
}

void DelaySeconds(int seconds) {
    QElapsedTimer timer;
    timer.start();
    const qint64 limitNs = static_cast<qint64>(seconds) * 1'000'000'000;
    qint64 elapsed = timer.nsecsElapsed();
    // The reading taken before the last poll decides, so the wait ends one poll after n seconds.
    while (elapsed <= limitNs) {
        elapsed = timer.nsecsElapsed();
        PumpAndSleep();
    }
}

QString PercentEncode(QByteArrayView data) {
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

void ShellOpen(QObject* owner, const QString& target) {
    Q_UNUSED(owner); // the desktop places its own windows
    detail::RunShellOpen(target);
}

} // namespace quorvane
