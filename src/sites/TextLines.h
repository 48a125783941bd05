#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quorvane {

// The lines of an import file.
struct TextLines {
    bool readable = false; // false when the file is missing or cannot be read
    QStringList lines;     // each line without its line end, in file order
    int undecodable = 0;   // lines left out because they are not text in the file's encoding
};

// Reads a text file with one entry per line. Lines end at CR LF, LF or CR; a line end after the last
// line adds no empty line. Files with a UTF-8 or UTF-16 byte-order mark are read as Unicode. Without one,
// the encoding is decided by the lines that hold more than ASCII: when at least half of them are valid
// UTF-8 the file is UTF-8 and its invalid lines are left out (counted in `undecodable`), so one damaged
// line never turns the whole file into garbled GBK; otherwise the file is GBK, the old program's code page.
TextLines readTextLines(const QString& fileName);

// The decoding step of readTextLines, on the file's bytes.
TextLines decodeTextLines(const QByteArray& bytes);

} // namespace quorvane
