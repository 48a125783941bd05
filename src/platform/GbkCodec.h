#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace quorvane {

// Code page 936 (GBK), the 8-bit text of the statements' keywords, the result-page addresses and the
// scanned page markup. Characters GBK cannot hold become "?", one per character.
QByteArray toGbk(QStringView text);
// Bytes that are not valid GBK become U+FFFD.
QString fromGbk(QByteArrayView bytes);

} // namespace quorvane
