#include "pages/NestingGuard.h"

#include "pages/HtmlTagKinds.h"

#include <gumbo.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

namespace {

using namespace html;

bool isSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\f';
}

bool isLetter(char ch) {
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}

char lower(char ch) {
    return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
}

// What a text between two tags holds: the parser drops NUL characters (outside SVG and MathML), and reads
// spaces apart from other text in tables.
enum class TextRun : std::uint8_t { Nuls, Spaces, SpacesAndNuls, Other };

constexpr std::uint64_t kNoName = ~std::uint64_t{0}; // a name hash that no element has

// One tag as the tokenizer reads it.
struct Tag {
    TagId id = GUMBO_TAG_UNKNOWN;
    // Of its name in lower case (an end tag's: of all between "</" and ">"): SVG and MathML elements are told
    // apart by name.
    std::uint64_t nameHash = 0;
    bool isEnd = false;
    bool selfClosing = false;
    int attributes = 0;
    std::uint64_t attributesHash = 0; // the same for tags with the same attributes, in any order
    bool hiddenType = false;          // its (first) type attribute says "hidden", as for a hidden input
    bool colorFaceOrSize = false;     // has one of these attributes, with which a <font> leaves SVG or MathML
    size_t end = 0;                   // just after its '>'
};

bool equalsFolded(std::string_view text, std::string_view lowerCase) {
    return text.size() == lowerCase.size() && std::equal(text.begin(), text.end(), lowerCase.begin(),
                                                         [](char a, char b) { return lower(a) == b; });
}

std::uint64_t hashText(std::string_view text, bool foldCase) {
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (const char ch : text) {
        hash ^= static_cast<unsigned char>(foldCase ? lower(ch) : ch);
        hash *= 1099511628211ull;
    }
    return hash;
}

class Tokenizer {
public:
    explicit Tokenizer(std::string_view text)
        : text_(text) {}

    // Reads the tag that starts at the '<' at `at`, attributes and all, as the HTML tokenizer does: a '>'
    // inside a quoted value does not end it. False when the page ends inside the tag.
    bool readTag(size_t at, Tag& tag) {
        tag = Tag{};
        typeSeen_ = false;
        size_t i = at + 1;
        if (text_[i] == '/') {
            tag.isEnd = true;
            ++i;
        }
        name_.clear();
        while (i < text_.size() && !isSpace(text_[i]) && text_[i] != '/' && text_[i] != '>')
            name_ += lower(text_[i++]);
        tag.id = idOf(name_);
        tag.nameHash = hashText(name_, false);
        for (;;) {
            if (i >= text_.size())
                return false;
            const char ch = text_[i];
            if (ch == '>') {
                tag.end = i + 1;
                if (tag.isEnd) // matched against SVG and MathML elements by all it holds, not its name alone
                    tag.nameHash = hashText(text_.substr(at + 2, i - at - 2), true);
                return true;
            }
            if (ch == '/') {
                if (i + 1 < text_.size() && text_[i + 1] == '>') {
                    tag.selfClosing = true;
                    tag.end = i + 2;
                    if (tag.isEnd)
                        tag.nameHash = hashText(text_.substr(at + 2, i + 1 - at - 2), true);
                    return true;
                }
                ++i;
                continue;
            }
            if (isSpace(ch)) {
                ++i;
                continue;
            }
            i = readAttribute(i, tag);
        }
    }

    // The parser tells elements apart by its tag numbers only: an end tag of any element it does not know
    // closes the nearest open element it does not know, whatever their names.
    static TagId idOf(const std::string& name) {
        return gumbo_tagn_enum(name.data(), static_cast<unsigned int>(name.size()));
    }

private:
    // Reads one attribute from its first character; returns where the next one may start.
    size_t readAttribute(size_t i, Tag& tag) {
        const size_t nameStart = i++; // the first character may even be '='
        while (i < text_.size() && !isSpace(text_[i]) && text_[i] != '/' && text_[i] != '>' &&
               text_[i] != '=')
            ++i;
        const std::string_view name = text_.substr(nameStart, i - nameStart);
        std::uint64_t hash = hashText(name, true);
        std::string_view value;
        size_t j = i;
        while (j < text_.size() && isSpace(text_[j]))
            ++j;
        if (j < text_.size() && text_[j] == '=') {
            ++j;
            while (j < text_.size() && isSpace(text_[j]))
                ++j;
            size_t valueStart = j;
            if (j < text_.size() && (text_[j] == '"' || text_[j] == '\'')) {
                valueStart = j + 1;
                j = std::min(text_.find(text_[j], valueStart), text_.size());
                value = text_.substr(valueStart, j - valueStart);
                i = std::min(j + 1, text_.size());
            } else {
                while (j < text_.size() && !isSpace(text_[j]) && text_[j] != '>')
                    ++j;
                value = text_.substr(valueStart, j - valueStart);
                i = j;
            }
            hash = hash * 31 + hashText(value, false);
        }
        if (equalsFolded(name, "color") || equalsFolded(name, "face") || equalsFolded(name, "size"))
            tag.colorFaceOrSize = true;
        // The parser keeps the first of repeated attributes.
        if (!typeSeen_ && equalsFolded(name, "type")) {
            typeSeen_ = true;
            tag.hiddenType = equalsFolded(value, "hidden");
        }
        ++tag.attributes;
        tag.attributesHash += hash;
        return i;
    }

    std::string_view text_;
    std::string name_;
    bool typeSeen_ = false;
};

// The parser's stack of open elements and its list of active formatting elements, as far as they decide how
// deep the tree grows and how many nodes it gets.
class TreeModel {
public:
    TreeModel(int maxDepth, qsizetype maxNodes)
        : maxDepth_(maxDepth)
        , maxNodes_(maxNodes) {}

    qsizetype nodes() const { return nodes_; }
    bool overNodeLimit() const { return nodes_ > maxNodes_; }
    // Whether the current element is SVG or MathML, where tags are read as foreign ones; not so in their
    // integration points (<mi>, <foreignObject>, ...), which hold HTML.
    bool inForeignContent() const {
        return !stack_.empty() && stack_.back().isForeign() && !isIntegrationPointAt(stack_.back());
    }
    bool currentIsForeign() const { return !stack_.empty() && stack_.back().isForeign(); }
    // Whether the current element is this HTML one: a raw text element whose start tag was not dropped.
    bool currentIs(TagId tag) const { return !stack_.empty() && isHtml(stack_.back(), tag); }

