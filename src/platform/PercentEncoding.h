#pragma once

#include <QByteArrayView>
#include <QString>

namespace quorvane {

// Every byte as %XX with two upper-case hexadecimal digits, letters and digits included.
QString percentEncode(QByteArrayView data);

} // namespace quorvane
