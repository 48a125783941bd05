#pragma once

#include <QByteArrayView>

namespace quorvane {

// What parsing a page costs, bounded before the parser sees it.
//
// Time: the HTML parser checks element scopes by walking its stack of open elements, so a page that nests
// elements very deeply costs time in the square of its depth (a few megabytes of unclosed <div> tags would
// keep the one thread busy for hours), and the parser frees a deep tree by recursion. A light pass follows
// the nesting the way the parser's tree builder does: end tags close up to their open element within its
// scope; elements whose end tags may be left out (p, li, td, tr, option, ...) are closed by the tags that
// close them; a second <a> or <nobr> closes the first, a heading closes a heading, a form inside a form and
// repeated <html>/<body> tags are ignored, and so are tags inside a <select> but options, scripts and
// templates; formatting elements closed by their block are reopened before the next text, as the parser
// reopens them; tags written inside quoted attribute values are values, not tags. Inside a table it reads
// tags as the parser does there: table parts close the parts they cannot sit in and bring the ones they need
// (a cell its row and row group, a column its column group), a table closes the open one, and what is no
// part of a table the parser moves before it yet keeps open, so that it counts, nests and is closed with the
// table; a select inside a table ends at a table part. A template reads its content as its first tag says
// (cells as in a row, and so on); SVG and MathML elements nest until an HTML block ends them, and an end tag
// there closes the element of its name; after a doctype that leaves quirks mode a table closes an open
// paragraph. The page is cut where that depth would pass the limit, and before a select opened in a table
// above an SVG or MathML element named select, on which the parser itself fails. Real result pages nest a
// few dozen levels; a cut page still shows everything before the cut.
//
// Memory: every node the parser builds (element, attribute, text, comment) costs a few hundred bytes, so a
// few megabytes of <br> or <td> tags would take most of a gigabyte. The same pass counts the nodes, the
// copies of formatting elements that the parser makes when it moves a block out of one among them; a page
// with more than the limit is refused as a whole.
//
// The promise, checked against the parser by the page fuzz target and the tests: the part of a page that is
// parsed nests no deeper than the limit below <html> and <head> or <body>, and unless the page is refused it
// has no more nodes than the limit besides the document, its <html>, <head> and <body>, and the spaces
// before the body.
inline constexpr int kMaxNestingDepth = 256;
inline constexpr qsizetype kMaxPageNodes = 200'000;

struct PageCost {
    qsizetype parseLength = 0; // the bytes to parse: all of them unless the page is cut (see above)
    qsizetype nodes = 0; // nodes the parser builds from those bytes, about; counting stops past the limit
    bool overNodeLimit = false;
};

PageCost measurePage(QByteArrayView html, int maxDepth = kMaxNestingDepth,
                     qsizetype maxNodes = kMaxPageNodes);

// How many bytes of the page to parse: its whole length unless the page is cut (see above).
qsizetype nestingSafeLength(QByteArrayView html, int maxDepth = kMaxNestingDepth);

} // namespace quorvane