    // Each of these is false when the token would nest deeper than the limit.
    bool text(TextRun run) {
        if (run == TextRun::Nuls && !inForeignContent()) {
            // Dropped, outside SVG and MathML; in a column group, after closing it.
            if (mode() == Mode::ColumnGroup && currentIs(GUMBO_TAG_COLGROUP))
                closePart(Mode::Table);
            return true;
        }
        const bool whitespaceOnly = run == TextRun::Spaces || run == TextRun::SpacesAndNuls;
        ++nodes_;
        if (inForeignContent())
            return true; // formatting is not reopened inside SVG or MathML
        switch (mode()) {
        case Mode::Select:
        case Mode::SelectInTable:
            return true;
        case Mode::ColumnGroup:
            // A template that holds columns drops other text.
            if (run == TextRun::Spaces || !currentIs(GUMBO_TAG_COLGROUP))
                return true;
            if (whitespaceOnly) {
                closePart(Mode::Table); // a NUL closes the column group, and the table drops it
                return true;
            }
            // The parser splits the text: its leading spaces stay in the column group, which the rest closes
            // and goes before the table.
            ++nodes_;
            closePart(Mode::Table);
            return reopenFormatting();
        case Mode::Table:
        case Mode::TableBody:
        case Mode::Row:
            // Spaces stay in the table; other text goes before it, formatted as before the table.
            return whitespaceOnly || reopenFormatting();
        default:
            return reopenFormatting();
        }
    }

    void comment() { ++nodes_; }
    void leaveQuirksMode() { tablesCloseParagraphs_ = true; }

    bool startTag(const Tag& tag) {
        nodes_ += tag.attributes;
        return startElement(tag);
    }

    bool endTag(const Tag& tag) {
        const TagId id = tag.id;
        if (isRawText(id) && currentIs(id)) {
            pop(); // the end of its text
            return true;
        }
        if (currentIsForeign()) {
            // An end tag closes its SVG or MathML element, found by name; failing that, the HTML element
            // below reads it.
            for (size_t k = stack_.size(); k > 0 && stack_[k - 1].isForeign(); --k) {
                if (tag.nameHash != kNoName && stack_[k - 1].nameHash == tag.nameHash) {
                    popTo(k - 1);
                    return true;
                }
            }
        }
        if (id == GUMBO_TAG_TEMPLATE) {
            // Closes the template whatever stands above it.
            if (openCount(id) > 0 && std::any_of(stack_.begin(), stack_.end(), [](const Open& open) {
                    return isHtml(open, GUMBO_TAG_TEMPLATE);
                }))
                closeMarked({GUMBO_TAG_TEMPLATE});
            return true;
        }
        switch (mode()) {
        case Mode::Select:
        case Mode::SelectInTable:
            return endInSelect(tag);
        case Mode::Body:
            return endInBody(tag);
        case Mode::Template:
            return true; // other end tags are dropped there
        default:
            return endInTable(tag) || endInBody(tag);
        }
    }

private:
    static constexpr TagId kMarker = -1;
    static constexpr TagId kLeftStack = -2; // an element that left the stack but still holds the ones above
    static constexpr int kMaxAdoptionRounds = 8; // blocks moved out of one formatting element, at most

    // How the parser reads the next token: as in the body, or as in a part of a table, or in a select (then
    // with an eye on the table around it). The nearest table part or select on the stack decides it.
    enum class Mode : std::uint8_t {
        Body,
        Table,
        TableBody,
        Row,
        Cell,
        Caption,
        ColumnGroup,
        Select,
        SelectInTable,
        Template // a template's content before its first start tag, which decides how the rest is read
    };

    enum class Namespace : std::uint8_t { Html, Svg, MathMl };

    struct Open {
        TagId tag;
        std::uint32_t serial; // names a formatting element in the list of formatting elements; 0 for others
        Namespace space = Namespace::Html;
        Mode mode = Mode::Body; // while this element is the current one, and the ones above it that set none
        std::uint64_t nameHash = 0; // as Tag's, for SVG and MathML elements

        bool isForeign() const { return space != Namespace::Html; }
    };
    struct Formatting {
        TagId tag; // kMarker for a marker
        std::uint64_t attributesHash;
        int attributes;
        std::uint32_t serial; // of its open element; 0 while it is closed
    };

    Mode mode() const { return stack_.empty() ? Mode::Body : stack_.back().mode; }
    bool inSelect() const { return mode() == Mode::Select || mode() == Mode::SelectInTable; }

    // The mode in which the parser reads what follows the start of this element.
    static bool isHtml(const Open& open, TagId tag) { return !open.isForeign() && open.tag == tag; }
    static bool isIntegrationPointAt(const Open& open) {
        return open.isForeign() && isIntegrationPoint(open.tag, open.space == Namespace::Svg);
    }
    // Where an end tag stops looking for its element: at HTML elements that end the scope, and at the SVG and
    // MathML elements that hold HTML.
    static bool endsScopeAt(const Open& open) {
        return open.isForeign() ? isIntegrationPointAt(open) : endsScope(open.tag);
    }
    static bool isSpecialAt(const Open& open) {
        return open.isForeign() ? isIntegrationPointAt(open) && open.tag != GUMBO_TAG_TITLE
                                : isSpecial(open.tag);
    }

    Mode modeAfter(TagId tag, bool foreign) const {
        const Mode current = mode();
        if (foreign)
            return current;
        switch (tag) {
        case GUMBO_TAG_TABLE:
            return Mode::Table;
        case GUMBO_TAG_TBODY:
        case GUMBO_TAG_THEAD:
        case GUMBO_TAG_TFOOT:
            return Mode::TableBody;
        case GUMBO_TAG_TR:
            return Mode::Row;
        case GUMBO_TAG_TD:
        case GUMBO_TAG_TH:
            return Mode::Cell;
        case GUMBO_TAG_CAPTION:
            return Mode::Caption;
        case GUMBO_TAG_COLGROUP:
            return Mode::ColumnGroup;
        case GUMBO_TAG_TEMPLATE:
            return Mode::Template;
        case GUMBO_TAG_SELECT:
            return current == Mode::Body ? Mode::Select : Mode::SelectInTable;
        default:
            return current;
        }
    }

