#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

namespace quorvane {

// How the program reads a text file the user gave it (keyword and URL lists, Engines.ini, Endpoints.ini).
// A byte-order mark makes the file UTF-8 or UTF-16. Without one, the lines that hold more than ASCII decide:
// when at least half of them are valid UTF-8 the file is UTF-8, else GBK, the code page of the Chinese
// desktops the files come from.
// Chinese GBK text is almost never valid UTF-8, so one damaged line never turns a UTF-8 file into garbled
// GBK; it stays a line that is not valid in the file's encoding, and the reader says what to do with it.
enum class TextEncoding { Utf8, Utf16LE, Utf16BE, Gbk };

struct DecodedLine {
    QString text;      // bytes that are not valid in the encoding become U+FFFD
    bool valid = true; // every byte of the line is valid in the file's encoding
    bool ascii = true; // the line holds only ASCII (for the UTF-16 encodings: only characters below 0x80)
};

struct DecodedText {
    TextEncoding encoding = TextEncoding::Utf8;
    bool byteOrderMark = false;
    // Lines end at CR LF, LF or CR; a line end after the last line adds no empty line.
    QList<DecodedLine> lines;

    // Lines that hold more than ASCII, and how many of those are not valid in the encoding.
    qsizetype wideLines() const;
    qsizetype invalidLines() const;
};

DecodedText decodeText(QByteArrayView bytes);

} // namespace quorvane
