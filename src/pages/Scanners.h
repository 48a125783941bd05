#pragma once

#include "pages/PageResults.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

namespace quorvane {

class Browser;

// The period scanners: they cut the serialised markup of a loaded result page (GBK text, MarkupSerializer.h)
// into result items with marker texts and take one link out of each item. The markers match exactly and
// case-sensitively. Which markers an engine uses is the engine's definition (engine/EngineDefinitions.h).

enum class MarkupPart { Body, Root }; // which element's inner markup a scanner reads

// Every link starts after href and a double quote.
inline constexpr QStringView kLinkStart = u"href=\"";

// One engine's markers as the scanners compare them with page markup: GBK bytes.
struct PageMarkers {
    MarkupPart markup = MarkupPart::Root;
    QByteArray itemStart; // an item starts after this...
    QByteArray itemEnd;   // ...and ends before this
    QByteArray linkEnd;   // the link ends here; the double quote in front included
    // Baidu's rules when set: items holding mapItem are skipped; items holding promotedMark are promoted
    // results whose link is the display address between greenStart and greenEnd.
    bool promotedItems = false;
    QByteArray mapItem;
    QByteArray promotedMark;
    QByteArray greenStart;
    QByteArray greenEnd;

    bool operator==(const PageMarkers&) const = default;
};

// What a scan found: the links in page order and how many of them are promoted items (Baidu's rules).
struct PageScan {
    QStringList links;
    int promoCount = 0;
};

// Scans serialised markup (GBK). The common loop stops at the first item without a link of the expected form,
// and when no further item is found; with Baidu's rules a map item is passed over. Linear in the size of the
// markup.
PageScan scanMarkup(const PageMarkers& markers, QByteArrayView markupGbk);
// The same on a browser's loaded document (body or root markup as the markers say). Reading a browser without
// a document throws, and that is left to the caller's error path.
PageScan scanBrowserPage(const Browser& browser, const PageMarkers& markers);

// The links of a scan as page results: each promoted item's display address is its address.
PageResults resultsOfScan(const PageScan& scan);

} // namespace quorvane
