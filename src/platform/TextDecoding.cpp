#include "platform/TextDecoding.h"

#include "platform/GbkCodec.h"

#include <QStringDecoder>

#include <algorithm>

namespace quorvane {

namespace {

// Splits at CR LF, LF or CR, in code units of `width` bytes (2 for UTF-16, whose line ends are 16-bit
// units); a line end after the last line adds no empty line. A trailing odd byte stays in the last line.
QList<QByteArrayView> splitLines(QByteArrayView bytes, int width, bool bigEndian) {
    const auto unitAt = [&](qsizetype i) -> unsigned {
        if (width == 1)
            return static_cast<unsigned char>(bytes[i]);
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (first << 8U) | second : (second << 8U) | first;
    };
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i + width <= size; i += width) {
        const unsigned unit = unitAt(i);
        if (unit != '\r' && unit != '\n')
            continue;
        lines << bytes.sliced(start, i - start);
        if (unit == '\r' && i + 2 * width <= size && unitAt(i + width) == '\n')
            i += width;
        start = i + width;
    }
    if (start < size)
        lines << bytes.sliced(start);
    return lines;
}

bool isAscii(QByteArrayView line) {
    for (const char c : line)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

bool isAscii(QStringView text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

DecodedLine decodeUnicode(QStringConverter::Encoding encoding, QByteArrayView line) {
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    DecodedLine decoded;
    decoded.text = decoder.decode(line);
    decoded.valid = !decoder.hasError();
    decoded.ascii = isAscii(QStringView(decoded.text));
    return decoded;
}

DecodedLine decodeGbk(QByteArrayView line) {
    DecodedLine decoded;
    decoded.text = fromGbk(line);
    // GBK has no code for U+FFFD, so one in the text stands for bytes that are not GBK.
    decoded.valid = !decoded.text.contains(QChar::ReplacementCharacter);
    decoded.ascii = isAscii(line);
    return decoded;
}

DecodedText decodeUnicodeLines(QStringConverter::Encoding encoding, TextEncoding kind, QByteArrayView bytes) {
    const int width = kind == TextEncoding::Utf8 ? 1 : 2;
    DecodedText result;
    result.encoding = kind;
    result.byteOrderMark = true;
    for (const QByteArrayView line : splitLines(bytes, width, kind == TextEncoding::Utf16BE))
        result.lines << decodeUnicode(encoding, line);
    return result;
}

} // namespace

qsizetype DecodedText::wideLines() const {
    return std::count_if(lines.cbegin(), lines.cend(), [](const DecodedLine& l) { return !l.ascii; });
}

qsizetype DecodedText::invalidLines() const {
    return std::count_if(lines.cbegin(), lines.cend(), [](const DecodedLine& l) { return !l.valid; });
}

DecodedText decodeText(QByteArrayView bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return decodeUnicodeLines(QStringConverter::Utf8, TextEncoding::Utf8, bytes.sliced(3));
    if (bytes.startsWith("\xFF\xFE"))
        return decodeUnicodeLines(QStringConverter::Utf16LE, TextEncoding::Utf16LE, bytes.sliced(2));
    if (bytes.startsWith("\xFE\xFF"))
        return decodeUnicodeLines(QStringConverter::Utf16BE, TextEncoding::Utf16BE, bytes.sliced(2));

    const QList<QByteArrayView> lines = splitLines(bytes, 1, false);
    QList<DecodedLine> utf8;
    utf8.reserve(lines.size());
    qsizetype wide = 0;
    qsizetype validUtf8 = 0;
    for (const QByteArrayView line : lines) {
        utf8 << decodeUnicode(QStringConverter::Utf8, line);
        if (isAscii(line))
            continue;
        ++wide;
        if (utf8.last().valid)
            ++validUtf8;
    }
    DecodedText result;
    if (validUtf8 * 2 >= wide) {
        result.encoding = TextEncoding::Utf8;
        result.lines = std::move(utf8);
        return result;
    }
    result.encoding = TextEncoding::Gbk;
    result.lines.reserve(lines.size());
    for (const QByteArrayView line : lines)
        result.lines << decodeGbk(line);
    return result;
}

} // namespace quorvane
