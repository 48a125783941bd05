#include "platform/GbkCodec.h"

#include <unicode/ucnv.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace quorvane {

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// One converter per thread: ICU converters keep state and are not shareable.
Converter openGbk() {
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
}

UConverter* gbk() {
    thread_local const Converter converter = openGbk();
    return converter.get();
}

// What the converter writes for each character of the BMP outside ASCII and the surrogates, made once by
// converting them all: a value below 0x100 is one byte ("?" for a character GBK cannot hold), a larger one
// two (the lead byte high); 0 where the converter wrote nothing. Converting a text character by character
// with it gives what the converter gives for the whole text (GBK keeps no state between characters).
const std::vector<std::uint16_t>& bmpToGbk() {
    static const std::vector<std::uint16_t> table = [] {
        std::vector<std::uint16_t> codes(0x10000, 0);
        const Converter conv = openGbk();
        if (!conv)
            return codes;
        std::u16string all;
        for (char32_t c = 0x80; c < 0x10000; ++c)
            if (c < 0xD800 || c > 0xDFFF)
                all.push_back(static_cast<char16_t>(c));
        std::string bytes(all.size() * 2 + 16, '\0');
        std::vector<int32_t> offsets(bytes.size(), -1);
        char* target = bytes.data();
        const auto* source = reinterpret_cast<const UChar*>(all.data());
        UErrorCode status = U_ZERO_ERROR;
        ucnv_fromUnicode(conv.get(), &target, bytes.data() + bytes.size(), &source, source + all.size(),
                         offsets.data(), true, &status);
        if (U_FAILURE(status))
            return codes;
        for (std::ptrdiff_t i = 0; i < target - bytes.data(); ++i) {
            if (offsets[i] < 0 || static_cast<size_t>(offsets[i]) >= all.size())
                return std::vector<std::uint16_t>(0x10000, 0);
            std::uint16_t& code = codes[all[static_cast<size_t>(offsets[i])]];
            code = static_cast<std::uint16_t>((code << 8U) | static_cast<unsigned char>(bytes[i]));
        }
        return codes;
    }();
    return table;
}

// Whether the eight bytes at p are all ASCII.
bool asciiWord(const char* p) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080ULL) == 0;
}

bool continuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF) {
    return byte >= low && byte <= high;
}

// Decodes a run of non-ASCII bytes that is well-formed UTF-8 (the shortest form, no surrogates, nothing above
// U+10FFFF) into UTF-16 at out (room for a unit per byte); the end of what was written, or null for anything
// else and for a byte-order mark, which the caller then leaves to Qt's decoder so that such text converts
// exactly as QString::fromUtf8 reads it.
char16_t* decodeWellFormed(const unsigned char* p, const unsigned char* const end, char16_t* out) {
    while (p < end) {
        const unsigned char lead = *p;
        const auto left = end - p;
        if (lead >= 0xE0 && lead <= 0xEF && left >= 3) { // the three-byte form of every CJK character first
            const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
            const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
            if (!continuation(p[1], low, high) || !continuation(p[2]) ||
                (lead == 0xEF && p[1] == 0xBB && p[2] == 0xBF))
                return nullptr;
            *out++ = static_cast<char16_t>(((lead & 0x0FU) << 12U) | ((p[1] & 0x3FU) << 6U) | (p[2] & 0x3FU));
            p += 3;
        } else if (lead >= 0xC2 && lead <= 0xDF && left >= 2 && continuation(p[1])) {
            *out++ = static_cast<char16_t>(((lead & 0x1FU) << 6U) | (p[1] & 0x3FU));
            p += 2;
        } else if (lead >= 0xF0 && lead <= 0xF4 && left >= 4) {
            const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
            const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
            if (!continuation(p[1], low, high) || !continuation(p[2]) || !continuation(p[3]))
                return nullptr;
            const char32_t code =
                ((lead & 0x07U) << 18U) | ((p[1] & 0x3FU) << 12U) | ((p[2] & 0x3FU) << 6U) | (p[3] & 0x3FU);
            *out++ = static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10U));
            *out++ = static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FFU));
            p += 4;
        } else {
            return nullptr;
        }
    }
    return out;
}

// Converts UTF-16 into GBK at out[at...] (room for two bytes per unit is there); the bytes written.
qsizetype fromUtf16Into(UConverter* conv, QByteArray& out, qsizetype at, const char16_t* text,
                        qsizetype size) {
    ucnv_resetFromUnicode(conv);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t written =
        ucnv_fromUChars(conv, out.data() + at, static_cast<int32_t>(out.size() - at),
                        reinterpret_cast<const UChar*>(text), static_cast<int32_t>(size), &status);
    return U_FAILURE(status) ? 0 : written;
}

