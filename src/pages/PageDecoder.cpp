#include "pages/PageDecoder.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace quorvane {

namespace {

constexpr qsizetype kMetaScanBytes = 4096;

std::string_view asStdView(QByteArrayView v) {
    return {v.data(), static_cast<size_t>(v.size())};
}

bool isCharsetChar(char ch) {
    return (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '-' || ch == '_' || ch == '.' ||
           ch == ':';
}

// The token after "charset" [spaces] "=" [spaces, quotes] in lower-case text, or empty.
QByteArray charsetAfter(std::string_view lower, size_t from) {
    size_t i = from + std::string_view("charset").size();
    while (i < lower.size() && (lower[i] == ' ' || lower[i] == '\t'))
        ++i;
    if (i >= lower.size() || lower[i] != '=')
        return {};
    ++i;
    while (i < lower.size() && (lower[i] == ' ' || lower[i] == '\t' || lower[i] == '"' || lower[i] == '\''))
        ++i;
    const size_t begin = i;
    while (i < lower.size() && isCharsetChar(lower[i]))
        ++i;
    return QByteArray(lower.data() + begin, static_cast<qsizetype>(i - begin));
}

enum class Charset { Utf8, Gbk, Other, Unknown };

Charset classify(const QByteArray& label) {
    static constexpr std::array<std::string_view, 2> utf8{"utf-8", "utf8"};
    // Pages labelled with any GB2312 name were GBK in practice; browsers decode them as GBK.
    static constexpr std::array<std::string_view, 12> gbk{
        "gbk",     "gb2312",     "x-gbk",    "cp936",     "windows-936",     "ms936",
        "chinese", "gb_2312-80", "csgb2312", "iso-ir-58", "csiso58gb231280", "euc-cn"};
    if (label.isEmpty())
        return Charset::Unknown;
    for (const auto name : utf8)
        if (asStdView(label) == name)
            return Charset::Utf8;
    for (const auto name : gbk)
        if (asStdView(label) == name)
            return Charset::Gbk;
    return Charset::Other;
}

// ICU conversion straight to UTF-8; empty when ICU does not know the charset.
QByteArray convertToUtf8(QByteArrayView page, const char* icuName, bool* known) {
    *known = true;
    if (page.isEmpty())
        return {};
    // One source byte never needs more than three UTF-8 bytes (four-byte GB18030 sequences give four).
    QByteArray out;
    out.resize(page.size() * 3 + 16);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t written = ucnv_convert("UTF-8", icuName, out.data(), static_cast<int32_t>(out.size()),
                                         page.data(), static_cast<int32_t>(page.size()), &status);
    if (U_FAILURE(status)) {
        *known = status != U_FILE_ACCESS_ERROR && status != U_ILLEGAL_ARGUMENT_ERROR;
        return {};
    }
    out.truncate(written);
    return out;
}

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};

// Whether the charset writes the printable ASCII characters as ASCII bytes. A charset that does not (UTF-16,
// UTF-32, EBCDIC) cannot have spelled the ASCII markup in which a page names it.
bool isAsciiCompatible(const QByteArray& label) {
    static constexpr std::string_view probe = "<meta charset=\"x\"> AZaz09!~";
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open(label.constData(), &status));
    if (U_FAILURE(status))
        return false;
    std::array<UChar, probe.size() * 2> text{};
    const int32_t length = ucnv_toUChars(converter.get(), text.data(), static_cast<int32_t>(text.size()),
                                         probe.data(), static_cast<int32_t>(probe.size()), &status);
    if (U_FAILURE(status) || length != static_cast<int32_t>(probe.size()))
        return false;
    return std::equal(probe.begin(), probe.end(), text.begin(),
                      [](char ascii, UChar unit) { return static_cast<UChar>(ascii) == unit; });
}

// Whether the start of the body holds a NUL byte, as UTF-16 and UTF-32 markup does beside every ASCII
// character; pages in the ASCII-compatible charsets never do.
bool looksWide(QByteArrayView page) {
    return page.first(std::min(page.size(), kMetaScanBytes)).contains('\0');
}

// One GBK decoder per thread, with ICU's default substitutions, as ucnv_convert would open it.
UConverter* gbkDecoder() {
    thread_local const std::unique_ptr<UConverter, ConverterCloser> converter = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<UConverter, ConverterCloser> opened(ucnv_open("windows-936-2000", &status));
        if (U_FAILURE(status) || !opened) {
            status = U_ZERO_ERROR;
            opened.reset(ucnv_open("GBK", &status));
            if (U_FAILURE(status))
                opened.reset();
        }
        return opened;
    }();
    return converter.get();
}

bool asciiWord(const char* p) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080ULL) == 0;
}

// Writes UTF-16 (GBK's characters all lie in the BMP; a lone surrogate cannot come out of the decoder) as
// UTF-8 at out; the end of what was written.
char* writeUtf8(const char16_t* text, qsizetype size, char* out) {
    for (qsizetype i = 0; i < size; ++i) {
        char32_t code = text[i];
        if (code >= 0x800 && (code < 0xD800 || code > 0xDFFF)) { // every CJK character
            *out++ = static_cast<char>(0xE0 | (code >> 12U));
            *out++ = static_cast<char>(0x80 | ((code >> 6U) & 0x3FU));
            *out++ = static_cast<char>(0x80 | (code & 0x3FU));
            continue;
        }
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < size && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
            code = 0x10000 + ((code - 0xD800) << 10U) + (text[++i] - 0xDC00);
        else if (code >= 0xD800 && code <= 0xDFFF)
            code = 0xFFFD;
        if (code < 0x80) {
            *out++ = static_cast<char>(code);
        } else if (code < 0x800) {
            *out++ = static_cast<char>(0xC0 | (code >> 6U));
            *out++ = static_cast<char>(0x80 | (code & 0x3FU));
        } else if (code < 0x10000) {
            *out++ = static_cast<char>(0xE0 | (code >> 12U));
            *out++ = static_cast<char>(0x80 | ((code >> 6U) & 0x3FU));
            *out++ = static_cast<char>(0x80 | (code & 0x3FU));
        } else {
            *out++ = static_cast<char>(0xF0 | (code >> 18U));
            *out++ = static_cast<char>(0x80 | ((code >> 12U) & 0x3FU));
            *out++ = static_cast<char>(0x80 | ((code >> 6U) & 0x3FU));
            *out++ = static_cast<char>(0x80 | (code & 0x3FU));
        }
    }
    return out;
}

