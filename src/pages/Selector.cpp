#include "pages/Selector.h"

#include <gumbo.h>

#include <QByteArray>

#include <cctype>

namespace quorvane {

// The parts of a read selector; named (not anonymous) because Selector::Data holds them.
namespace selector {

enum class AttributeOp { Exists, Equals, Word, DashPrefix, Prefix, Suffix, Contains };

struct AttributeTest {
    QByteArray name; // lower case
    AttributeOp op = AttributeOp::Exists;
    QByteArray value;
    bool ignoreCase = false;
};

enum class Position { FirstChild, LastChild, OnlyChild, FirstOfType, NthChild };

struct PositionTest {
    Position kind;
    int n = 0;
};

} // namespace selector

using selector::AttributeOp;
using selector::AttributeTest;
using selector::Position;
using selector::PositionTest;

struct SelectorCompound {
    QByteArray tag;                     // lower case; empty for any element
    GumboTag tagId = GUMBO_TAG_UNKNOWN; // the tag gumbo gives elements of that name; unknown for other names
    std::vector<QByteArray> ids;
    std::vector<QByteArray> classes;
    std::vector<AttributeTest> attributes;
    std::vector<Selector> nots;
    std::vector<Selector> has;
    std::vector<Selector> hasChild; // :has(> ...)
    std::vector<QString> contains;
    std::vector<PositionTest> positions;
};

// Compounds left to right; combinators[i] joins compounds[i] and compounds[i + 1].
struct SelectorComplex {
    std::vector<SelectorCompound> compounds;
    std::vector<char> combinators;
};

struct Selector::Data {
    std::vector<SelectorComplex> alternatives;
};

namespace {

// ---- reading the text ----------------------------------------------------------------------------------

class SelectorReader {
public:
    explicit SelectorReader(QStringView text)
        : text_(text) {}

    bool readList(std::vector<SelectorComplex>& list, bool nested) {
        for (;;) {
            skipSpace();
            SelectorComplex complex;
            if (!readComplex(complex))
                return false;
            list.push_back(std::move(complex));
            skipSpace();
            if (atEnd())
                return !nested || fail(QStringLiteral("缺少 \")\""));
            if (peek() == u',') {
                ++pos_;
                continue;
            }
            if (nested && peek() == u')')
                return true;
            return fail(QStringLiteral("第 %1 个字符无法识别").arg(pos_ + 1));
        }
    }

    QString error;

private:
    bool atEnd() const { return pos_ >= text_.size(); }
    QChar peek() const { return atEnd() ? QChar() : text_[pos_]; }
    bool fail(const QString& why) {
        if (error.isEmpty())
            error = why;
        return false;
    }
    void skipSpace() {
        while (!atEnd() && peek().isSpace())
            ++pos_;
    }
    static bool isNameChar(QChar c) {
        return c.isLetterOrNumber() || c == u'-' || c == u'_' || c.unicode() > 0x7f;
    }
    QString readName() {
        const qsizetype start = pos_;
        while (!atEnd() && (isNameChar(peek()) || peek() == u'\\')) {
            if (peek() == u'\\' && pos_ + 1 < text_.size())
                ++pos_;
            ++pos_;
        }
        QString name = text_.sliced(start, pos_ - start).toString();
        name.remove(u'\\');
        return name;
    }
    // A quoted string or a bare word up to one of the stop characters.
    bool readValue(QString& value, QStringView stops) {
        skipSpace();
        if (peek() == u'"' || peek() == u'\'') {
            const QChar quote = peek();
            const qsizetype start = ++pos_;
            while (!atEnd() && peek() != quote)
                ++pos_;
            if (atEnd())
                return fail(QStringLiteral("引号没有结束"));
            value = text_.sliced(start, pos_ - start).toString();
            ++pos_;
            return true;
        }
        const qsizetype start = pos_;
        while (!atEnd() && !stops.contains(peek()) && !peek().isSpace())
            ++pos_;
        value = text_.sliced(start, pos_ - start).toString();
        return !value.isEmpty() || fail(QStringLiteral("缺少值"));
    }