// Converts a run of well-formed two- and three-byte UTF-8 characters straight from the table, which is most
// of the non-ASCII text of a page; the bytes written, or -1 when the run holds anything else (a character
// outside the BMP, text that is not well-formed, a byte-order mark, a character the table lacks), which the
// caller then converts the slower ways.
qsizetype tableRun(const unsigned char* p, const unsigned char* const end, char* out) {
    const std::vector<std::uint16_t>& table = bmpToGbk();
    char* const start = out;
    while (p < end) {
        const unsigned char lead = *p;
        char32_t code = 0;
        if (lead >= 0xE0 && lead <= 0xEF && end - p >= 3 &&
            continuation(p[1], lead == 0xE0 ? 0xA0 : 0x80, lead == 0xED ? 0x9F : 0xBF) &&
            continuation(p[2]) && !(lead == 0xEF && p[1] == 0xBB && p[2] == 0xBF)) {
            code = ((lead & 0x0FU) << 12U) | ((p[1] & 0x3FU) << 6U) | (p[2] & 0x3FU);
            p += 3;
        } else if (lead >= 0xC2 && lead <= 0xDF && end - p >= 2 && continuation(p[1])) {
            code = ((lead & 0x1FU) << 6U) | (p[1] & 0x3FU);
            p += 2;
        } else {
            return -1;
        }
        const std::uint16_t gbkCode = table[code];
        if (gbkCode == 0)
            return -1;
        if (gbkCode >= 0x100)
            *out++ = static_cast<char>(gbkCode >> 8U);
        *out++ = static_cast<char>(gbkCode & 0xFFU);
    }
    return out - start;
}

// Writes UTF-16 as GBK at out[at...], character by character from the table; a text with a character outside
// the BMP (or one the table lacks) goes through the converter. The end of what was written.
qsizetype appendWide(UConverter* conv, QByteArray& out, qsizetype at, const char16_t* text,
                     const char16_t* end) {
    const std::vector<std::uint16_t>& table = bmpToGbk();
    char* const start = out.data() + at;
    char* written = start;
    for (const char16_t* unit = text; unit != end; ++unit) {
        const std::uint16_t code = (*unit >= 0xD800 && *unit <= 0xDFFF) ? 0 : table[*unit];
        if (code == 0)
            return at + fromUtf16Into(conv, out, at, text, end - text);
        if (code >= 0x100)
            *written++ = static_cast<char>(code >> 8U);
        *written++ = static_cast<char>(code & 0xFFU);
    }
    return at + (written - start);
}

} // namespace

void appendUtf8AsGbk(QByteArray& out, QByteArrayView utf8) {
    UConverter* conv = gbk();
    if (utf8.isEmpty() || !conv)
        return;
    const qsizetype start = out.size();
    // A character never takes more bytes in GBK than in UTF-8 (a "?" stands for one of four bytes); the
    // terminating NUL ICU writes when there is room needs one more.
    out.resize(start + utf8.size() + 1);
    qsizetype at = start;
    thread_local std::u16string wide;
    const char* p = utf8.data();
    const char* const end = p + utf8.size();
    while (p < end) {
        const char* ascii = p;
        while (end - ascii >= 8 && asciiWord(ascii))
            ascii += 8;
        while (ascii < end && static_cast<unsigned char>(*ascii) < 0x80)
            ++ascii;
        std::memcpy(out.data() + at, p, static_cast<size_t>(ascii - p));
        at += ascii - p;
        if (ascii == end)
            break;
        const char* wideEnd = ascii;
        while (wideEnd < end && static_cast<unsigned char>(*wideEnd) >= 0x80)
            ++wideEnd;
        if (const qsizetype written =
                tableRun(reinterpret_cast<const unsigned char*>(ascii),
                         reinterpret_cast<const unsigned char*>(wideEnd), out.data() + at);
            written >= 0) {
            at += written;
            p = wideEnd;
            continue;
        }
        if (wide.size() < static_cast<size_t>(wideEnd - ascii))
            wide.resize(static_cast<size_t>(wideEnd - ascii));
        const char16_t* wideDone =
            decodeWellFormed(reinterpret_cast<const unsigned char*>(ascii),
                             reinterpret_cast<const unsigned char*>(wideEnd), wide.data());
        if (!wideDone) {
            // Text that is not well-formed: the whole of it goes through QString::fromUtf8, so that each
            // byte Qt replaces becomes the "?" toGbk gives for it.
            out.truncate(start);
            out.append(toGbk(QString::fromUtf8(utf8)));
            return;
        }
        at = appendWide(conv, out, at, wide.data(), wideDone);
        p = wideEnd;
    }
    out.truncate(at);
}

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
