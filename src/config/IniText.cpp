#include "config/IniText.h"

#include "platform/TextDecoding.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace quorvane {

namespace {

// Tab and line ends are the only control characters a text file of this kind holds.
bool hasControlCharacters(QStringView text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
            return true;
    return false;
}

// The value without a comment that starts at an unquoted ";".
QStringView withoutComment(QStringView value) {
    bool quoted = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'"')
            quoted = !quoted;
        else if (value[i] == u';' && !quoted)
            return value.first(i).trimmed();
    }
    return value;
}

QString unquoted(QStringView value) {
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"')
        return value.sliced(1, value.size() - 2).toString();
    return value.toString();
}

QString nameOf(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        return QStringLiteral("UTF-16");
    case TextEncoding::Gbk:
        return QStringLiteral("GBK");
    }
    return {};
}

IniDocument parseLines(const DecodedText& decoded, IniComments comments) {
    IniDocument document;
    document.encodingName = nameOf(decoded.encoding);
    IniSection* section = nullptr;
    int lineNumber = 0;
    for (const DecodedLine& decodedLine : decoded.lines) {
        ++lineNumber;
        const QStringView line = QStringView(decodedLine.text).trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            document.sections.append({line.sliced(1, line.size() - 2).trimmed().toString(),
                                      lineNumber,
                                      decodedLine.valid,
                                      {},
                                      {}});
            section = &document.sections.last();
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        const bool comment = line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#');
        if (comment) {
            if (!decodedLine.valid)
                document.unreadableLines.append(lineNumber);
            continue;
        }
        if (!section) {
            document.linesOutsideSections.append(lineNumber);
            continue;
        }
        if (equals <= 0) {
            section->badLines.append(lineNumber);
            continue;
        }
        QStringView value = line.sliced(equals + 1).trimmed();
        if (comments == IniComments::AfterValues)
            value = withoutComment(value);
        section->entries.append(
            {line.first(equals).trimmed().toString(), unquoted(value), lineNumber, decodedLine.valid});
    }
    return document;
}

// Every entry of the key in every readable section of that name, in file order.
struct IniValue {
    const IniSection* section;
    const IniEntry* entry;
};

QList<IniValue> iniValues(const IniDocument& document, QStringView section, QStringView key) {
    QList<IniValue> values;
    for (const IniSection& s : document.sections) {
        if (s.name != section || !s.readable)
            continue;
        for (const IniEntry& e : s.entries)
            if (e.key == key)
                values.append({&s, &e});
    }
    return values;
}

} // namespace

IniFile readIniFile(const QString& path, IniComments comments) {
    IniFile result;
    result.path = QFileInfo(path).absoluteFilePath();
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return result;
    result.state = IniFileState::Unreadable;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.why = file.errorString();
        return result;
    }
    const QByteArray bytes = file.read(kMaxIniBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        result.why = file.errorString();
        return result;
    }
    if (bytes.size() > kMaxIniBytes) {
        result.why = QStringLiteral("文件大于 %1 KB").arg(kMaxIniBytes / 1024);
        return result;
    }
    const DecodedText decoded = decodeText(bytes);
    const bool control = std::any_of(decoded.lines.cbegin(), decoded.lines.cend(),
                                     [](const DecodedLine& l) { return hasControlCharacters(l.text); });
    if (control || decoded.invalidLines() * 2 > decoded.wideLines()) {
        result.why = QStringLiteral("不是 UTF-8 或 GBK 文本");
        return result;
    }
    result.state = IniFileState::Read;
    result.document = parseLines(decoded, comments);
    return result;
}

const IniEntry* lastValidSetting(const IniDocument& document, QStringView section, QStringView key,
                                 const std::function<QString(const QString&)>& faultOf, QStringList& faults) {
    const QList<IniValue> values = iniValues(document, section, key);
    const IniEntry* taken = nullptr;
    for (const IniValue& v : values) {
        const QString place = iniPlace(*v.section, *v.entry);
        const QString shown = u" (" + v.entry->key + u'=' + v.entry->value + u')';
        const QString fault = v.entry->readable ? faultOf(v.entry->value) : iniUnreadableText(document);
        if (!fault.isEmpty())
            faults << place + fault + (v.entry->readable ? shown : QString());
        else if (v.entry != values.front().entry)
            faults << place + iniRepeatText(values.front().entry->line) + QStringLiteral(", 以最后一个为准") +
                          shown;
        taken = fault.isEmpty() && v.entry == values.back().entry ? v.entry : nullptr;
    }
    return taken;
}

QString iniPlace(const IniSection& section, const IniEntry& entry) {
    return QStringLiteral("[%1] %2 (第 %3 行): ").arg(section.name, entry.key).arg(entry.line);
}

QString iniLinePlace(int line) {
    return QStringLiteral("第 %1 行: ").arg(line);
}

QString iniUnreadableText(const IniDocument& document) {
    return QStringLiteral("含有不是 %1 的字节, 未使用").arg(document.encodingName);
}

QString iniRepeatText(int firstLine) {
    return QStringLiteral("重复的键 (第 %1 行已有)").arg(firstLine);
}

} // namespace quorvane
