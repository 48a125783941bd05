#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quorvane {

// The lines of an import file.
struct TextLines {
    bool readable = false; // false when the file is missing or cannot be read
    QStringList lines;     // each line without its line end, in file order
};

// Reads a text file with one entry per line. Files with a UTF-8 or UTF-16 byte-order mark, and files that
// are valid UTF-8 without one, are read as Unicode; anything else as GBK, the old program's code page.
// Lines end at CR LF, LF or CR; a line end after the last line adds no empty line.
TextLines ReadTextLines(const QString& fileName);

// The decoding step of ReadTextLines, on the file's bytes.
QString DecodeTextFile(const QByteArray& bytes);

} // namespace quorvane
