#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

namespace quorvane {

// The one reader of the INI files a user writes by hand beside the executable (Engines.ini,
// Endpoints.ini). QSettings would not do here: it reads only UTF-8, turns commas into lists and has its own
// escapes, while a marker text must arrive exactly as written, and it cannot say on which line a value
// stands.
//
// Form: "[Section]" lines, "Key=Value" lines, blank lines and comment lines starting with ";" or "#".
// Section names, keys and values are trimmed; a value written in double quotes keeps what is between them as
// it stands (leading and trailing spaces included). Nothing else is special: no escapes, no lists, and
// unless the file's readers ask for IniComments::AfterValues, no comments after a value.
//
// The text is decoded as the text imports are (decodeText): a line that is not valid in the file's encoding
// is kept with U+FFFD in place of its bad bytes and marked unreadable, so that its reader names it by its
// number instead of using it.

struct IniEntry {
    QString key;
    QString value;
    int line = 0;         // 1-based
    bool readable = true; // false: the line holds bytes that are not valid in the file's encoding
};

struct IniSection {
    QString name;
    int line = 0;
    bool readable = true;
    QList<IniEntry> entries;
    // Lines inside this section that are neither a key nor a section, by line number.
    QList<int> badLines;
};

struct IniDocument {
    QList<IniSection> sections;
    // Lines before the first section that are not blank or a comment.
    QList<int> linesOutsideSections;
    // Comment lines that hold unreadable bytes (other lines are entries, sections or bad lines).
    QList<int> unreadableLines;
    QString encodingName; // "UTF-8", "UTF-16" or "GBK": how the file was read, for the reports
};

// Endpoints.ini was written for a reader that takes an unquoted ";" after a value as the start of a
// comment ("Baidu=http://127.0.0.1:18081 ; local"); its readers keep that.
enum class IniComments { WholeLinesOnly, AfterValues };

// Files larger than this are not settings files.
inline constexpr qsizetype kMaxIniBytes = 1024 * 1024;

enum class IniFileState { Absent, Unreadable, Read };

struct IniFile {
    IniFileState state = IniFileState::Absent;
    QString path; // absolute, for the reports
    QString why;  // when Unreadable: the reason, in Chinese
    IniDocument document;
};

// Reads and parses the file. Unreadable, with nothing of it used, when it cannot be opened, is larger than
// kMaxIniBytes, holds control characters other than tab and line ends (a binary file), or when more than
// half of its lines that hold more than ASCII are not valid in the encoding chosen for it.
IniFile readIniFile(const QString& path, IniComments comments = IniComments::WholeLinesOnly);

// For a setting read as QSettings took it (Endpoints.ini): the key's entry that counts, the last one in
// the section (sections of one name count as one), when it is readable and `faultOf` finds nothing wrong with
// its value (an empty text); else nothing. Every unreadable or refused entry, and every repetition of the
// key, adds one line to `faults` naming section, key, line and value.
const IniEntry* lastValidSetting(const IniDocument& document, QStringView section, QStringView key,
                                 const std::function<QString(const QString&)>& faultOf, QStringList& faults);

// The places the reports name: "[Section] Key (第 3 行): " and "第 3 行: ".
QString iniPlace(const IniSection& section, const IniEntry& entry);
QString iniLinePlace(int line);
// What is wrong with an entry or line that is not valid in the file's encoding.
QString iniUnreadableText(const IniDocument& document);
// "重复的键 (第 2 行已有)": the fault of a later entry of a key.
QString iniRepeatText(int firstLine);

} // namespace quorvane