    // A start tag as the mode reads it; again when the parser reprocesses it in the mode it switched to.
    bool startElement(const Tag& tag) {
        const TagId id = tag.id;
        if (inForeignContent()) {
            if (!leavesForeignContent(id) && !(id == GUMBO_TAG_FONT && tag.colorFaceOrSize)) {
                if (tag.selfClosing)
                    return leaf();
                // In the namespace of the current element; <svg> in a MathML annotation starts SVG.
                const Open& current = stack_.back();
                const bool startsSvg = current.space == Namespace::MathMl &&
                                       current.tag == GUMBO_TAG_ANNOTATION_XML && id == GUMBO_TAG_SVG;
                return push(id, 0, startsSvg ? Namespace::Svg : current.space, tag.nameHash);
            }
            while (inForeignContent())
                pop();
        }
        switch (mode()) {
        case Mode::Select:
        case Mode::SelectInTable:
            return startInSelect(tag);
        case Mode::Table:
        case Mode::TableBody:
        case Mode::Row:
            return startInTable(tag);
        case Mode::Cell:
        case Mode::Caption:
            // A table part closes the cell or the caption and starts in the row or the table around it.
            if (onlyInTables(id)) {
                if (mode() == Mode::Cell)
                    closeMarked({GUMBO_TAG_TD, GUMBO_TAG_TH}, Mode::Row);
                else
                    closeMarked({GUMBO_TAG_CAPTION}, Mode::Table);
                return startElement(tag);
            }
            break;
        case Mode::ColumnGroup:
            if (id == GUMBO_TAG_HTML)
                return true;
            if (id == GUMBO_TAG_COL)
                return leaf();
            if (id == GUMBO_TAG_TEMPLATE)
                break;
            if (!currentIs(GUMBO_TAG_COLGROUP))
                return true;        // a template that holds columns drops the rest
            closePart(Mode::Table); // anything else closes the column group
            return startElement(tag);
        case Mode::Template:
            // Elements of a head start inside and leave the decision to the next tag.
            if (isOneOf(id, {GUMBO_TAG_BASE, GUMBO_TAG_BASEFONT, GUMBO_TAG_BGSOUND, GUMBO_TAG_LINK,
                             GUMBO_TAG_META, GUMBO_TAG_NOFRAMES, GUMBO_TAG_SCRIPT, GUMBO_TAG_STYLE,
                             GUMBO_TAG_TEMPLATE, GUMBO_TAG_TITLE}))
                return startInBody(tag);
            startTemplateContent(id);
            return startElement(tag);
        case Mode::Body:
            break;
        }
        return startInBody(tag);
    }

    // Start tags in a table, a section or a row. Parts close the parts they cannot sit in and bring the ones
    // they need (a cell its row, a row its section, a column its group); a table closes the open one. What is
    // no part of a table the parser moves before it, read as in the body, and keeps it open.
    bool startInTable(const Tag& tag) {
        const TagId id = tag.id;
        static constexpr std::initializer_list<GumboTag> kSections = {GUMBO_TAG_TBODY, GUMBO_TAG_THEAD,
                                                                      GUMBO_TAG_TFOOT};
        if (mode() == Mode::Row) {
            if (id == GUMBO_TAG_TD || id == GUMBO_TAG_TH) {
                clearBackTo({GUMBO_TAG_TR});
                return push(id);
            }
            if (isOneOf(id, {GUMBO_TAG_CAPTION, GUMBO_TAG_COLGROUP, GUMBO_TAG_TBODY, GUMBO_TAG_TFOOT,
                             GUMBO_TAG_THEAD, GUMBO_TAG_TR})) {
                if (!inTableScope({GUMBO_TAG_TR}))
                    return true; // rows in a template: no row to close
                clearBackTo({GUMBO_TAG_TR});
                closePart(Mode::TableBody);
                return startElement(tag);
            }
        } else if (mode() == Mode::TableBody) {
            if (id == GUMBO_TAG_TR || id == GUMBO_TAG_TD || id == GUMBO_TAG_TH) {
                clearBackTo(kSections);
                if (!push(GUMBO_TAG_TR))
                    return false;
                return id == GUMBO_TAG_TR || startElement(tag);
            }
            if (isOneOf(id, {GUMBO_TAG_CAPTION, GUMBO_TAG_COL, GUMBO_TAG_COLGROUP, GUMBO_TAG_TBODY,
                             GUMBO_TAG_TFOOT, GUMBO_TAG_THEAD})) {
                if (!inTableScope(kSections))
                    return true;
                clearBackTo(kSections);
                closePart(Mode::Table);
                return startElement(tag);
            }
        }
        switch (id) {
        case GUMBO_TAG_CAPTION:
        case GUMBO_TAG_COLGROUP:
        case GUMBO_TAG_TBODY:
        case GUMBO_TAG_THEAD:
        case GUMBO_TAG_TFOOT:
            clearBackTo({GUMBO_TAG_TABLE});
            return push(id);
        case GUMBO_TAG_COL:
            clearBackTo({GUMBO_TAG_TABLE});
            return push(GUMBO_TAG_COLGROUP) && leaf();
        case GUMBO_TAG_TR:
        case GUMBO_TAG_TD:
        case GUMBO_TAG_TH:
            clearBackTo({GUMBO_TAG_TABLE});
            return push(GUMBO_TAG_TBODY) && startElement(tag);
        case GUMBO_TAG_TABLE:
            if (!inTableScope({GUMBO_TAG_TABLE}))
                return true; // table parts in a template: no table to close
            popThrough({GUMBO_TAG_TABLE});
            return startElement(tag);
        case GUMBO_TAG_FORM:
            // Kept in the table and closed at once, unless a form is open: then dropped.
            if (formOpen_)
                return true;
            formOpen_ = true;
            return leaf();
        case GUMBO_TAG_INPUT:
            if (tag.hiddenType)
                return leaf(); // kept in the table, and formatting is not reopened before it
            break;
        default:
            break;
        }
        return startInBody(tag);
    }

    bool startInBody(const Tag& tag) {
        const TagId id = tag.id;
        // Merged into the elements that exist, or dropped. Not so <frameset>: a frameset nests in a frameset
        // without end, so each one counts as an element, even the one that takes the body's place.
        if (isOneOf(id, {GUMBO_TAG_HTML, GUMBO_TAG_HEAD, GUMBO_TAG_BODY}) || onlyInTables(id))
            return true;
        // A form inside a form is dropped, before it would close a paragraph; inside a template the parser
        // does not keep track of forms, and they nest.
        if (id == GUMBO_TAG_FORM && openCount(GUMBO_TAG_TEMPLATE) == 0) {
            if (formOpen_)
                return true;
            formOpen_ = true;
        }
        if (closesParagraph(id) || (id == GUMBO_TAG_TABLE && tablesCloseParagraphs_))
            closeParagraph();
        if (isHeading(id)) {
            if (!stack_.empty() && isHeading(stack_.back().tag))
                pop();
        } else if (id == GUMBO_TAG_LI || id == GUMBO_TAG_DD || id == GUMBO_TAG_DT) {
            closeListItem(id);
        } else if (id == GUMBO_TAG_BUTTON) {
            popToInScope(GUMBO_TAG_BUTTON);
        } else if (id == GUMBO_TAG_OPTION || id == GUMBO_TAG_OPTGROUP) {
            if (!stack_.empty() && stack_.back().tag == GUMBO_TAG_OPTION)
                pop();
        } else if (isOneOf(id, {GUMBO_TAG_RB, GUMBO_TAG_RP, GUMBO_TAG_RT, GUMBO_TAG_RTC})) {
            // Inside a ruby they close the ruby parts before them; <rp> and <rt> stay inside an <rtc>.
            if (findInScope(GUMBO_TAG_RUBY) >= 0)
                closeImpliedEnds(id == GUMBO_TAG_RP || id == GUMBO_TAG_RT);
        } else if (id == GUMBO_TAG_A) {
            adopt(id); // a second link closes the first
            dropUnclosedLink();
        } else if (id == GUMBO_TAG_NOBR) {
            // Reopened first: a <nobr> that a block closed may be the one this closes.
            if (!reopenFormatting())
                return false;
            if (findInScope(id) >= 0)
                adopt(id);
        }
        if (!startsWithoutReopening(id) && !reopenFormatting())
            return false;
        // An <svg/> or <math/> is closed at once.
        if (isVoid(id) || (tag.selfClosing && (id == GUMBO_TAG_SVG || id == GUMBO_TAG_MATH)))
            return leaf();
        return isFormatting(id) ? pushFormatting(id, tag) : push(id, 0, Namespace::Html, tag.nameHash);
    }

