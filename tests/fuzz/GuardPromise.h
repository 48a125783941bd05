// The nesting guard's promise checked against the parser itself: the part of a page that the guard keeps,
// parsed by gumbo, nests no deeper and has no more nodes than the guard's limits allow. The guard follows the
// parser with a model of its own; this is what tells when the model and the parser part ways.
#pragma once

#include <QByteArrayView>

#include <string>

namespace quorvane {

struct ParsedTreeSize {
    int depth = 0;       // elements on the longest path down from the document, <html> being 1
    qsizetype nodes = 0; // every node the parser builds: the document, elements, attributes, texts, comments
};

// Parses the first `length` bytes of the page as the page pipeline does and measures the tree.
ParsedTreeSize parsedTreeSize(QByteArrayView utf8Html, qsizetype length);

// What the page breaks of the guard's promise with these limits, in words; empty when the promise holds.
std::string guardPromiseBreach(QByteArrayView utf8Html, int maxDepth, qsizetype maxNodes);

} // namespace quorvane
