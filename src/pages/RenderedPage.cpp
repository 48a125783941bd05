#include "pages/RenderedPage.h"

#include "pages/MarkupSerializer.h"
#include "pages/NestingGuard.h"
#include "pages/PageDecoder.h"
#include "platform/GbkCodec.h"

#include <gumbo.h>

#include <memory>

namespace quorvane {

namespace {

struct OutputDeleter {
    void operator()(GumboOutput* output) const { gumbo_destroy_output(&kGumboDefaultOptions, output); }
};
using ParsedDocument = std::unique_ptr<GumboOutput, OutputDeleter>;

// Parses the part of the page that the guard lets through; nothing when the page has too many nodes.
ParsedDocument parse(QByteArrayView utf8Html, const PageCost& cost) {
    if (cost.overNodeLimit)
        return nullptr;
    GumboOptions options = kGumboDefaultOptions;
    // The parse errors of a sloppy page are of no use here; recording them costs time and memory.
    options.max_errors = 0;
    return ParsedDocument(
        gumbo_parse_with_options(&options, utf8Html.data(), static_cast<size_t>(cost.parseLength)));
}

ParsedDocument parse(QByteArrayView utf8Html) {
    return parse(utf8Html, measurePage(utf8Html));
}

// The body element, or the frameset that takes its place in a frames page.
const GumboNode* bodyOf(const GumboNode* root) {
    if (!root || root->type != GUMBO_NODE_ELEMENT)
        return nullptr;
    const GumboVector& children = root->v.element.children;
    for (unsigned int i = 0; i < children.length; ++i) {
        const auto* child = static_cast<const GumboNode*>(children.data[i]);
        if (child->type == GUMBO_NODE_ELEMENT &&
            (child->v.element.tag == GUMBO_TAG_BODY || child->v.element.tag == GUMBO_TAG_FRAMESET))
            return child;
    }
    return nullptr;
}

} // namespace

namespace {

// Parses and serialises text the page owns already (no copy of it for the tree to point into).
RenderedPage renderOwnedHtml(QByteArray utf8Html) {
    const PageCost cost = measurePage(utf8Html);
    if (cost.overNodeLimit) {
        RenderedPage refused = renderOwnedHtml({});
        refused.refusal =
            QStringLiteral("the page has more than %1 elements, attributes and texts").arg(kMaxPageNodes);
        return refused;
    }
    const qsizetype sourceSize = utf8Html.size();
    auto document = std::make_shared<const ParsedPage>(std::move(utf8Html), cost);
    if (!document->root())
        return {};
    const GumboNode* root = document->root();
    // Serialised once into one buffer, converted once into another; the body's markup is a span of the
    // root's, so its GBK bytes are a span of the root's GBK bytes too.
    const RootMarkup markup = innerMarkupWithBody(root, bodyOf(root), sourceSize);
    const QByteArrayView utf8(markup.utf8);
    RenderedPage page;
    page.tree = std::move(document);
    page.root.reserve(utf8.size() + 1);
    appendUtf8AsGbk(page.root, utf8.first(markup.bodyBegin));
    const qsizetype bodyBegin = page.root.size();
    appendUtf8AsGbk(page.root, utf8.sliced(markup.bodyBegin, markup.bodyEnd - markup.bodyBegin));
    const qsizetype bodyEnd = page.root.size();
    appendUtf8AsGbk(page.root, utf8.sliced(markup.bodyEnd));
    page.body = QByteArrayView(page.root).sliced(bodyBegin, bodyEnd - bodyBegin).toByteArray();
    return page;
}

} // namespace

RenderedPage renderHtml(QByteArrayView utf8Html) {
    return renderOwnedHtml(utf8Html.toByteArray());
}

RenderedPage renderPageBytes(QByteArrayView page, QByteArrayView headerCharset) {
    return renderOwnedHtml(pageToUtf8(page, headerCharset));
}

ParsedPage::ParsedPage(QByteArray utf8Html)
    : source_(std::move(utf8Html))
    , output_(parse(source_).release()) {}

ParsedPage::ParsedPage(QByteArray utf8Html, const PageCost& cost)
    : source_(std::move(utf8Html))
    , output_(parse(source_, cost).release()) {}

ParsedPage::~ParsedPage() {
    if (output_)
        OutputDeleter()(output_);
}

const GumboInternalNode* ParsedPage::root() const {
    return output_ ? output_->root : nullptr;
}

QString bodyInnerMarkup(QByteArrayView utf8Html) {
    const ParsedDocument document = parse(utf8Html);
    return document ? innerMarkup(bodyOf(document->root)) : QString();
}

QString rootInnerMarkup(QByteArrayView utf8Html) {
    const ParsedDocument document = parse(utf8Html);
    return document ? innerMarkup(document->root) : QString();
}

} // namespace quorvane