// A GBK page as UTF-8, in one pass: runs of ASCII (most of a page's markup) are copied as they stand, the
// rest goes through the code page. GBK characters are at most two bytes long, and the second may be ASCII
// ("\x81\x40"), so each piece sent to the code page runs up to and including the first ASCII byte after a
// non-ASCII one: whatever the bytes before it were, the decoder stands at a character's start after that
// byte, so the pieces decode as the whole page would.
QByteArray gbkToUtf8(QByteArrayView page) {
    UConverter* decoder = gbkDecoder();
    if (!decoder || page.isEmpty())
        return {};
    // One byte never gives more than three UTF-8 bytes (U+FFFD for a byte that is not GBK).
    QByteArray out;
    out.resize(page.size() * 3 + 16);
    char* at = out.data();
    thread_local std::u16string wide;
    const char* p = page.data();
    const char* const end = p + page.size();
    while (p < end) {
        const char* ascii = p;
        while (end - ascii >= 8 && asciiWord(ascii))
            ascii += 8;
        while (ascii < end && static_cast<unsigned char>(*ascii) < 0x80)
            ++ascii;
        std::memcpy(at, p, static_cast<size_t>(ascii - p));
        at += ascii - p;
        if (ascii == end)
            break;
        const char* pieceEnd = ascii;
        while (pieceEnd < end && static_cast<unsigned char>(*pieceEnd) >= 0x80)
            ++pieceEnd;
        if (pieceEnd < end)
            ++pieceEnd;
        const auto pieceSize = static_cast<int32_t>(pieceEnd - ascii);
        wide.resize(static_cast<size_t>(pieceSize) + 1); // a character per byte at most
        ucnv_resetToUnicode(decoder);
        UErrorCode status = U_ZERO_ERROR;
        const int32_t units = ucnv_toUChars(decoder, reinterpret_cast<UChar*>(wide.data()),
                                            static_cast<int32_t>(wide.size()), ascii, pieceSize, &status);
        if (U_FAILURE(status))
            return {};
        at = writeUtf8(wide.data(), units, at);
        p = pieceEnd;
    }
    out.truncate(at - out.data());
    return out;
}

} // namespace

QByteArray charsetFromContentType(QByteArrayView contentType) {
    const QByteArray lower = contentType.toByteArray().toLower();
    const size_t at = asStdView(lower).find("charset");
    if (at == std::string_view::npos)
        return {};
    return charsetAfter(asStdView(lower), at);
}

QByteArray charsetFromMeta(QByteArrayView page) {
    const QByteArray lower = page.first(std::min(page.size(), kMetaScanBytes)).toByteArray().toLower();
    const std::string_view text = asStdView(lower);
    size_t at = 0;
    while ((at = text.find("<meta", at)) != std::string_view::npos) {
        const size_t end = std::min(text.find('>', at), text.size());
        const std::string_view tag = text.substr(at, end - at);
        const size_t charset = tag.find("charset");
        if (charset != std::string_view::npos) {
            QByteArray label = charsetAfter(tag, charset);
            if (!label.isEmpty())
                return label;
        }
        at = end;
    }
    return {};
}

QByteArray pageToUtf8(QByteArrayView page, QByteArrayView headerCharset) {
    if (page.startsWith("\xEF\xBB\xBF"))
        return page.sliced(3).toByteArray();
    bool known = false;
    if (page.startsWith("\xFF\xFE"))
        return convertToUtf8(page.sliced(2), "UTF-16LE", &known);
    if (page.startsWith("\xFE\xFF"))
        return convertToUtf8(page.sliced(2), "UTF-16BE", &known);

    // Browsers read a UTF-16 label in the markup as UTF-8, since the markup that holds it is not UTF-16; any
    // charset that cannot spell ASCII is treated so here, and the page counts as undeclared. The header is
    // believed more, as browsers do, but not for a body without a NUL byte: such a label on a GBK or UTF-8
    // body is a server's mistake, and believing it would turn the whole page into unreadable text.
    QByteArray label = headerCharset.toByteArray().toLower();
    if (classify(label) == Charset::Other && !looksWide(page) && !isAsciiCompatible(label))
        label.clear();
    if (classify(label) == Charset::Unknown) {
        label = charsetFromMeta(page);
        if (classify(label) == Charset::Other && !isAsciiCompatible(label))
            label.clear();
    }
    switch (classify(label)) {
    case Charset::Utf8:
        return page.toByteArray(); // the parser replaces invalid sequences itself
    case Charset::Gbk:
        return gbkToUtf8(page);
    case Charset::Other: {
        QByteArray out = convertToUtf8(page, label.constData(), &known);
        if (known)
            return out;
        break; // an unknown label counts as none
    }
    case Charset::Unknown:
        break;
    }
    return page.isValidUtf8() ? page.toByteArray() : gbkToUtf8(page);
}

} // namespace quorvane
