#include "sites/TextLines.h"

#include "platform/TextDecoding.h"

#include <QFile>

namespace quorvane {

TextLines decodeTextLines(const QByteArray& bytes) {
    const DecodedText decoded = decodeText(bytes);
    TextLines result;
    result.readable = true;
    result.lines.reserve(decoded.lines.size());
    // A damaged line of a UTF-8 file without a byte-order mark is left out and counted; with a mark, or in a
    // GBK file, it is kept with U+FFFD in place of the bad bytes, as the import always did.
    const bool dropInvalid = decoded.encoding == TextEncoding::Utf8 && !decoded.byteOrderMark;
    for (const DecodedLine& line : decoded.lines) {
        if (dropInvalid && !line.valid)
            ++result.undecodable;
        else
            result.lines << line.text;
    }
    return result;
}

StorableLines storableLines(const QStringList& lines) {
    StorableLines storable;
    storable.lines.reserve(lines.size());
    for (const QString& line : lines) {
        if (line.trimmed().isEmpty())
            continue;
        if (line.contains(QChar(u'\0')))
            ++storable.unusable;
        else
            storable.lines << line;
    }
    return storable;
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
