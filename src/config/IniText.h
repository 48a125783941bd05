#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace quorvane {

// A small INI reader for files the user writes by hand (Engines.ini). QSettings would not do here: it
// reads only UTF-8, turns commas into lists and has its own escapes, while a marker text must arrive
// exactly as written.
//
// Form: "[Section]" lines, "Key=Value" lines, blank lines and comment lines starting with ";" or "#".
// Keys and values are trimmed; a value written in double quotes keeps what is between them as it stands
// (leading and trailing spaces included). Nothing else is special: no escapes, no lists, no comments after a
// value.

struct IniEntry {
    QString key;
    QString value;
    int line = 0; // 1-based
};

struct IniSection {
    QString name;
    int line = 0;
    QList<IniEntry> entries;
    // Lines inside this section that are neither a key nor a section, by line number.
    QList<int> badLines;
};

struct IniDocument {
    QList<IniSection> sections;
    // Lines before the first section that are not blank or a comment.
    QList<int> linesOutsideSections;
};

// Files larger than this are not definitions files.
inline constexpr qsizetype kMaxIniBytes = 1024 * 1024;

// The file's text: UTF-8 with or without a byte-order mark, UTF-16 with one, or GBK. Empty and a reason
// when the bytes are not such text (NUL or other control bytes, invalid in every one of them, too large).
std::optional<QString> decodeIniText(QByteArrayView bytes, QString& why);

IniDocument parseIni(QStringView text);

} // namespace quorvane
