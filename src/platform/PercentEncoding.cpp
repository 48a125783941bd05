#include "platform/PercentEncoding.h"

namespace quorvane {

QString percentEncode(QByteArrayView data) {
    static constexpr char hex[] = "0123456789ABCDEF";
    QString out;
    out.reserve(data.size() * 3);
    for (const char ch : data) {
        const auto b = static_cast<unsigned char>(ch);
        out += u'%';
        out += QLatin1Char(hex[b >> 4]);
        out += QLatin1Char(hex[b & 0x0F]);
    }
    return out;
}

} // namespace quorvane
