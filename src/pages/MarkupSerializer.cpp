#include "pages/MarkupSerializer.h"

#include <gumbo.h>

#include <QByteArray>

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvane {

namespace {

bool serializesAsVoid(GumboTag tag) {
    switch (tag) {
    case GUMBO_TAG_AREA:
    case GUMBO_TAG_BASE:
    case GUMBO_TAG_BASEFONT:
    case GUMBO_TAG_BGSOUND:
    case GUMBO_TAG_BR:
    case GUMBO_TAG_COL:
    case GUMBO_TAG_EMBED:
    case GUMBO_TAG_FRAME:
    case GUMBO_TAG_HR:
    case GUMBO_TAG_IMAGE:
    case GUMBO_TAG_IMG:
    case GUMBO_TAG_INPUT:
    case GUMBO_TAG_KEYGEN:
    case GUMBO_TAG_LINK:
    case GUMBO_TAG_META:
    case GUMBO_TAG_PARAM:
    case GUMBO_TAG_SOURCE:
    case GUMBO_TAG_TRACK:
    case GUMBO_TAG_WBR:
        return true;
    default:
        return false;
    }
}

// Text that the parser took literally is written back literally.
bool serializesAsRawText(GumboTag tag) {
    switch (tag) {
    case GUMBO_TAG_SCRIPT:
    case GUMBO_TAG_STYLE:
    case GUMBO_TAG_XMP:
    case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_NOEMBED:
    case GUMBO_TAG_NOFRAMES:
    case GUMBO_TAG_NOSCRIPT:
    case GUMBO_TAG_PLAINTEXT:
        return true;
    default:
        return false;
    }
}

bool keepsWhitespace(GumboTag tag) {
    switch (tag) {
    case GUMBO_TAG_PRE:
    case GUMBO_TAG_TEXTAREA:
    case GUMBO_TAG_LISTING:
    case GUMBO_TAG_PLAINTEXT:
    case GUMBO_TAG_SCRIPT:
    case GUMBO_TAG_STYLE:
        return true;
    default:
        return false;
    }
}

const GumboVector& childrenOf(const GumboNode* node) {
    return node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
}

GumboTag tagOf(const GumboNode* node) {
    return node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE ? node->v.element.tag
                                                                                 : GUMBO_TAG_UNKNOWN;
}

std::string_view piece(const GumboStringPiece& p) {
    return {p.data, p.length};
}

// The upper-case names of the tags gumbo knows, made once: a tag name is appended in one piece.
const std::array<std::string, GUMBO_TAG_LAST>& upperCaseTagNames() {
    static const std::array<std::string, GUMBO_TAG_LAST> names = [] {
        std::array<std::string, GUMBO_TAG_LAST> made;
        for (int tag = 0; tag < GUMBO_TAG_LAST; ++tag) {
            made[tag] = gumbo_normalized_tagname(static_cast<GumboTag>(tag));
            for (char& ch : made[tag])
                ch = ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch;
        }
        return made;
    }();
    return names;
}

// Builds UTF-8 (gumbo's own encoding) into one buffer reserved for the whole page.
class Writer {
public:
    Writer(const GumboNode* body, qsizetype expectedSize)
        : body_(body) {
        out_.reserve(expectedSize);
    }

    void writeInner(const GumboNode* element) {
        struct Frame {
            const GumboNode* node;
            unsigned int next;
        };
        std::vector<Frame> stack;
        stack.push_back({element, 0});
        while (!stack.empty()) {
            const GumboNode* parent = stack.back().node;
            const GumboVector& children = childrenOf(parent);
            if (stack.back().next >= children.length) {
                stack.pop_back();
                if (parent == body_)
                    bodyEnd_ = out_.size();
                if (!stack.empty())
                    writeEndTag(parent);
                continue;
            }
            const auto* child = static_cast<const GumboNode*>(children.data[stack.back().next++]);
            switch (child->type) {
            case GUMBO_NODE_ELEMENT:
            case GUMBO_NODE_TEMPLATE:
                writeStartTag(child);
                if (child == body_)
                    bodyBegin_ = out_.size();
                if (serializesAsVoid(child->v.element.tag)) {
                    if (child == body_)
                        bodyEnd_ = out_.size();
                } else {
                    stack.push_back({child, 0});
                }
                break;
            case GUMBO_NODE_TEXT:
                if (serializesAsRawText(tagOf(parent)))
                    out_.append(child->v.text.text);
                else
                    writeEscaped(child->v.text.text, false);
                break;
            case GUMBO_NODE_WHITESPACE:
                if (keepsWhitespace(tagOf(parent)))
                    out_.append(child->v.text.text);
                break;
            case GUMBO_NODE_CDATA:
                out_.append("<![CDATA[").append(child->v.text.text).append("]]>");
                break;
            case GUMBO_NODE_COMMENT:
                out_.append("<!--").append(child->v.text.text).append("-->");
                break;
            case GUMBO_NODE_DOCUMENT:
                break;
            }
        }
    }

    const QByteArray& utf8() const { return out_; }
    QByteArray takeUtf8() { return std::move(out_); }
    qsizetype bodyBegin() const { return bodyBegin_; }
    qsizetype bodyEnd() const { return bodyEnd_; }

private:
    void writeTagName(const GumboNode* node) {
        const GumboElement& e = node->v.element;
        if (e.tag != GUMBO_TAG_UNKNOWN && e.tag < GUMBO_TAG_LAST) {
            const std::string& name = upperCaseTagNames()[e.tag];
            out_.append(name.data(), static_cast<qsizetype>(name.size()));
            return;
        }
        GumboStringPiece original = e.original_tag;
        gumbo_tag_from_original_text(&original);
        const qsizetype at = out_.size();
        out_.append(original.data, static_cast<qsizetype>(original.length));
        for (char* ch = out_.data() + at; ch != out_.data() + out_.size(); ++ch)
            *ch = *ch >= 'a' && *ch <= 'z' ? static_cast<char>(*ch - 'a' + 'A') : *ch;
    }

    void writeStartTag(const GumboNode* node) {
        out_.append('<');
        writeTagName(node);
        const GumboVector& attributes = node->v.element.attributes;
        for (unsigned int i = 0; i < attributes.length; ++i)
            writeAttribute(*static_cast<const GumboAttribute*>(attributes.data[i]));
        out_.append('>');
    }

    void writeEndTag(const GumboNode* node) {
        out_.append("</");
        writeTagName(node);
        out_.append('>');
    }

    void writeAttribute(const GumboAttribute& a) {
        out_.append(' ');
        const std::string_view written = piece(a.original_name);
        if (written.empty())
            out_.append(a.name);
        else
            out_.append(written.data(), static_cast<qsizetype>(written.size()));
        const std::string_view value(a.value);
        // The parser points the value of an attribute written without one at its name: <INPUT checked>.
        if (value.empty() && (a.original_value.length == 0 || a.original_value.data == a.original_name.data))
            return;
        out_.append('=');
        if (std::string_view(a.name) == "href" || needsQuotes(value)) {
            out_.append('"');
            writeEscaped(value, true);
            out_.append('"');
        } else {
            writeEscaped(value, true);
        }
    }

    static bool needsQuotes(std::string_view value) {
        if (value.empty())
            return true;
        for (const char ch : value) {
            switch (ch) {
            case ' ':
            case '\t':
            case '\n':
            case '\r':
            case '\f':
            case '"':
            case '\'':
            case '=':
            case '<':
            case '>':
            case '`':
                return true;
            default:
                break;
            }
        }
        return false;
    }

    // Copies runs of ordinary bytes in one piece and replaces the few that need an entity.
    void writeEscaped(std::string_view text, bool inAttribute) {
        size_t runStart = 0;
        auto flush = [&](size_t end) {
            if (end > runStart)
                out_.append(text.data() + runStart, static_cast<qsizetype>(end - runStart));
        };
        for (size_t i = 0; i < text.size(); ++i) {
            const char ch = text[i];
            const char* entity = nullptr;
            size_t length = 1;
            if (ch == '&')
                entity = "&amp;";
            else if (ch == '<' && !inAttribute)
                entity = "&lt;";
            else if (ch == '>' && !inAttribute)
                entity = "&gt;";
            else if (ch == '"' && inAttribute)
                entity = "&quot;";
            else if (ch == '\xC2' && i + 1 < text.size() && text[i + 1] == '\xA0') {
                entity = "&nbsp;";
                length = 2;
            }
            if (!entity)
                continue;
            flush(i);
            out_.append(entity);
            i += length - 1;
            runStart = i + 1;
        }
        flush(text.size());
    }

    const GumboNode* body_;
    QByteArray out_;
    qsizetype bodyBegin_ = -1;
    qsizetype bodyEnd_ = -1;
};

// Room for the serialisation of a page parsed from sourceSize bytes: it is mostly shorter than the source
// (layout white space and quotes dropped) but may be longer (end tags and TBODY added, entities).
qsizetype expectedMarkupSize(qsizetype sourceSize) {
    return sourceSize + sourceSize / 8 + 256;
}

} // namespace

QString innerMarkup(const GumboInternalNode* element) {
    if (!element)
        return {};
    Writer writer(nullptr, 0);
    writer.writeInner(element);
    return QString::fromUtf8(writer.utf8());
}

RootMarkup innerMarkupWithBody(const GumboInternalNode* root, const GumboInternalNode* body,
                               qsizetype sourceSize) {
    RootMarkup result;
    if (!root)
        return result;
    Writer writer(body, expectedMarkupSize(sourceSize));
    writer.writeInner(root);
    if (writer.bodyBegin() >= 0 && writer.bodyEnd() >= writer.bodyBegin()) {
        result.bodyBegin = writer.bodyBegin();
        result.bodyEnd = writer.bodyEnd();
    }
    result.utf8 = writer.takeUtf8();
    return result;
}

} // namespace quorvane