    // Inside a select only options, option groups, scripts and templates start; a select, an input or a text
    // area ends it, and so do table parts when the select is in a table. The rest is dropped.
    bool startInSelect(const Tag& tag) {
        const TagId id = tag.id;
        if (mode() == Mode::SelectInTable &&
            (id == GUMBO_TAG_TABLE ||
             (onlyInTables(id) && id != GUMBO_TAG_COL && id != GUMBO_TAG_COLGROUP))) {
            popThrough({GUMBO_TAG_SELECT});
            return startElement(tag);
        }
        if (id == GUMBO_TAG_OPTION || id == GUMBO_TAG_OPTGROUP) {
            while (!stack_.empty() && (stack_.back().tag == GUMBO_TAG_OPTION ||
                                       (id == GUMBO_TAG_OPTGROUP && stack_.back().tag == GUMBO_TAG_OPTGROUP)))
                pop();
            return push(id);
        }
        if (isOneOf(id, {GUMBO_TAG_SELECT, GUMBO_TAG_INPUT, GUMBO_TAG_KEYGEN, GUMBO_TAG_TEXTAREA})) {
            popThrough({GUMBO_TAG_SELECT}); // ends the select; the others then start as usual
            return id == GUMBO_TAG_SELECT || startElement(tag);
        }
        if (id == GUMBO_TAG_SCRIPT || id == GUMBO_TAG_TEMPLATE)
            return push(id);
        return true;
    }

    // End tags of table parts in a table, a section, a row, a cell, a caption or a column group: they close
    // parts (a part closing the ones inside it) or are dropped. False for the others, which end as in the
    // body.
    bool endInTable(const Tag& tag) {
        const TagId id = tag.id;
        static constexpr std::initializer_list<GumboTag> kSections = {GUMBO_TAG_TBODY, GUMBO_TAG_THEAD,
                                                                      GUMBO_TAG_TFOOT};
        switch (mode()) {
        case Mode::Cell:
            if (id == GUMBO_TAG_TD || id == GUMBO_TAG_TH) {
                if (inTableScope({static_cast<GumboTag>(id)}))
                    closeMarked({GUMBO_TAG_TD, GUMBO_TAG_TH}, Mode::Row);
                return true;
            }
            if (isOneOf(id,
                        {GUMBO_TAG_TABLE, GUMBO_TAG_TBODY, GUMBO_TAG_TFOOT, GUMBO_TAG_THEAD, GUMBO_TAG_TR})) {
                if (!inTableScope({static_cast<GumboTag>(id)}))
                    return true;
                closeMarked({GUMBO_TAG_TD, GUMBO_TAG_TH}, Mode::Row);
                return endInTable(tag);
            }
            return isOneOf(
                id, {GUMBO_TAG_BODY, GUMBO_TAG_CAPTION, GUMBO_TAG_COL, GUMBO_TAG_COLGROUP, GUMBO_TAG_HTML});
        case Mode::Caption:
            if (id == GUMBO_TAG_CAPTION || id == GUMBO_TAG_TABLE) {
                closeMarked({GUMBO_TAG_CAPTION}, Mode::Table);
                return id == GUMBO_TAG_CAPTION || endInTable(tag);
            }
            return isOneOf(id, {GUMBO_TAG_BODY, GUMBO_TAG_COL, GUMBO_TAG_COLGROUP, GUMBO_TAG_HTML}) ||
                   (onlyInTables(id) && id != GUMBO_TAG_CAPTION);
        case Mode::ColumnGroup:
            if (id == GUMBO_TAG_COL || !currentIs(GUMBO_TAG_COLGROUP))
                return true;
            closePart(Mode::Table); // anything else closes the column group
            return id == GUMBO_TAG_COLGROUP || endInTable(tag);
        case Mode::Row:
            if (id == GUMBO_TAG_TR || id == GUMBO_TAG_TABLE || isOneOf(id, kSections)) {
                if (!inTableScope({static_cast<GumboTag>(id == GUMBO_TAG_TABLE ? GUMBO_TAG_TR : id)}))
                    return true;
                clearBackTo({GUMBO_TAG_TR});
                closePart(Mode::TableBody);
                return id == GUMBO_TAG_TR || endInTable(tag);
            }
            break;
        case Mode::TableBody:
            if (isOneOf(id, kSections) || id == GUMBO_TAG_TABLE) {
                if (id == GUMBO_TAG_TABLE ? !inTableScope(kSections)
                                          : !inTableScope({static_cast<GumboTag>(id)}))
                    return true;
                clearBackTo(kSections);
                closePart(Mode::Table);
                return id != GUMBO_TAG_TABLE || endInTable(tag);
            }
            break;
        case Mode::Table:
            if (id == GUMBO_TAG_TABLE) {
                if (inTableScope({GUMBO_TAG_TABLE}))
                    popThrough({GUMBO_TAG_TABLE});
                return true;
            }
            break;
        default:
            return false;
        }
        // The rest of the table's parts, and the body and the document, end nothing in a table.
        return isOneOf(id, {GUMBO_TAG_BODY, GUMBO_TAG_HTML}) || onlyInTables(id);
    }

