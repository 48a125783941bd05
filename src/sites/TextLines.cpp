#include "sites/TextLines.h"

#include "platform/GbkCodec.h"

#include <QFile>
#include <QStringDecoder>

namespace quorvane {

namespace {

bool startsWith(const QByteArray& bytes, std::initializer_list<unsigned char> mark) {
    if (bytes.size() < static_cast<qsizetype>(mark.size()))
        return false;
    qsizetype i = 0;
    for (const unsigned char b : mark)
        if (static_cast<unsigned char>(bytes[i++]) != b)
            return false;
    return true;
}

QString decodeWith(QStringConverter::Encoding encoding, QByteArrayView bytes) {
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

// Splits at CR LF, LF or CR; a line end after the last line adds no empty line.
template <typename Text, typename View> QList<View> splitLines(const Text& text) {
    QList<View> lines;
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const auto ch = text[i];
        if (ch != '\r' && ch != '\n')
            continue;
        lines << View(text).sliced(start, i - start);
        if (ch == '\r' && i + 1 < size && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines << View(text).sliced(start);
    return lines;
}

bool isAscii(QByteArrayView line) {
    for (const char c : line)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

bool isValidUtf8(QByteArrayView line) {
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(line);
    return !utf8.hasError();
}

} // namespace

TextLines decodeTextLines(const QByteArray& bytes) {
    TextLines result;
    result.readable = true;
    const auto fromUnicode = [&result](const QString& text) {
        for (const QStringView line : splitLines<QString, QStringView>(text))
            result.lines << line.toString();
        return result;
    };
    if (startsWith(bytes, {0xEF, 0xBB, 0xBF}))
        return fromUnicode(decodeWith(QStringConverter::Utf8, QByteArrayView(bytes).sliced(3)));
    if (startsWith(bytes, {0xFF, 0xFE}))
        return fromUnicode(decodeWith(QStringConverter::Utf16LE, QByteArrayView(bytes).sliced(2)));
    if (startsWith(bytes, {0xFE, 0xFF}))
        return fromUnicode(decodeWith(QStringConverter::Utf16BE, QByteArrayView(bytes).sliced(2)));

    // Chinese GBK text is almost never valid UTF-8, so the share of valid lines tells the two apart.
    const QList<QByteArrayView> lines = splitLines<QByteArray, QByteArrayView>(bytes);
    qsizetype wide = 0;
    qsizetype validUtf8 = 0;
    for (const QByteArrayView line : lines) {
        if (isAscii(line))
            continue;
        ++wide;
        if (isValidUtf8(line))
            ++validUtf8;
    }
    const bool utf8 = validUtf8 * 2 >= wide;
    result.lines.reserve(lines.size());
    for (const QByteArrayView line : lines) {
        if (!utf8) {
            result.lines << fromGbk(line);
        } else if (isAscii(line) || isValidUtf8(line)) {
            result.lines << QString::fromUtf8(line);
        } else {
            ++result.undecodable;
        }
    }
    return result;
}

TextLines readTextLines(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {};
    return decodeTextLines(bytes);
}

} // namespace quorvane
