#include "platform/TextCutting.h"

#include <string_view>

namespace quorvane {

namespace {

std::string_view sv(QByteArrayView v) {
    return {v.data(), static_cast<size_t>(v.size())};
}

} // namespace

// Control characters and spaces: every code up to 32, as the trimming the stored texts were made with.
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

} // namespace quorvane