    bool endInSelect(const Tag& tag) {
        const TagId id = tag.id;
        if (mode() == Mode::SelectInTable &&
            (id == GUMBO_TAG_TABLE ||
             (onlyInTables(id) && id != GUMBO_TAG_COL && id != GUMBO_TAG_COLGROUP))) {
            if (inTableScope({static_cast<GumboTag>(id)})) {
                popThrough({GUMBO_TAG_SELECT});
                return endTag(tag);
            }
            return true;
        }
        if (id == GUMBO_TAG_OPTGROUP) {
            if (stack_.size() >= 2 && stack_.back().tag == GUMBO_TAG_OPTION &&
                stack_[stack_.size() - 2].tag == GUMBO_TAG_OPTGROUP)
                pop();
            if (stack_.back().tag == GUMBO_TAG_OPTGROUP)
                pop();
        } else if (id == GUMBO_TAG_OPTION) {
            if (stack_.back().tag == GUMBO_TAG_OPTION)
                pop();
        } else if (id == GUMBO_TAG_SELECT) {
            popThrough({GUMBO_TAG_SELECT});
        }
        return true; // any other end tag is dropped
    }

    bool endInBody(const Tag& tag) {
        const TagId id = tag.id;
        switch (id) {
        case GUMBO_TAG_BR: // read as <br>
            return reopenFormatting() && leaf();
        case GUMBO_TAG_P:
            return closeParagraph() || leaf(); // without a paragraph to close, an empty one
        case GUMBO_TAG_FORM:
            if (openCount(GUMBO_TAG_TEMPLATE) > 0) {
                // Forms in a template are not the open form, and the open one is out of scope: nothing
                // closes.
                formOpen_ = false;
            } else {
                // The form alone leaves the stack; what it holds stays open, and as deep in the tree.
                formOpen_ = false;
                if (findInScope(id) >= 0) {
                    closeImpliedEnds();
                    const long at = findInScope(id);
                    countOpen(id, -1);
                    stack_[static_cast<size_t>(at)].tag = kLeftStack;
                }
            }
            return true;
        case GUMBO_TAG_BODY:
        case GUMBO_TAG_HTML:
            return true;
        default:
            break;
        }
        if (isOneOf(id, {GUMBO_TAG_APPLET, GUMBO_TAG_MARQUEE, GUMBO_TAG_OBJECT})) {
            if (inTableScope({static_cast<GumboTag>(id)}))
                closeMarked({static_cast<GumboTag>(id)});
            return true;
        }
        if (isHeading(id)) {
            for (size_t k = stack_.size(); k > 0 && !endsScopeAt(stack_[k - 1]); --k) {
                if (isHeading(stack_[k - 1].tag) && !stack_[k - 1].isForeign()) {
                    popTo(k - 1);
                    break;
                }
            }
            return true;
        }
        if (isFormatting(id) && adopt(id))
            return true;
        if (openCount(id) == 0)
            return true; // nothing to close: most of a flood of stray end tags ends here
        // Special elements close up to their own within the scope (table parts: within the table); other
        // end tags close their element unless a special element comes first.
        for (size_t k = stack_.size(); k > 0; --k) {
            const Open& open = stack_[k - 1];
            if (isHtml(open, id)) {
                popTo(k - 1);
                break;
            }
            // A list item looks for itself only within its own list.
            const bool stops = endsInTableScope(id) ? isHtmlOneOf(open, {GUMBO_TAG_TABLE, GUMBO_TAG_TEMPLATE})
                               : id == GUMBO_TAG_LI
                                   ? endsScopeAt(open) || isHtmlOneOf(open, {GUMBO_TAG_OL, GUMBO_TAG_UL})
                               : isSpecial(id) ? endsScopeAt(open)
                                               : isSpecialAt(open);
            if (stops)
                break;
        }
        return true;
    }

    int openCount(TagId tag) const {
        return static_cast<size_t>(tag) < openCounts_.size() ? openCounts_[static_cast<size_t>(tag)] : 0;
    }

    void countOpen(TagId tag, int change) {
        if (tag < 0)
            return;
        if (static_cast<size_t>(tag) >= openCounts_.size())
            openCounts_.resize(static_cast<size_t>(tag) + 1);
        openCounts_[static_cast<size_t>(tag)] += change;
    }

    bool push(TagId tag, std::uint32_t serial = 0, Namespace space = Namespace::Html,
              std::uint64_t nameHash = 0) {
        if (static_cast<int>(stack_.size()) >= maxDepth_)
            return false;
        if (space == Namespace::Html && tag == GUMBO_TAG_SELECT && mode() != Mode::Body &&
            foreignSelectOpen())
            return false; // the parser would fail on the next table part: the page is cut before this select
        ++nodes_;
        if (space == Namespace::Html && (tag == GUMBO_TAG_SVG || tag == GUMBO_TAG_MATH))
            space = tag == GUMBO_TAG_SVG ? Namespace::Svg : Namespace::MathMl;
        stack_.push_back({tag, serial, space, modeAfter(tag, space != Namespace::Html), nameHash});
        countOpen(tag, +1);
        if (isMarkerElement(tag) && space == Namespace::Html)
            formatting_.push_back({kMarker, 0, 0, 0});
        return true;
    }

    // An SVG or MathML element named select is open. A select that opens in a table above one makes the
    // parser (libgumbo 0.10.1) look for the wrong select when the next table part closes it: it walks off
    // its stack of open elements and the process ends on an assertion.
    bool foreignSelectOpen() const {
        return openCount(GUMBO_TAG_SELECT) > 0 &&
               std::any_of(stack_.begin(), stack_.end(),
                           [](const Open& open) { return open.tag == GUMBO_TAG_SELECT && open.isForeign(); });
    }

    void pop() {
        const Open open = stack_.back();
        stack_.pop_back();
        countOpen(open.tag, -1);
        if (open.serial != 0) {
            for (size_t k = formatting_.size(); k > 0; --k) {
                if (formatting_[k - 1].serial == open.serial) {
                    formatting_[k - 1].serial = 0;
                    break;
                }
            }
        }
    }

    // Closes an element that put a marker into the list of formatting elements, and takes the formatting
    // elements after that marker off the list. Popped otherwise (a table closing an <object> moved before
    // it), the element leaves its marker behind, as in the parser.
    void closeMarked(std::initializer_list<GumboTag> tags, std::optional<Mode> after = std::nullopt) {
        popThrough(tags);
        if (after)
            stickToTemplate(*after);
        while (!formatting_.empty()) {
            const bool marker = formatting_.back().tag == kMarker;
            formatting_.pop_back();
            if (marker)
                break;
        }
    }

    // The attributes of the formatting element whose open element has this serial.
    int attributesOf(std::uint32_t serial) const {
        for (size_t k = formatting_.size(); k > 0; --k)
            if (formatting_[k - 1].serial == serial)
                return formatting_[k - 1].attributes;
        return 0;
    }

