// The page pipeline on arbitrary bytes, as a page reader runs it on a received page, in this process for the
// fuzzer's speed: decode by charset, parse, serialise, convert to GBK, read every engine's results; then
// every scanner on the markup and the URL match on what they found. Besides crashes and sanitizer reports it
// checks what must hold for any page. (What ends the parser ends a reader process in the program; the
// hostile-page harness, hostile_reader.cpp, sends pages through the real one.)
//
// Input: a first byte below 0x20 gives the length of a charset label that follows, as a Content-Type
// header would carry it; the rest is the page. Any other first byte starts the page, without a header label.
#include "engine/EngineScanners.h"
#include "engine/SiteHosts.h"
#include "engine/UrlMatch.h"
#include "pages/Browser.h"
#include "pages/PageReading.h"
#include "pages/RenderedPage.h"

#include <QByteArrayView>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace {

using namespace quorvane;

// A browser that holds one rendered page, for the scanners that read a browser.
class RenderedBrowser final : public Browser {
public:
    explicit RenderedBrowser(RenderedPage page)
        : page_(std::move(page)) {}

    void setSilent(bool) override {}
    void navigate(const QString&) override {}
    int readyState() const override { return ReadyStateComplete; }
    QByteArray bodyMarkup() const override { return page_.body; }
    QByteArray documentMarkup() const override { return page_.root; }

private:
    RenderedPage page_;
};

// A failed check: libFuzzer catches the abort; the replay driver tells this exit status apart from the
// parser's own ends (replay_main.cpp).
void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "page pipeline: %s\n", what);
#ifdef QUORVANE_LIBFUZZER
        std::abort();
#else
        std::_Exit(70);
#endif
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArrayView page(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QByteArrayView label;
    if (!page.isEmpty() && static_cast<unsigned char>(page.front()) < 0x20) {
        const qsizetype length = std::min<qsizetype>(page.front(), page.size() - 1);
        label = page.sliced(1, length);
        page = page.sliced(1 + length);
    }

    RenderedPage rendered = renderPageBytes(page, label);
    check(rendered.root.contains(rendered.body), "the body's markup is part of the root's");
    // The reader's work on the same page: what it serialises is what the browser rendering gives, and each
    // engine's reading of it stays within what the page holds.
    for (const ScannerMarkers& markers : kScannerMarkers) {
        const PageReading reading = readEnginePageInProcess(
            markers.engine, {page.toByteArray(), label.toByteArray()}, MarkupWanted::Always);
        check(reading.rootGbk == rendered.root && reading.bodyGbk == rendered.body,
              "the reader serialises as the rendering does");
        check(!reading.noResultsPage || reading.results.isEmpty(),
              "a page with results is no no-results page");
    }

    const RenderedBrowser browser(std::move(rendered));
    const bool stop = false;
    for (const ScannerMarkers& markers : kScannerMarkers) {
        const QByteArray markup =
            markers.part == MarkupPart::Body ? browser.bodyMarkup() : browser.documentMarkup();
        const PageScan scan = scanMarkup(markers.engine, markup);
        QStringList links;
        int promoCount = -1;
        const bool found = scanResultPage(browser, markers.engine, links, promoCount);
        check(links == scan.links && found == !links.isEmpty(),
              "the browser scanner agrees with the markup scan");
        // A promoted item without its green address ends the Baidu scan after it was counted.
        check(markers.engine != u"Baidu" || (promoCount == scan.promoCount && promoCount <= links.size() + 1),
              "promoted items are among the links, or the last one ended the scan");
        for (qsizetype i = 0; i < links.size(); ++i) {
            const int position = findSiteInLinks(links[i], links, stop);
            check(position >= 1 && position <= i + 1, "a link is found at or before its own place");
            // Not idempotent by design: spaces are trimmed before the slashes go, so "/ x" keeps a space.
            const QString normal = normalizeUrl(links[i]);
            check(!normal.contains(u'/') && std::none_of(normal.begin(), normal.end(),
                                                         [](QChar ch) { return ch >= u'a' && ch <= u'z'; }),
                  "the compared form has no slashes and no lower-case letters");
            // A link with a host is a hit for that host, and for its domain, at or before its own place.
            const PageResults results = resultsOfLinks(links);
            for (const SiteMatch rule : {SiteMatch::Host, SiteMatch::Domain}) {
                const int hit = findSiteInResults(SiteTarget(links[i], rule), results, stop);
                check(hit <= i + 1 &&
                          (hit >= 1 || hostOfAddress(links[i]).isEmpty() || isRedirectLink(links[i])),
                      "a link with a host is found under the host rules at or before its own place");
            }
        }
    }
    return 0;
}
