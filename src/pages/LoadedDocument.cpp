#include "pages/LoadedDocument.h"

#include "pages/PageReader.h"
#include "pages/RenderedPage.h"

#include <stdexcept>

namespace quorvane {

LoadedDocument::LoadedDocument() = default;
LoadedDocument::~LoadedDocument() = default;

void LoadedDocument::set(PageDocument document) {
    document_ = std::move(document);
    markup_.reset();
}

const PageDocument& LoadedDocument::document() const {
    if (!document_)
        throw std::runtime_error("The browser holds no document");
    return *document_;
}

const PageReading& LoadedDocument::markup() const {
    if (markup_)
        return *markup_;
    const PageDocument& loaded = document();
    if (loaded.bytes.isEmpty()) {
        // A failed load's empty document: nothing untrusted to parse, and no reader to start for it.
        const RenderedPage empty = renderHtml(QByteArrayView());
        markup_ = PageReading{{}, false, empty.body, empty.root};
        return *markup_;
    }
    if (!reader_)
        reader_ = std::make_unique<PageReader>();
    PageRequest request;
    request.page = loaded.bytes;
    request.charset = loaded.charset;
    request.markup = MarkupWanted::Always;
    PageReaderReply reply = reader_->read(request);
    if (!reply.read())
        throw std::runtime_error(readerEndNote(reply).toStdString());
    markup_ = std::move(reply.reading);
    return *markup_;
}

QByteArray LoadedDocument::bodyMarkup() const {
    return markup().bodyGbk;
}

QByteArray LoadedDocument::rootMarkup() const {
    return markup().rootGbk;
}

} // namespace quorvane