    // An element that holds nothing (a void one, or an empty paragraph) is one level deeper than the current
    // element all the same. False when that would pass the limit.
    bool leaf() {
        if (static_cast<int>(stack_.size()) >= maxDepth_)
            return false;
        ++nodes_;
        return true;
    }

    // Pops until `size` elements are left.
    void popTo(size_t size) {
        while (stack_.size() > size)
            pop();
    }

    static bool isHtmlOneOf(const Open& open, std::initializer_list<GumboTag> tags) {
        return !open.isForeign() && isOneOf(open.tag, tags);
    }

    static bool setsMode(const Open& open) {
        return !open.isForeign() &&
               isOneOf(open.tag, {GUMBO_TAG_TABLE, GUMBO_TAG_TBODY, GUMBO_TAG_THEAD, GUMBO_TAG_TFOOT,
                                  GUMBO_TAG_TR, GUMBO_TAG_TD, GUMBO_TAG_TH, GUMBO_TAG_CAPTION,
                                  GUMBO_TAG_COLGROUP, GUMBO_TAG_SELECT, GUMBO_TAG_TEMPLATE});
    }

    // Closing a table part, the parser switches to the mode of the part around it. Inside a table that is
    // the mode the stack gives; a template holding table parts keeps the switched mode for what follows.
    void stickToTemplate(Mode after) {
        size_t k = stack_.size();
        while (k > 0 && !setsMode(stack_[k - 1]))
            --k;
        if (k == 0 || !isHtml(stack_[k - 1], GUMBO_TAG_TEMPLATE))
            return;
        for (; k <= stack_.size(); ++k)
            stack_[k - 1].mode = after;
    }

    // Closes the current element, a table part, and switches the mode as the parser does.
    void closePart(Mode after) {
        pop();
        stickToTemplate(after);
    }

    // Pops up to and with the nearest HTML element with one of these tags; the modes make sure there is one.
    void popThrough(std::initializer_list<GumboTag> tags) {
        while (!stack_.empty()) {
            const bool last = isHtmlOneOf(stack_.back(), tags);
            pop();
            if (last)
                return;
        }
    }

    // Pops what stands above the nearest HTML element with one of these tags (a table, a section, a row), or
    // above the template that holds table parts: what the parser moved before the table, and parts left open.
    void clearBackTo(std::initializer_list<GumboTag> tags) {
        while (!stack_.empty() && !isHtmlOneOf(stack_.back(), tags) &&
               !isHtml(stack_.back(), GUMBO_TAG_TEMPLATE))
            pop();
    }

    // Whether an HTML element with one of these tags is open above the nearest table or template, or is it.
    bool inTableScope(std::initializer_list<GumboTag> tags) const {
        for (size_t k = stack_.size(); k > 0; --k) {
            const Open& open = stack_[k - 1];
            if (isHtmlOneOf(open, tags))
                return true;
            if (isHtmlOneOf(open, {GUMBO_TAG_TABLE, GUMBO_TAG_TEMPLATE}))
                return false;
        }
        return false;
    }

    // A template's first start tag decides how the parser reads its content: table parts as in a table, a
    // section, a row or a column group, anything else as in the body.
    void startTemplateContent(TagId first) {
        const Mode mode = isOneOf(first, {GUMBO_TAG_CAPTION, GUMBO_TAG_COLGROUP, GUMBO_TAG_TBODY,
                                          GUMBO_TAG_TFOOT, GUMBO_TAG_THEAD})
                              ? Mode::Table
                          : first == GUMBO_TAG_COL                           ? Mode::ColumnGroup
                          : first == GUMBO_TAG_TR                            ? Mode::TableBody
                          : (first == GUMBO_TAG_TD || first == GUMBO_TAG_TH) ? Mode::Row
                                                                             : Mode::Body;
        for (size_t k = stack_.size(); k > 0 && stack_[k - 1].mode == Mode::Template; --k)
            stack_[k - 1].mode = mode;
    }

    // The index of the nearest open element with this tag within the current scope, or -1. A button ends the
    // scope only of a paragraph: a <nobr> or a form sees past it.
    long findInScope(TagId tag) const {
        for (size_t k = stack_.size(); k > 0; --k) {
            if (isHtml(stack_[k - 1], tag))
                return static_cast<long>(k - 1);
            if (endsScopeAt(stack_[k - 1]) || (tag == GUMBO_TAG_P && isHtml(stack_[k - 1], GUMBO_TAG_BUTTON)))
                return -1;
        }
        return -1;
    }

    bool popToInScope(TagId tag) {
        const long at = findInScope(tag);
        if (at >= 0)
            popTo(static_cast<size_t>(at));
        return at >= 0;
    }

    bool closeParagraph() { return popToInScope(GUMBO_TAG_P); }

    // A link that a second one could not close (a table stands between) leaves the list and the stack all
    // the same, though it still holds what stood above it.
    void dropUnclosedLink() {
        for (size_t k = formatting_.size(); k > 0 && formatting_[k - 1].tag != kMarker; --k) {
            if (formatting_[k - 1].tag != GUMBO_TAG_A)
                continue;
            const std::uint32_t serial = formatting_[k - 1].serial;
            formatting_.erase(formatting_.begin() + static_cast<long>(k - 1));
            for (Open& open : stack_) {
                if (serial != 0 && open.serial == serial) {
                    countOpen(open.tag, -1);
                    open.tag = kLeftStack;
                    open.serial = 0;
                }
            }
            return;
        }
    }

    // Closes the elements whose end tags may be left out, up to the first one that is not such.
    void closeImpliedEnds(bool keepRubyTextContainer = false) {
        while (!stack_.empty() &&
               isHtmlOneOf(stack_.back(),
                           {GUMBO_TAG_DD, GUMBO_TAG_DT, GUMBO_TAG_LI, GUMBO_TAG_OPTION, GUMBO_TAG_OPTGROUP,
                            GUMBO_TAG_P, GUMBO_TAG_RB, GUMBO_TAG_RP, GUMBO_TAG_RT, GUMBO_TAG_RTC}) &&
               !(keepRubyTextContainer && isHtml(stack_.back(), GUMBO_TAG_RTC)))
            pop();
    }

    // An <li> closes the open list item, a <dd> or <dt> the open definition, unless a block other than
    // <address>, <div> or <p> stands between.
    void closeListItem(TagId tag) {
        for (size_t k = stack_.size(); k > 0; --k) {
            const Open& open = stack_[k - 1];
            const bool sameKind = tag == GUMBO_TAG_LI ? isHtml(open, GUMBO_TAG_LI)
                                                      : isHtmlOneOf(open, {GUMBO_TAG_DD, GUMBO_TAG_DT});
            if (sameKind) {
                popTo(k - 1);
                return;
            }
            if (isSpecialAt(open) && !isHtmlOneOf(open, {GUMBO_TAG_ADDRESS, GUMBO_TAG_DIV, GUMBO_TAG_P}))
                return;
        }
    }

