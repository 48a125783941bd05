#include "settings/TextLines.h"

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

} // namespace

QString DecodeTextFile(const QByteArray& bytes) {
    if (startsWith(bytes, {0xEF, 0xBB, 0xBF}))
        return decodeWith(QStringConverter::Utf8, QByteArrayView(bytes).sliced(3));
    if (startsWith(bytes, {0xFF, 0xFE}))
        return decodeWith(QStringConverter::Utf16LE, QByteArrayView(bytes).sliced(2));
    if (startsWith(bytes, {0xFE, 0xFF}))
        return decodeWith(QStringConverter::Utf16BE, QByteArrayView(bytes).sliced(2));
    // Chinese GBK text is almost never valid UTF-8, so a file that decodes cleanly is taken as UTF-8.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return FromGbk(bytes);
}

TextLines ReadTextLines(const QString& fileName) {
    TextLines result;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return result;
    result.readable = true;

    const QString text = DecodeTextFile(bytes);
    qsizetype start = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar ch = text[i];
        if (ch != u'\r' && ch != u'\n')
            continue;
        result.lines << text.mid(start, i - start);
        if (ch == u'\r' && i + 1 < size && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        result.lines << text.mid(start);
    return result;
}

} // namespace quorvane
