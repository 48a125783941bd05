#include "engine/Scanners.h"

#include "engine/EngineDefinitions.h"
#include "platform/Browser.h"
#include "platform/GbkCodec.h"
#include "platform/TextCutting.h"

#include <QByteArray>

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

QStringList scanCommon(const ScannerBytes& m, QByteArrayView markup) {
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

PageScan scanBaidu(const ScannerBytes& m, QByteArrayView markup) {
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

QByteArray markupOf(const Browser& browser, MarkupPart part) {
    return part == MarkupPart::Body ? browser.bodyMarkup() : browser.documentMarkup();
}

QStringList scanBrowser(const Browser& browser, QStringView engine) {
    const ScannerBytes* m = scannerBytesFor(engine);
    return m ? scanCommon(*m, markupOf(browser, m->markup)) : QStringList();
}

} // namespace

PageScan scanMarkup(QStringView engine, QByteArrayView markupGbk) {
    const ScannerBytes* m = scannerBytesFor(engine);
    if (!m)
        return {};
    if (engine == u"Baidu")
        return scanBaidu(*m, markupGbk);
    return {scanCommon(*m, markupGbk), 0};
}

QStringList scanBaiduPage(const Browser& browser, int& promoCount) {
    promoCount = 0;
    const ScannerBytes& m = *scannerBytesFor(u"Baidu");
    PageScan scan = scanBaidu(m, markupOf(browser, m.markup));
    promoCount = scan.promoCount;
    return std::move(scan.links);
}

QStringList scanGooglePage(const Browser& browser) {
    return scanBrowser(browser, u"Google");
}

bool scanResultPage(const Browser& browser, QStringView engine, QStringList& pageLinks, int& promoCount) {
    pageLinks.clear();
    if (engine == u"Baidu")
        pageLinks = scanBaiduPage(browser, promoCount);
    else if (scannerBytesFor(engine))
        pageLinks = scanBrowser(browser, engine);
    return !pageLinks.isEmpty();
}

} // namespace quorvane