    // Reopens the formatting elements that a closed block closed, before text or an inline element, as the
    // parser does: each one afresh, as deep as before.
    bool reopenFormatting() {
        if (formatting_.empty() || formatting_.back().tag == kMarker || formatting_.back().serial != 0)
            return true;
        size_t first = formatting_.size() - 1;
        while (first > 0 && formatting_[first - 1].tag != kMarker && formatting_[first - 1].serial == 0)
            --first;
        for (size_t k = first; k < formatting_.size(); ++k) {
            const std::uint32_t serial = ++lastSerial_;
            if (!push(formatting_[k].tag, serial))
                return false;
            nodes_ += formatting_[k].attributes;
            formatting_[k].serial = serial;
        }
        return true;
    }

    bool pushFormatting(TagId id, const Tag& tag) {
        // No more than three identical entries after the last marker: the oldest goes.
        int same = 0;
        size_t oldest = formatting_.size();
        for (size_t k = formatting_.size(); k > 0 && formatting_[k - 1].tag != kMarker; --k) {
            const Formatting& f = formatting_[k - 1];
            if (f.tag == id && f.attributesHash == tag.attributesHash && f.attributes == tag.attributes) {
                ++same;
                oldest = k - 1;
            }
        }
        if (same >= 3) {
            // The oldest stays open, no longer in the list.
            const std::uint32_t dropped = formatting_[oldest].serial;
            for (Open& open : stack_)
                if (dropped != 0 && open.serial == dropped)
                    open.serial = 0;
            formatting_.erase(formatting_.begin() + static_cast<long>(oldest));
        }
        const std::uint32_t serial = ++lastSerial_;
        if (!push(id, serial))
            return false;
        formatting_.push_back({id, tag.attributesHash, tag.attributes, serial});
        return true;
    }

    // The parser's adoption of a formatting element that ends (by its end tag, or by a second <a>): its entry
    // leaves the list; when it is open in scope it closes, and so does what stands above it up to the last
    // block above it, while those blocks stay open (the parser moves them out of it). Moved out, the content
    // of a block stays formatted: the parser wraps the content of each block, one after the other up to eight
    // times, in a copy of the formatting element, attributes and all, and copies the formatting elements
    // between them as well. With more blocks it stops at the eighth, and what stood above stays open. False
    // when the list holds no such element, so that an end tag closes like any other.
    bool adopt(TagId id) {
        size_t entry = formatting_.size();
        for (size_t k = formatting_.size(); k > 0 && formatting_[k - 1].tag != kMarker; --k) {
            if (formatting_[k - 1].tag == id) {
                entry = k - 1;
                break;
            }
        }
        if (entry == formatting_.size())
            return false;
        const std::uint32_t serial = formatting_[entry].serial;
        long at = -1;
        for (size_t k = stack_.size(); serial != 0 && k > 0; --k) {
            if (stack_[k - 1].serial == serial) {
                at = static_cast<long>(k - 1);
                break;
            }
            if (endsScopeAt(stack_[k - 1]))
                return true; // open, but not in scope: the end tag is dropped
        }
        if (at < 0) {
            formatting_.erase(formatting_.begin() + static_cast<long>(entry));
            return true;
        }
        // The blocks above it: the last one, and the one where the parser gives up moving them.
        const size_t from = static_cast<size_t>(at);
        int blocks = 0;
        size_t lastBlock = stack_.size();
        size_t stopBlock = stack_.size();
        for (size_t k = from + 1; k < stack_.size(); ++k) {
            if (!isSpecialAt(stack_[k]))
                continue;
            lastBlock = k;
            if (++blocks == kMaxAdoptionRounds)
                stopBlock = k;
        }
        for (size_t k = from + 1; k < std::min(lastBlock, stopBlock); ++k)
            if (stack_[k].serial != 0 && !isSpecialAt(stack_[k]))
                nodes_ += 1 + attributesOf(stack_[k].serial);
        nodes_ += std::min(blocks, kMaxAdoptionRounds) * (1 + formatting_[entry].attributes);
        if (stopBlock < stack_.size()) {
            // After the eighth block the parser stops: the copy in that block stays open around all that
            // stood above it, and takes the element's place in the list.
            const TagId tag = stack_[from].tag;
            const std::uint32_t copy = ++lastSerial_;
            formatting_[entry].serial = copy;
            stack_.insert(stack_.begin() + static_cast<long>(stopBlock) + 1,
                          Open{tag, copy, Namespace::Html, stack_[stopBlock].mode});
            countOpen(tag, +1);
        } else {
            formatting_.erase(formatting_.begin() + static_cast<long>(entry));
            popTo(blocks == 0 ? from : lastBlock + 1);
            if (blocks == 0)
                return true;
        }
        countOpen(stack_[from].tag, -1);
        stack_.erase(stack_.begin() + at);
        return true;
    }

    const int maxDepth_;
    const qsizetype maxNodes_;
    std::vector<Open> stack_;
    std::vector<Formatting> formatting_;
    std::vector<int> openCounts_; // open elements by tag
    std::uint32_t lastSerial_ = 0;
    qsizetype nodes_ = 0;
    bool formOpen_ = false;
    bool tablesCloseParagraphs_ = false; // out of quirks mode, by the page's doctype
};

// Whether a doctype that is the page's first token takes it out of quirks mode, in which a table does not
// close an open paragraph: so does "<!DOCTYPE html>" and any other well-formed one for html, but for a few
// identifiers that the parser knows for quirky. `doctype` runs from after "<!DOCTYPE" to before its '>'.
bool doctypeLeavesQuirksMode(std::string_view doctype) {
    size_t i = 0;
    const auto skipSpaces = [&] {
        while (i < doctype.size() && isSpace(doctype[i]))
            ++i;
    };
    // A quoted identifier; false when it is not there or its quote is not closed.
    const auto readQuoted = [&](std::string_view& value) {
        skipSpaces();
        if (i >= doctype.size() || (doctype[i] != '"' && doctype[i] != '\''))
            return false;
        const size_t close = doctype.find(doctype[i], i + 1);
        if (close == std::string_view::npos)
            return false;
        value = doctype.substr(i + 1, close - i - 1);
        i = close + 1;
        return true;
    };
    skipSpaces();
    size_t nameEnd = i;
    while (nameEnd < doctype.size() && !isSpace(doctype[nameEnd]))
        ++nameEnd;
    if (!equalsFolded(doctype.substr(i, nameEnd - i), "html"))
        return false;
    i = nameEnd;
    skipSpaces();
    if (i == doctype.size())
        return true;
    const std::string_view keyword = doctype.substr(i, 6);
    const bool isPublic = equalsFolded(keyword, "public");
    if (!isPublic && !equalsFolded(keyword, "system"))
        return false;
    i += 6;
    std::string_view publicId;
    std::string_view systemId;
    if (!readQuoted(isPublic ? publicId : systemId))
        return false;
    if (isPublic) {
        skipSpaces();
        if (i < doctype.size() && !readQuoted(systemId))
            return false;
    }
    return publicId != "HTML" && publicId != "-//W3O//DTD W3 HTML Strict 3.0//EN//" &&
           publicId != "-/W3C/DTD HTML 4.0 Transitional/EN" &&
           systemId != "http://www.ibm.com/data/dtd/v11/ibmxhtml1-transitional.dtd";
}

