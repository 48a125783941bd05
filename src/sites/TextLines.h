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

// Reads a text file with one entry per line, in the encoding decodeText (platform/TextDecoding.h) decides.
// In a UTF-8 file without a byte-order mark, lines that are not valid UTF-8 are left out (counted in
// `undecodable`), so one damaged line never turns the whole file into garbled GBK.
TextLines readTextLines(const QString& fileName);

// The decoding step of readTextLines, on the file's bytes.
TextLines decodeTextLines(const QByteArray& bytes);

// The lines an import can store: blank lines are left out (they would store empty names) and a line holding
// a NUL character is counted as unusable (it cannot be put into a statement).
struct StorableLines {
    QStringList lines;
    int unusable = 0;
};
StorableLines storableLines(const QStringList& lines);

} // namespace quorvane
