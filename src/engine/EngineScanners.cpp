#include "engine/EngineScanners.h"

#include "engine/EngineDefinitions.h"

namespace quorvane {

PageScan scanMarkup(QStringView engine, QByteArrayView markupGbk) {
    const PageMarkers* markers = scannerBytesFor(engine);
    return markers ? scanMarkup(*markers, markupGbk) : PageScan();
}

QStringList scanBaiduPage(const Browser& browser, int& promoCount) {
    promoCount = 0;
    PageScan scan = scanBrowserPage(browser, *scannerBytesFor(u"Baidu"));
    promoCount = scan.promoCount;
    return std::move(scan.links);
}

QStringList scanGooglePage(const Browser& browser) {
    return scanBrowserPage(browser, *scannerBytesFor(u"Google")).links;
}

bool scanResultPage(const Browser& browser, QStringView engine, QStringList& pageLinks, int& promoCount) {
    pageLinks.clear();
    const PageMarkers* markers = scannerBytesFor(engine);
    if (!markers)
        return false;
    PageScan scan = scanBrowserPage(browser, *markers);
    if (markers->promotedItems)
        promoCount = scan.promoCount;
    pageLinks = std::move(scan.links);
    return !pageLinks.isEmpty();
}

} // namespace quorvane