// Where a comment whose text starts at `from` ends: after "-->", or "--!>", or at the end of the page.
size_t commentEnd(std::string_view text, size_t from) {
    for (size_t k = from; (k = text.find("--", k)) != std::string_view::npos; ++k) {
        if (k + 2 < text.size() && text[k + 2] == '>')
            return k + 3;
        if (k + 3 < text.size() && text[k + 2] == '!' && text[k + 3] == '>')
            return k + 4;
    }
    return text.size();
}

// Where the raw text that starts at `from` ends: at its element's end tag, or at the end of the page.
size_t rawTextEnd(std::string_view text, size_t from, std::string_view name) {
    size_t at = from;
    while ((at = text.find("</", at)) != std::string_view::npos) {
        size_t k = 0;
        while (k < name.size() && at + 2 + k < text.size() && lower(text[at + 2 + k]) == name[k])
            ++k;
        const size_t after = at + 2 + k;
        if (k == name.size() &&
            (after >= text.size() || isSpace(text[after]) || text[after] == '/' || text[after] == '>'))
            return at;
        at += 2;
    }
    return text.size();
}

TextRun textRun(std::string_view text) {
    bool spaces = false;
    bool nuls = false;
    for (const char ch : text) {
        if (isSpace(ch))
            spaces = true;
        else if (ch == '\0')
            nuls = true;
        else
            return TextRun::Other;
    }
    return !nuls ? TextRun::Spaces : spaces ? TextRun::SpacesAndNuls : TextRun::Nuls;
}

} // namespace

PageCost measurePage(QByteArrayView html, int maxDepth, qsizetype maxNodes) {
    const std::string_view text(html.data(), static_cast<size_t>(html.size()));
    Tokenizer tokenizer(text);
    TreeModel tree(maxDepth, maxNodes);
    PageCost cost;
    const auto result = [&](size_t length) {
        cost.parseLength = static_cast<qsizetype>(length);
        cost.nodes = tree.nodes();
        cost.overNodeLimit = tree.overNodeLimit();
        return cost;
    };
    size_t textStart = 0; // where the text since the last tag or comment begins
    bool afterEmptyEndTag = false;
    bool firstToken = true; // nothing but spaces and comments so far: a doctype here sets the mode
    size_t i = 0;
    Tag tag;
    while ((i = text.find('<', i)) != std::string_view::npos) {
        if (tree.overNodeLimit())
            return result(i);
        const size_t tokenStart = i;
        const bool isEnd = i + 1 < text.size() && text[i + 1] == '/';
        const size_t nameAt = i + (isEnd ? 2 : 1);
        const bool isTag = nameAt < text.size() && isLetter(text[nameAt]);
        const bool isMarkup = isTag || (i + 1 < text.size() && (text[i + 1] == '!' || text[i + 1] == '?')) ||
                              (isEnd && nameAt < text.size());
        if (!isMarkup) {
            ++i; // a '<' that starts nothing is text
            continue;
        }
        if (tokenStart > textStart) {
            const TextRun run = textRun(text.substr(textStart, tokenStart - textStart));
            firstToken = firstToken && run == TextRun::Spaces;
            if (!tree.text(run))
                return result(textStart);
        }
        firstToken = firstToken && !isTag;
        if (!isTag) {
            // Comments, doctypes and other markup the parser keeps as a comment or drops.
            size_t end;
            if (text.compare(i, 4, "<!--") == 0) {
                const size_t body = i + 4;
                if (text.compare(body, 1, ">") == 0)
                    end = body + 1;
                else if (text.compare(body, 2, "->") == 0)
                    end = body + 2;
                else
                    end = commentEnd(text, body);
            } else {
                end = std::min(text.find('>', i), text.size() - 1) + 1;
                if (firstToken && text.size() - i > 9 && equalsFolded(text.substr(i, 9), "<!doctype")) {
                    if (text[end - 1] == '>' &&
                        doctypeLeavesQuirksMode(text.substr(i + 9, end - 1 - (i + 9))))
                        tree.leaveQuirksMode();
                    firstToken = false;
                }
            }
            const bool emptyEndTag = isEnd && text[nameAt] == '>';
            if (!emptyEndTag)
                tree.comment();
            i = textStart = end;
            afterEmptyEndTag = emptyEndTag;
            continue;
        }
        if (!tokenizer.readTag(i, tag))
            return result(text.size()); // the parser drops a tag that the page ends in
        // The parser takes a "</>" right before a tag for part of its name: inside SVG or MathML, such an end
        // tag closes nothing.
        if (afterEmptyEndTag && tokenStart == textStart)
            tag.nameHash = kNoName;
        afterEmptyEndTag = false;
        i = textStart = tag.end;
        if (tag.isEnd) {
            if (!tree.endTag(tag))
                return result(tokenStart);
            continue;
        }
        if (!tree.startTag(tag))
            return result(tokenStart);
        // Raw text follows only an element that started: a dropped start tag (as in a select) starts no text.
        if (tag.id == GUMBO_TAG_PLAINTEXT && tree.currentIs(tag.id)) {
            tree.text(TextRun::Other);
            return result(text.size());
        }
        if (isRawText(tag.id) && tree.currentIs(tag.id)) {
            const char* name = gumbo_normalized_tagname(static_cast<GumboTag>(tag.id));
            i = rawTextEnd(text, i, name);
            if (i > textStart)
                tree.comment(); // its text, one node
            textStart = i;
        }
    }
    if (text.size() > textStart && !tree.text(textRun(text.substr(textStart))))
        return result(textStart);
    return result(text.size());
}

qsizetype nestingSafeLength(QByteArrayView html, int maxDepth) {
    return measurePage(html, maxDepth, std::numeric_limits<qsizetype>::max()).parseLength;
}

} // namespace quorvane
