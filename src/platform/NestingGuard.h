#pragma once

#include <QByteArrayView>

namespace quorvane {

// The HTML parser checks element scopes by walking its stack of open elements, so a page that nests
// elements very deeply costs time in the square of its depth: a few megabytes of unclosed <div> tags
// would keep the one thread busy for hours. Before parsing, a light pass follows the nesting (an end tag
// closes up to its nearest open start tag, as the parser does; elements whose end tags may be left out
// are not counted) and cuts the page where that depth would pass the limit. Real result pages nest a few
// dozen levels; a cut page still shows everything before the cut.
inline constexpr int kMaxNestingDepth = 256;

// How many bytes of the page to parse: its whole length unless it nests deeper than the limit.
qsizetype NestingSafeLength(QByteArrayView html, int maxDepth = kMaxNestingDepth);

} // namespace quorvane