    bool readComplex(SelectorComplex& complex) {
        SelectorCompound compound;
        if (!readCompound(compound))
            return false;
        complex.compounds.push_back(std::move(compound));
        for (;;) {
            const qsizetype before = pos_;
            skipSpace();
            if (atEnd() || peek() == u',' || peek() == u')')
                return true;
            char combinator = ' ';
            if (peek() == u'>' || peek() == u'+' || peek() == u'~') {
                combinator = static_cast<char>(peek().unicode());
                ++pos_;
                skipSpace();
            } else if (before == pos_) {
                return fail(QStringLiteral("第 %1 个字符无法识别").arg(pos_ + 1));
            }
            SelectorCompound next;
            if (!readCompound(next))
                return false;
            complex.combinators.push_back(combinator);
            complex.compounds.push_back(std::move(next));
        }
    }

    bool readCompound(SelectorCompound& compound) {
        bool any = false;
        if (peek() == u'*') {
            ++pos_;
            any = true;
        } else if (isNameChar(peek())) {
            compound.tag = readName().toLower().toUtf8();
            compound.tagId = gumbo_tag_enum(compound.tag.constData());
            any = true;
        }
        for (;;) {
            if (atEnd())
                break;
            const QChar c = peek();
            if (c == u'#' || c == u'.') {
                ++pos_;
                const QString name = readName();
                if (name.isEmpty())
                    return fail(QStringLiteral("\"%1\" 后缺少名称").arg(c));
                (c == u'#' ? compound.ids : compound.classes).push_back(name.toUtf8());
            } else if (c == u'[') {
                ++pos_;
                if (!readAttribute(compound))
                    return false;
            } else if (c == u':') {
                ++pos_;
                if (!readPseudo(compound))
                    return false;
            } else {
                break;
            }
            any = true;
        }
        return any || fail(atEnd() ? QStringLiteral("选择器不完整")
                                   : QStringLiteral("第 %1 个字符无法识别").arg(pos_ + 1));
    }

    bool readAttribute(SelectorCompound& compound) {
        skipSpace();
        AttributeTest test;
        test.name = readName().toLower().toUtf8();
        if (test.name.isEmpty())
            return fail(QStringLiteral("\"[\" 后缺少属性名"));
        skipSpace();
        if (peek() == u']') {
            ++pos_;
            compound.attributes.push_back(std::move(test));
            return true;
        }
        static const struct {
            QStringView text;
            AttributeOp op;
        } kOps[] = {{u"~=", AttributeOp::Word},     {u"|=", AttributeOp::DashPrefix},
                    {u"^=", AttributeOp::Prefix},   {u"$=", AttributeOp::Suffix},
                    {u"*=", AttributeOp::Contains}, {u"=", AttributeOp::Equals}};
        bool found = false;
        for (const auto& op : kOps) {
            if (text_.sliced(pos_).startsWith(op.text)) {
                test.op = op.op;
                pos_ += op.text.size();
                found = true;
                break;
            }
        }
        if (!found)
            return fail(QStringLiteral("属性 %1 的比较无法识别").arg(QString::fromUtf8(test.name)));
        QString value;
        if (!readValue(value, u"]"))
            return false;
        test.value = value.toUtf8();
        skipSpace();
        if (peek() == u'i' || peek() == u'I') {
            test.ignoreCase = true;
            ++pos_;
            skipSpace();
        }
        if (peek() != u']')
            return fail(QStringLiteral("缺少 \"]\""));
        ++pos_;
        compound.attributes.push_back(std::move(test));
        return true;
    }

    bool readNested(Selector& selector) {
        skipSpace();
        std::vector<SelectorComplex> list;
        if (!readList(list, true))
            return false;
        ++pos_; // ")"
        selector = makeSelector(std::move(list));
        return true;
    }

