#include "engine/Scanners.h"

#include "platform/Browser.h"
#include "platform/GbkCodec.h"
#include "store/SharedFunctions.h"

#include <QByteArray>

#include <string_view>

namespace quorvane {

namespace {

// The marker texts as the scanners meet them: GBK bytes, made once.
struct GbkMarkers {
    QStringView engine;
    MarkupPart part;
    QByteArray itemStart;
    QByteArray itemEnd;
    QByteArray linkEnd; // with its leading double quote
};

struct GbkTable {
    std::array<GbkMarkers, kScannerMarkers.size()> engines;
    QByteArray linkStart;
    QByteArray baiduMapItem;
    QByteArray baiduPromoted;
    QByteArray baiduGreenStart;
    QByteArray baiduGreenEnd;
};

const GbkTable& gbkTable() {
    static const GbkTable table = [] {
        GbkTable t;
        for (size_t i = 0; i < kScannerMarkers.size(); ++i) {
            const ScannerMarkers& m = kScannerMarkers[i];
            t.engines[i] = {m.engine, m.part, ToGbk(m.itemStart), ToGbk(m.itemEnd), '"' + ToGbk(m.linkEnd)};
        }
        t.linkStart = ToGbk(kLinkStart);
        t.baiduMapItem = ToGbk(kBaiduMapItem);
        t.baiduPromoted = ToGbk(kBaiduPromoted);
        t.baiduGreenStart = ToGbk(kBaiduGreenStart);
        t.baiduGreenEnd = ToGbk(kBaiduGreenEnd);
        return t;
    }();
    return table;
}

const GbkMarkers* markersFor(QStringView engine) {
    for (const GbkMarkers& m : gbkTable().engines)
        if (m.engine == engine)
            return &m;
    return nullptr;
}

bool contains(QByteArrayView text, QByteArrayView marker) {
    return std::string_view(text.data(), static_cast<size_t>(text.size()))
               .find(std::string_view(marker.data(), static_cast<size_t>(marker.size()))) !=
           std::string_view::npos;
}

QStringList scanCommon(const GbkMarkers& m, QByteArrayView markup) {
    const QByteArray& linkStart = gbkTable().linkStart;
    QStringList links;
    QByteArrayView rest = markup;
    for (;;) {
        QByteArrayView item = CutBetween(rest, m.itemStart, m.itemEnd);
        const QByteArrayView link = CutBetween(item, linkStart, m.linkEnd);
        if (link.isEmpty())
            return links;
        links << FromGbk(link);
    }
}

PageScan scanBaidu(const GbkMarkers& m, QByteArrayView markup) {
    const GbkTable& t = gbkTable();
    PageScan scan;
    QByteArrayView rest = markup;
    for (;;) {
        QByteArrayView item = CutBetween(rest, m.itemStart, m.itemEnd);
        if (contains(item, t.baiduMapItem))
            continue; // a map block: neither a result nor counted
        QByteArrayView link;
        if (contains(item, t.baiduPromoted)) {
            // A promoted result: its link goes through the engine, so the green display address counts.
            ++scan.promoCount;
            link = CutBetween(item, t.baiduGreenStart, t.baiduGreenEnd);
        } else {
            link = CutBetween(item, t.linkStart, m.linkEnd);
        }
        if (link.isEmpty())
            return scan;
        scan.links << FromGbk(link);
    }
}

QByteArray markupOf(const Browser& browser, MarkupPart part) {
    return part == MarkupPart::Body ? browser.BodyMarkup() : browser.DocumentMarkup();
}

QStringList scanBrowser(const Browser& browser, QStringView engine) {
    const GbkMarkers* m = markersFor(engine);
    return m ? scanCommon(*m, markupOf(browser, m->part)) : QStringList();
}

} // namespace

PageScan ScanMarkup(QStringView engine, QByteArrayView markupGbk) {
    const GbkMarkers* m = markersFor(engine);
    if (!m)
        return {};
    if (engine == u"Baidu")
        return scanBaidu(*m, markupGbk);
    return {scanCommon(*m, markupGbk), 0};
}

QStringList ScanBaiduPage(const Browser& browser, int& promoCount) {
    promoCount = 0;
    const GbkMarkers& m = *markersFor(u"Baidu");
    PageScan scan = scanBaidu(m, markupOf(browser, m.part));
    promoCount = scan.promoCount;
    return std::move(scan.links);
}

QStringList ScanGooglePage(const Browser& browser) {
    return scanBrowser(browser, u"Google");
}
QStringList ScanYahooPage(const Browser& browser) {
    return scanBrowser(browser, u"Yahoo");
}
QStringList ScanSosoPage(const Browser& browser) {
    return scanBrowser(browser, u"Soso");
}
QStringList ScanBingPage(const Browser& browser) {
    return scanBrowser(browser, u"Bing");
}
QStringList ScanSogouPage(const Browser& browser) {
    return scanBrowser(browser, u"Sogou");
}
QStringList ScanYoudaoPage(const Browser& browser) {
    return scanBrowser(browser, u"Youdao");
}

bool ScanResultPage(const Browser& browser, QStringView engine, QStringList& pageLinks, int& promoCount) {
    pageLinks.clear();
    if (engine == u"Baidu")
        pageLinks = ScanBaiduPage(browser, promoCount);
    else if (markersFor(engine))
        pageLinks = scanBrowser(browser, engine);
    return !pageLinks.isEmpty();
}

} // namespace quorvane
