#include "config/IniText.h"

#include "platform/GbkCodec.h"

#include <QStringDecoder>

namespace quorvane {

namespace {

std::optional<QString> decodeStrict(QStringConverter::Encoding encoding, QByteArrayView bytes) {
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// Tab and line ends are the only control characters a text file of this kind holds.
bool hasControlCharacters(QStringView text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
            return true;
    return false;
}

QString unquoted(QStringView value) {
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"')
        return value.sliced(1, value.size() - 2).toString();
    return value.toString();
}

} // namespace

std::optional<QString> decodeIniText(QByteArrayView bytes, QString& why) {
    if (bytes.size() > kMaxIniBytes) {
        why = QStringLiteral("文件大于 %1 KB").arg(kMaxIniBytes / 1024);
        return std::nullopt;
    }
    std::optional<QString> text;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        text = decodeStrict(QStringConverter::Utf8, bytes.sliced(3));
    else if (bytes.startsWith("\xFF\xFE"))
        text = decodeStrict(QStringConverter::Utf16LE, bytes.sliced(2));
    else if (bytes.startsWith("\xFE\xFF"))
        text = decodeStrict(QStringConverter::Utf16BE, bytes.sliced(2));
    else if (!bytes.contains('\0')) {
        // Chinese text in GBK is almost never valid UTF-8, so valid UTF-8 is taken as such.
        text = decodeStrict(QStringConverter::Utf8, bytes);
        if (!text) {
            const QString gbk = fromGbk(bytes);
            if (!gbk.contains(QChar::ReplacementCharacter))
                text = gbk;
        }
    }
    if (!text || hasControlCharacters(*text)) {
        why = QStringLiteral("不是 UTF-8 或 GBK 文本");
        return std::nullopt;
    }
    return text;
}

IniDocument parseIni(QStringView text) {
    IniDocument document;
    IniSection* section = nullptr;
    int lineNumber = 0;
    for (QStringView line : text.tokenize(u'\n')) {
        ++lineNumber;
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            document.sections.append(
                {line.sliced(1, line.size() - 2).trimmed().toString(), lineNumber, {}, {}});
            section = &document.sections.last();
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!section) {
            document.linesOutsideSections.append(lineNumber);
            continue;
        }
        if (equals <= 0) {
            section->badLines.append(lineNumber);
            continue;
        }
        section->entries.append({line.first(equals).trimmed().toString(),
                                 unquoted(line.sliced(equals + 1).trimmed()), lineNumber});
    }
    return document;
}

} // namespace quorvane
