#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace quorvane {

// Code page 936 (GBK), the 8-bit text of the statements' keywords, the result-page addresses and the
// scanned page markup. Characters GBK cannot hold become "?", one per character.
QByteArray toGbk(QStringView text);
// The same for UTF-8 text, appended to out: gives what toGbk(QString::fromUtf8(utf8)) gives, without the
// UTF-16 text in between. Runs of ASCII are copied as they stand (most of a serialised page is ASCII markup).
void appendUtf8AsGbk(QByteArray& out, QByteArrayView utf8);
// Bytes that are not valid GBK become U+FFFD.
QString fromGbk(QByteArrayView bytes);

} // namespace quorvane
