#include "platform/NestingGuard.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

namespace {

bool isLetter(char ch) {
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}

// Elements that never hold children, or whose end tag the parser supplies itself when a sibling or the
// parent ends: neither kind makes the tree deeper in a way that lasts.
bool isUncounted(std::string_view name) {
    static constexpr std::array<std::string_view, 36> names{
        "area",  "base",  "basefont", "bgsound",  "br",   "col",  "embed", "frame",    "hr",
        "img",   "image", "input",    "keygen",   "link", "meta", "param", "source",   "track",
        "wbr",   "p",     "li",       "dt",       "dd",   "td",   "th",    "tr",       "tbody",
        "thead", "tfoot", "option",   "optgroup", "rb",   "rt",   "rp",    "colgroup", "caption"};
    for (const auto n : names)
        if (n == name)
            return true;
    return false;
}

// Elements whose content is text up to their own end tag.
bool isRawText(std::string_view name) {
    return name == "script" || name == "style" || name == "textarea" || name == "title" || name == "xmp" ||
           name == "iframe" || name == "noembed" || name == "noframes" || name == "plaintext";
}

// Where the raw text that starts at from ends: at its element's end tag, or at the end of the page.
size_t rawTextEnd(std::string_view text, size_t from, std::string_view name) {
    size_t at = from;
    while ((at = text.find("</", at)) != std::string_view::npos) {
        size_t k = 0;
        while (k < name.size() && at + 2 + k < text.size() && (text[at + 2 + k] | 0x20) == name[k])
            ++k;
        if (k == name.size())
            return at;
        at += 2;
    }
    return text.size();
}

} // namespace

qsizetype NestingSafeLength(QByteArrayView html, int maxDepth) {
    const std::string_view text(html.data(), static_cast<size_t>(html.size()));
    std::vector<std::string> open;
    std::string name;
    size_t i = 0;
    while ((i = text.find('<', i)) != std::string_view::npos) {
        const size_t tagStart = i;
        if (text.compare(i, 4, "<!--") == 0) {
            const size_t end = text.find("-->", i + 4);
            if (end == std::string_view::npos)
                break;
            i = end + 3;
            continue;
        }
        const bool isEnd = i + 1 < text.size() && text[i + 1] == '/';
        size_t n = i + (isEnd ? 2 : 1);
        if (n >= text.size() || !isLetter(text[n])) {
            ++i;
            continue;
        }
        name.clear();
        while (n < text.size() && text[n] != '>' && text[n] != '/' &&
               static_cast<unsigned char>(text[n]) > ' ') {
            const char ch = text[n++];
            name += (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
        }
        const size_t close = text.find('>', n);
        if (close == std::string_view::npos)
            break;
        i = close + 1;
        if (isEnd) {
            // Closes everything up to its nearest open start tag; a stray end tag closes nothing.
            for (size_t k = open.size(); k > 0; --k) {
                if (open[k - 1] == name) {
                    open.resize(k - 1);
                    break;
                }
            }
            continue;
        }
        if (isRawText(name)) {
            i = rawTextEnd(text, i, name);
            continue;
        }
        if (isUncounted(name))
            continue;
        if (static_cast<int>(open.size()) >= maxDepth)
            return static_cast<qsizetype>(tagStart);
        open.push_back(name);
    }
    return html.size();
}

} // namespace quorvane
