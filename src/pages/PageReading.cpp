#include "pages/PageReading.h"

#include "pages/PageDecoder.h"
#include "pages/RenderedPage.h"

#include <algorithm>

namespace quorvane {

PageReading readPageInProcess(PageRequest request) {
    QByteArray utf8 = pageToUtf8(request.page, request.charset);
    request.page = {};
    RenderedPage rendered = renderOwnedHtml(std::move(utf8));
    PageReading reading;
    if (request.readResults) {
        const PageScan scan = scanMarkup(
            request.markers, request.markers.markup == MarkupPart::Body ? rendered.body : rendered.root);
        // A result is never a link within the engine's own site.
        const bool foundResults = std::any_of(scan.links.cbegin(), scan.links.cend(),
                                              [](const QString& link) { return !link.startsWith(u'/'); });
        if (foundResults) {
            reading.results = resultsOfScan(scan);
        } else if (rendered.tree) {
            TreeReading fromTree = ResultReader(request.tree).readPage(rendered.tree->root(), request.base);
            reading.results = std::move(fromTree.results);
            reading.noResultsPage = fromTree.noResultsPage;
        }
    }
    const bool unread = reading.results.isEmpty() && !reading.noResultsPage;
    if (request.markup == MarkupWanted::Always || (request.markup == MarkupWanted::WhenUnread && unread)) {
        reading.bodyGbk = std::move(rendered.body);
        reading.rootGbk = std::move(rendered.root);
    }
    return reading;
}

} // namespace quorvane
