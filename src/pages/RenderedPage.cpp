#include "pages/RenderedPage.h"

#include "pages/MarkupSerializer.h"
#include "pages/PageDecoder.h"
#include "platform/GbkCodec.h"

#include <gumbo.h>

#include <cstdlib>
#include <memory>
#include <new>

namespace quorvane {

namespace {

// The parser would go on with a null block; as operator new does, the new-handler is asked to make room
// (the page reader's ends the process as out of memory), and without one the process ends.
void* allocate(void* /*userdata*/, size_t size) {
    for (;;) {
        if (void* block = std::malloc(size))
            return block;
        const std::new_handler handler = std::get_new_handler();
        if (!handler)
            std::abort();
        handler();
    }
}

void release(void* /*userdata*/, void* block) {
    std::free(block);
}

GumboOptions parseOptions() {
    GumboOptions options = kGumboDefaultOptions;
    // The parse errors of a sloppy page are of no use here; recording them costs time and memory.
    options.max_errors = 0;
    options.allocator = allocate;
    options.deallocator = release;
    return options;
}

struct OutputDeleter {
    void operator()(GumboOutput* output) const {
        const GumboOptions options = parseOptions();
        gumbo_destroy_output(&options, output);
    }
};
using ParsedDocument = std::unique_ptr<GumboOutput, OutputDeleter>;

ParsedDocument parse(QByteArrayView utf8Html) {
    const GumboOptions options = parseOptions();
    return ParsedDocument(
        gumbo_parse_with_options(&options, utf8Html.data(), static_cast<size_t>(utf8Html.size())));
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

RenderedPage renderOwnedHtml(QByteArray utf8Html) {
    const qsizetype sourceSize = utf8Html.size();
    auto document = std::make_shared<const ParsedPage>(std::move(utf8Html));
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

RenderedPage renderHtml(QByteArrayView utf8Html) {
    return renderOwnedHtml(utf8Html.toByteArray());
}

RenderedPage renderPageBytes(QByteArrayView page, QByteArrayView headerCharset) {
    return renderOwnedHtml(pageToUtf8(page, headerCharset));
}

ParsedPage::ParsedPage(QByteArray utf8Html)
    : source_(std::move(utf8Html))
    , output_(parse(source_).release()) {}

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
