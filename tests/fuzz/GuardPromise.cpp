#include "GuardPromise.h"

#include "pages/NestingGuard.h"

#include <gumbo.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace quorvane {

namespace {

// The guard's model of the tree leaves out what every document has once: the document node and the <html>,
// <head> and <body> elements, which the parser makes whether the page names them or not and into which it
// merges repeated ones (their attributes the model does count); and the one text that the parser splits
// where the body begins, its leading spaces staying in the head ("<title>t</title>\n x": "\n " and "x").
constexpr qsizetype kImpliedNodes = 5;
// Of those, <html> and one of <head> and <body> stand above every element of the page.
constexpr int kImpliedLevels = 2;

struct OutputDeleter {
    void operator()(GumboOutput* output) const { gumbo_destroy_output(&kGumboDefaultOptions, output); }
};

} // namespace

ParsedTreeSize parsedTreeSize(QByteArrayView utf8Html, qsizetype length) {
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0; // as the page pipeline parses
    const std::unique_ptr<GumboOutput, OutputDeleter> output(
        gumbo_parse_with_options(&options, utf8Html.data(), static_cast<size_t>(length)));
    ParsedTreeSize size;
    // Walked without recursion: a tree deeper than promised is what this looks for.
    std::vector<std::pair<const GumboNode*, int>> pending{{output->document, 0}};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        ++size.nodes;
        const GumboVector* children = nullptr;
        if (node->type == GUMBO_NODE_DOCUMENT) {
            children = &node->v.document.children;
        } else if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) {
            children = &node->v.element.children;
            size.nodes += node->v.element.attributes.length;
            size.depth = std::max(size.depth, depth); // texts and comments hold nothing: they do not nest
        }
        for (unsigned int i = 0; children && i < children->length; ++i)
            pending.emplace_back(static_cast<const GumboNode*>(children->data[i]), depth + 1);
    }
    return size;
}

std::string guardPromiseBreach(QByteArrayView utf8Html, int maxDepth, qsizetype maxNodes) {
    const PageCost cost = measurePage(utf8Html, maxDepth, maxNodes);
    if (cost.overNodeLimit)
        return {}; // refused as a whole: nothing is parsed
    const ParsedTreeSize size = parsedTreeSize(utf8Html, cost.parseLength);
    std::string breach;
    if (size.depth > maxDepth + kImpliedLevels)
        breach += "the parser nests " + std::to_string(size.depth) + " levels deep, more than " +
                  std::to_string(maxDepth) + " and <html> and <body>; ";
    if (size.nodes > maxNodes + kImpliedNodes)
        breach += "the parser builds " + std::to_string(size.nodes) + " nodes, more than " +
                  std::to_string(maxNodes) + " and the document's own; ";
    if (!breach.empty())
        breach += "the guard counted " + std::to_string(cost.nodes) + " nodes in " +
                  std::to_string(cost.parseLength) + " of " + std::to_string(utf8Html.size()) + " bytes";
    return breach;
}

} // namespace quorvane
