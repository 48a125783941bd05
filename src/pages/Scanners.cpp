#include "pages/Scanners.h"

#include "pages/Browser.h"
#include "platform/GbkCodec.h"
#include "platform/TextCutting.h"

#include <string_view>

namespace quorvane {

namespace {

const QByteArray& linkStart() {
    static const QByteArray marker = toGbk(kLinkStart);
    return marker;
}

bool contains(QByteArrayView text, QByteArrayView marker) {
    return std::string_view(text.data(), static_cast<size_t>(text.size()))
               .find(std::string_view(marker.data(), static_cast<size_t>(marker.size()))) !=
           std::string_view::npos;
}

QStringList scanCommon(const PageMarkers& m, QByteArrayView markup) {
    QStringList links;
    QByteArrayView rest = markup;
    for (;;) {
        QByteArrayView item = cutBetween(rest, m.itemStart, m.itemEnd);
        const QByteArrayView link = cutBetween(item, linkStart(), m.linkEnd);
        if (link.isEmpty())
            return links;
        links << fromGbk(link);
    }
}

PageScan scanWithPromotedItems(const PageMarkers& m, QByteArrayView markup) {
    PageScan scan;
    QByteArrayView rest = markup;
    for (;;) {
        QByteArrayView item = cutBetween(rest, m.itemStart, m.itemEnd);
        if (contains(item, m.mapItem))
            continue; // a map block: neither a result nor counted
        QByteArrayView link;
        if (contains(item, m.promotedMark)) {
            // A promoted result: its link goes through the engine, so the green display address counts.
            ++scan.promoCount;
            link = cutBetween(item, m.greenStart, m.greenEnd);
        } else {
            link = cutBetween(item, linkStart(), m.linkEnd);
        }
        if (link.isEmpty())
            return scan;
        scan.links << fromGbk(link);
    }
}

} // namespace

PageScan scanMarkup(const PageMarkers& markers, QByteArrayView markupGbk) {
    if (markers.promotedItems)
        return scanWithPromotedItems(markers, markupGbk);
    return {scanCommon(markers, markupGbk), 0};
}

PageScan scanBrowserPage(const Browser& browser, const PageMarkers& markers) {
    return scanMarkup(markers,
                      markers.markup == MarkupPart::Body ? browser.bodyMarkup() : browser.documentMarkup());
}

PageResults resultsOfScan(const PageScan& scan) {
    PageResults results;
    results.reserve(scan.links.size());
    for (qsizetype i = 0; i < scan.links.size(); ++i)
        results.append({scan.links[i], {}, i < scan.promoCount});
    return results;
}

} // namespace quorvane