    bool readPseudo(SelectorCompound& compound) {
        const QString name = readName().toLower();
        const bool open = peek() == u'(';
        if (open)
            ++pos_;
        if (open && (name == u"not" || name == u"has")) {
            skipSpace();
            const bool child = name == u"has" && peek() == u'>';
            if (child)
                ++pos_;
            Selector nested;
            if (!readNested(nested))
                return false;
            (name == u"not" ? compound.nots
             : child        ? compound.hasChild
                            : compound.has)
                .push_back(std::move(nested));
            return true;
        }
        if (open && name == u"contains") {
            QString text;
            if (!readValue(text, u")"))
                return false;
            skipSpace();
            if (peek() != u')')
                return fail(QStringLiteral("缺少 \")\""));
            ++pos_;
            compound.contains.push_back(text);
            return true;
        }
        if (open && name == u"nth-child") {
            QString number;
            if (!readValue(number, u")"))
                return false;
            skipSpace();
            bool ok = false;
            const int n = number.toInt(&ok);
            if (!ok || n < 1 || peek() != u')')
                return fail(QStringLiteral(":nth-child 只接受正整数"));
            ++pos_;
            compound.positions.push_back({Position::NthChild, n});
            return true;
        }
        if (!open) {
            if (name == u"first-child")
                compound.positions.push_back({Position::FirstChild});
            else if (name == u"last-child")
                compound.positions.push_back({Position::LastChild});
            else if (name == u"only-child")
                compound.positions.push_back({Position::OnlyChild});
            else if (name == u"first-of-type")
                compound.positions.push_back({Position::FirstOfType});
            else
                return fail(QStringLiteral("不支持 :%1").arg(name));
            return true;
        }
        return fail(QStringLiteral("不支持 :%1()").arg(name));
    }

    static Selector makeSelector(std::vector<SelectorComplex> list);

