#include "platform/GbkCodec.h"

#include <unicode/ucnv.h>

#include <memory>

namespace quorvane {

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// One converter per thread: ICU converters keep state and are not shareable.
UConverter* gbk() {
    thread_local Converter converter = [] {
        UErrorCode status = U_ZERO_ERROR;
        Converter c(ucnv_open("windows-936-2000", &status));
        if (U_FAILURE(status) || !c) {
            status = U_ZERO_ERROR;
            c.reset(ucnv_open("GBK", &status));
        }
        if (c) {
            status = U_ZERO_ERROR;
            ucnv_setSubstChars(c.get(), "?", 1, &status);
        }
        return c;
    }();
    return converter.get();
}

} // namespace

QByteArray toGbk(QStringView text) {
    UConverter* conv = gbk();
    if (text.isEmpty() || !conv)
        return {};
    ucnv_resetFromUnicode(conv);
    QByteArray out;
    out.resize(UCNV_GET_MAX_BYTES_FOR_STRING(text.size(), ucnv_getMaxCharSize(conv)));
    UErrorCode status = U_ZERO_ERROR;
    const int32_t written = ucnv_fromUChars(conv, out.data(), static_cast<int32_t>(out.size()),
                                            reinterpret_cast<const UChar*>(text.utf16()),
                                            static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status))
        return {};
    out.truncate(written);
    return out;
}

QString fromGbk(QByteArrayView bytes) {
    UConverter* conv = gbk();
    if (bytes.isEmpty() || !conv)
        return {};
    ucnv_resetToUnicode(conv);
    QString out;
    out.resize(bytes.size() + 1);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t written =
        ucnv_toUChars(conv, reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                      bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status))
        return {};
    out.truncate(written);
    return out;
}

} // namespace quorvane
