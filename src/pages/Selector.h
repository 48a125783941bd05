#pragma once

#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

struct GumboInternalNode; // gumbo's GumboNode

namespace quorvane {

// A CSS selector over a parsed page, the notation people who write scrapers know. What it understands:
//  - type selectors and *, #id, .class, attribute tests [a], [a=v], [a~=v], [a|=v], [a^=v], [a$=v], [a*=v]
//    (values quoted or bare; an " i" before the "]" compares ASCII letters without case);
//  - combinators: descendant (space), child ">", next sibling "+", later sibling "~";
//  - lists separated by ",";
//  - :not(list), :has(list) (a descendant matches), :has(> list) (a child matches), :first-child,
//  :last-child, :only-child, :first-of-type,
//    :nth-child(N), and :contains("text") (the element's text holds the text, as jQuery has it).
// Tag and attribute names compare without case, as HTML's do; class and id values exactly.
class Selector {
public:
    Selector() = default;
    // The selector of the text; an empty text gives an empty selector, which matches nothing. A text it
    // cannot read gives an empty selector and says why in error (when given).
    static Selector parse(QStringView text, QString* error = nullptr);

    bool isEmpty() const { return !data_; }
    bool matches(const GumboInternalNode* element) const;
    // The first element under scope (scope itself excluded), in document order, that matches; null when none.
    const GumboInternalNode* first(const GumboInternalNode* scope) const;
    // Every element under scope (scope excluded) that matches, in document order.
    std::vector<const GumboInternalNode*> all(const GumboInternalNode* scope) const;

    struct Data;
    friend class SelectorFactory;

private:
    std::shared_ptr<const Data> data_;
};

// The text an element holds (its descendants' text, script and style left out), white space runs as one
// space, trimmed.
QString elementText(const GumboInternalNode* element);
// An attribute's value, empty when the element has none.
QString attributeValue(const GumboInternalNode* element, const char* name);

} // namespace quorvane