    QStringView text_;
    qsizetype pos_ = 0;
};

} // namespace

// Friend-free construction: a Selector is made from its data only here.
class SelectorFactory {
public:
    static Selector make(std::vector<SelectorComplex> list) {
        Selector selector;
        auto data = std::make_shared<Selector::Data>();
        data->alternatives = std::move(list);
        selector.data_ = std::move(data);
        return selector;
    }
};

namespace {

Selector SelectorReader::makeSelector(std::vector<SelectorComplex> list) {
    return SelectorFactory::make(std::move(list));
}

// ---- matching ------------------------------------------------------------------------------------------

bool isElement(const GumboNode* node) {
    return node && node->type == GUMBO_NODE_ELEMENT;
}

const GumboNode* parentElement(const GumboNode* node) {
    const GumboNode* parent = node->parent;
    return isElement(parent) ? parent : nullptr;
}

const GumboVector* siblingsOf(const GumboNode* node) {
    const GumboNode* parent = node->parent;
    if (!parent)
        return nullptr;
    if (parent->type == GUMBO_NODE_DOCUMENT)
        return &parent->v.document.children;
    if (parent->type == GUMBO_NODE_ELEMENT || parent->type == GUMBO_NODE_TEMPLATE)
        return &parent->v.element.children;
    return nullptr;
}

const GumboNode* previousElement(const GumboNode* node) {
    const GumboVector* siblings = siblingsOf(node);
    if (!siblings)
        return nullptr;
    for (size_t i = node->index_within_parent; i-- > 0;) {
        const auto* sibling = static_cast<const GumboNode*>(siblings->data[i]);
        if (isElement(sibling))
            return sibling;
    }
    return nullptr;
}

QByteArray tagName(const GumboNode* element) {
    const GumboElement& e = element->v.element;
    if (e.tag != GUMBO_TAG_UNKNOWN)
        return QByteArray(gumbo_normalized_tagname(e.tag));
    GumboStringPiece original = e.original_tag;
    gumbo_tag_from_original_text(&original);
    return QByteArray(original.data, static_cast<qsizetype>(original.length)).toLower();
}

bool sameTag(const GumboNode* a, const GumboNode* b) {
    if (a->v.element.tag != b->v.element.tag)
        return false;
    return a->v.element.tag != GUMBO_TAG_UNKNOWN || tagName(a) == tagName(b);
}

const char* rawAttribute(const GumboNode* element, const char* name) {
    const GumboAttribute* attribute = gumbo_get_attribute(&element->v.element.attributes, name);
    return attribute ? attribute->value : nullptr;
}

bool hasWord(QByteArrayView list, QByteArrayView word) {
    qsizetype i = 0;
    const qsizetype n = list.size();
    while (i < n) {
        while (i < n && std::isspace(static_cast<unsigned char>(list[i])))
            ++i;
        const qsizetype start = i;
        while (i < n && !std::isspace(static_cast<unsigned char>(list[i])))
            ++i;
        if (i > start && list.sliced(start, i - start) == word)
            return true;
    }
    return false;
}

bool attributeMatches(const GumboNode* element, const AttributeTest& test) {
    const char* raw = rawAttribute(element, test.name.constData());
    if (!raw)
        return false;
    if (test.op == AttributeOp::Exists)
        return true;
    // Compared where it stands; copied only to fold its case.
    QByteArray folded;
    QByteArrayView value(raw);
    QByteArrayView wanted = test.value;
    QByteArray foldedWanted;
    if (test.ignoreCase) {
        folded = value.toByteArray().toLower();
        foldedWanted = test.value.toLower();
        value = folded;
        wanted = foldedWanted;
    }
    switch (test.op) {
    case AttributeOp::Exists:
        return true;
    case AttributeOp::Equals:
        return value == wanted;
    case AttributeOp::Word:
        return hasWord(value, wanted);
    case AttributeOp::DashPrefix:
        return value == wanted ||
               (value.startsWith(wanted) && value.size() > wanted.size() && value[wanted.size()] == '-');
    case AttributeOp::Prefix:
        return !wanted.isEmpty() && value.startsWith(wanted);
    case AttributeOp::Suffix:
        return !wanted.isEmpty() && value.endsWith(wanted);
    case AttributeOp::Contains:
        return !wanted.isEmpty() && value.indexOf(wanted) >= 0;
    }
    return false;
}

bool positionMatches(const GumboNode* element, const PositionTest& test) {
    const GumboVector* siblings = siblingsOf(element);
    if (!siblings)
        return false;
    int before = 0;
    int beforeOfType = 0;
    int after = 0;
    for (unsigned int i = 0; i < siblings->length; ++i) {
        const auto* sibling = static_cast<const GumboNode*>(siblings->data[i]);
        if (!isElement(sibling) || sibling == element)
            continue;
        if (i < element->index_within_parent) {
            ++before;
            beforeOfType += sameTag(sibling, element) ? 1 : 0;
        } else {
            ++after;
        }
    }
    switch (test.kind) {
    case Position::FirstChild:
        return before == 0;
    case Position::LastChild:
        return after == 0;
    case Position::OnlyChild:
        return before == 0 && after == 0;
    case Position::FirstOfType:
        return beforeOfType == 0;
    case Position::NthChild:
        return before + 1 == test.n;
    }
    return false;
}

bool hasMatchingChild(const Selector& selector, const GumboNode* element) {
    const GumboVector& children = element->v.element.children;
    for (unsigned int i = 0; i < children.length; ++i)
        if (selector.matches(static_cast<const GumboNode*>(children.data[i])))
            return true;
    return false;
}

bool tagMatches(const SelectorCompound& c, const GumboNode* element) {
    if (c.tag.isEmpty())
        return true;
    const GumboTag tag = element->v.element.tag;
    if (c.tagId != GUMBO_TAG_UNKNOWN)
        return tag == c.tagId;
    return tag == GUMBO_TAG_UNKNOWN && tagName(element) == c.tag;
}

// The tests of a compound that look at the element alone: its name, id, classes, attributes and position.
bool ownTestsMatch(const SelectorCompound& c, const GumboNode* element) {
    if (!tagMatches(c, element))
        return false;
    for (const QByteArray& id : c.ids) {
        const char* value = rawAttribute(element, "id");
        if (!value || id != value)
            return false;
    }
    if (!c.classes.empty()) {
        const char* value = rawAttribute(element, "class");
        if (!value)
            return false;
        for (const QByteArray& name : c.classes)
            if (!hasWord(QByteArrayView(value), name))
                return false;
    }
    for (const AttributeTest& test : c.attributes)
        if (!attributeMatches(element, test))
            return false;
    for (const PositionTest& test : c.positions)
        if (!positionMatches(element, test))
            return false;
    return true;
}

// The tests that may walk the element's subtree (:not, :has, :contains): asked last, once everything cheaper
// has matched, so that "#main > div:not(:has(.g))" walks the subtrees of #main's divs only, not of every div.
bool subtreeTestsMatch(const SelectorCompound& c, const GumboNode* element) {
    for (const Selector& selector : c.nots)
        if (selector.matches(element))
            return false;
    for (const Selector& selector : c.has)
        if (!selector.first(element))
            return false;
    for (const Selector& selector : c.hasChild)
        if (!hasMatchingChild(selector, element))
            return false;
    if (!c.contains.empty()) {
        const QString text = elementText(element);
        for (const QString& wanted : c.contains)
            if (!text.contains(wanted))
                return false;
    }
    return true;
}

bool matchesAt(const SelectorComplex& c, size_t i, const GumboNode* element);

// Whether the elements before element in the complex selector match, as its combinator relates them.
bool relatedMatch(const SelectorComplex& c, size_t i, const GumboNode* element) {
    if (i == 0)
        return true;
    switch (c.combinators[i - 1]) {
    case '>': {
        const GumboNode* parent = parentElement(element);
        return parent && matchesAt(c, i - 1, parent);
    }
    case '+': {
        const GumboNode* previous = previousElement(element);
        return previous && matchesAt(c, i - 1, previous);
    }
    case '~':
        for (const GumboNode* p = previousElement(element); p; p = previousElement(p))
            if (matchesAt(c, i - 1, p))
                return true;
        return false;
    default:
        for (const GumboNode* p = parentElement(element); p; p = parentElement(p))
            if (matchesAt(c, i - 1, p))
                return true;
        return false;
    }
}

bool matchesAt(const SelectorComplex& c, size_t i, const GumboNode* element) {
    const SelectorCompound& compound = c.compounds[i];
    return ownTestsMatch(compound, element) && relatedMatch(c, i, element) &&
           subtreeTestsMatch(compound, element);
}

const GumboVector* childrenOf(const GumboNode* node) {
    if (node->type == GUMBO_NODE_DOCUMENT)
        return &node->v.document.children;
    if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE)
        return &node->v.element.children;
    return nullptr;
}

// Walks the elements under scope in document order without recursion (hostile pages nest deeply) until
// visit returns false.
template <typename Visit> void forEachElementUnder(const GumboNode* scope, Visit visit) {
    struct Frame {
        const GumboVector* children;
        unsigned int next;
    };
    std::vector<Frame> stack;
    if (const GumboVector* children = childrenOf(scope))
        stack.push_back({children, 0});
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next >= top.children->length) {
            stack.pop_back();
            continue;
        }
        const auto* node = static_cast<const GumboNode*>(top.children->data[top.next++]);
        if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE)
            continue;
        if (!visit(node))
            return;
        if (const GumboVector* children = childrenOf(node); children && children->length > 0)
            stack.push_back({children, 0});
    }
}

} // namespace

