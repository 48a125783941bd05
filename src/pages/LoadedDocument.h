#pragma once

#include "pages/Browser.h"
#include "pages/PageReading.h"

#include <QByteArray>

#include <memory>
#include <optional>

namespace quorvane {

class PageReader;

// A browser's loaded document as it arrived, and its serialised markup, made on demand by a page reader of
// the document's own (PageReader.h), so that the browser never parses a page in its own process. The rank
// checks read the document with their worker's reader instead and never ask this one; the maker's panel and
// the version check ask for markup. Belongs to its browser's thread.
class LoadedDocument {
public:
    LoadedDocument();
    ~LoadedDocument();
    LoadedDocument(const LoadedDocument&) = delete;
    LoadedDocument& operator=(const LoadedDocument&) = delete;

    void set(PageDocument document);
    // Throw std::runtime_error without a document.
    const PageDocument& document() const;
    // Also when the reader could not read the page (it says why).
    QByteArray bodyMarkup() const;
    QByteArray rootMarkup() const;

private:
    const PageReading& markup() const;

    std::optional<PageDocument> document_;
    mutable std::optional<PageReading> markup_;
    mutable std::unique_ptr<PageReader> reader_;
};

} // namespace quorvane
