#pragma once

#include <QByteArray>
#include <QString>

struct GumboInternalNode; // gumbo's GumboNode

namespace quorvane {

// Writes a parsed document tree back to markup in the serialisation the period markers were written for:
//  - tag names in upper case (the TBODY that the parser inserts into tables included);
//  - attribute names as written in the source; a value is left unquoted unless it is empty or holds a
//    character that would end an unquoted value (space, quotes, "=", "<", ">", "`"); href values are always
//    in double quotes; an attribute written without a value stays without one;
//  - "&", "<", ">" and the no-break space escaped in text, "&", "\"" and the no-break space in values;
//    script and style text written as it stands;
//  - end tags for every element except the void ones (BR, IMG, INPUT, ...);
//  - text made only of white space between tags is left out (layout white space that serialisation did not
//    keep), except inside PRE, TEXTAREA, LISTING, SCRIPT and STYLE.
// Deep trees are walked without recursion, so hostile nesting cannot exhaust the stack.

// The inner markup of an element: its children, serialised.
QString innerMarkup(const GumboInternalNode* element);

// The inner markup of the root element as UTF-8, with the span of the body's own inner markup in it, so that
// one pass gives both texts the browser contract offers. The span is empty (begin == end == 0) without a
// body. sourceSize, the length of the text the page was parsed from, sizes the one buffer it is written in.
struct RootMarkup {
    QByteArray utf8;
    qsizetype bodyBegin = 0;
    qsizetype bodyEnd = 0;
};
RootMarkup innerMarkupWithBody(const GumboInternalNode* root, const GumboInternalNode* body,
                               qsizetype sourceSize);

} // namespace quorvane