Selector Selector::parse(QStringView text, QString* error) {
    if (text.trimmed().isEmpty())
        return {};
    SelectorReader reader(text);
    std::vector<SelectorComplex> list;
    if (!reader.readList(list, false)) {
        if (error)
            *error = reader.error;
        return {};
    }
    return SelectorFactory::make(std::move(list));
}

bool Selector::matches(const GumboInternalNode* element) const {
    if (!data_ || !isElement(element))
        return false;
    for (const SelectorComplex& complex : data_->alternatives)
        if (matchesAt(complex, complex.compounds.size() - 1, element))
            return true;
    return false;
}

const GumboInternalNode* Selector::first(const GumboInternalNode* scope) const {
    const GumboNode* found = nullptr;
    if (!data_ || !scope)
        return nullptr;
    forEachElementUnder(scope, [&](const GumboNode* element) {
        if (matches(element))
            found = element;
        return !found;
    });
    return found;
}

std::vector<const GumboInternalNode*> Selector::all(const GumboInternalNode* scope) const {
    std::vector<const GumboNode*> found;
    if (!data_ || !scope)
        return found;
    forEachElementUnder(scope, [&](const GumboNode* element) {
        if (matches(element))
            found.push_back(element);
        return true;
    });
    return found;
}

QString elementText(const GumboInternalNode* element) {
    QByteArray text;
    if (!element)
        return {};
    std::vector<const GumboNode*> stack{element};
    while (!stack.empty()) {
        const GumboNode* node = stack.back();
        stack.pop_back();
        if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE ||
            node->type == GUMBO_NODE_CDATA) {
            text += node->v.text.text;
            continue;
        }
        if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE)
            continue;
        const GumboTag tag = node->v.element.tag;
        if (tag == GUMBO_TAG_SCRIPT || tag == GUMBO_TAG_STYLE)
            continue;
        const GumboVector& children = node->v.element.children;
        for (unsigned int i = children.length; i-- > 0;)
            stack.push_back(static_cast<const GumboNode*>(children.data[i]));
    }
    return QString::fromUtf8(text).simplified();
}

QString attributeValue(const GumboInternalNode* element, const char* name) {
    if (!isElement(element))
        return {};
    const char* raw = rawAttribute(element, name);
    return raw ? QString::fromUtf8(raw) : QString();
}

} // namespace quorvane
