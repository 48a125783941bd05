// The page pipeline on arbitrary bytes, as the browser runs it on a received page: decode by charset, bound
// the nesting and the node count, parse, serialise, convert to GBK; then every scanner on the result and the
// URL match on what they found. Besides crashes and sanitizer reports it checks what must hold for any page,
// and that the parser's tree of what the nesting guard lets through stays within the guard's limits.
//
// Input: a first byte below 0x20 gives the length of a charset label that follows, as a Content-Type
// header would carry it; the rest is the page. Any other first byte starts the page, without a header label.
#include "engine/EngineScanners.h"
#include "engine/SiteHosts.h"
#include "engine/UrlMatch.h"
#include "pages/Browser.h"
#include "pages/NestingGuard.h"
#include "pages/PageDecoder.h"
#include "pages/RenderedPage.h"

#include "GuardPromise.h"

#include <QByteArrayView>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
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

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "page pipeline: %s\n", what);
        std::abort();
    }
}

// The nesting guard's promise, checked against the parser: with the pipeline's limits, and with a depth limit
// that small inputs reach and a node limit right at the guard's own count, so that any node it fails to
// count shows.
void checkGuardPromise(QByteArrayView utf8Html) {
    constexpr int kSmallDepth = 16;
    const qsizetype counted = measurePage(utf8Html, kSmallDepth, std::numeric_limits<qsizetype>::max()).nodes;
    for (const auto& [maxDepth, maxNodes] :
         {std::pair{kMaxNestingDepth, kMaxPageNodes}, std::pair{kSmallDepth, counted}}) {
        const std::string breach = guardPromiseBreach(utf8Html, maxDepth, maxNodes);
        if (!breach.empty()) {
            std::fprintf(stderr, "nesting guard, limits %d and %lld: %s\n", maxDepth,
                         static_cast<long long>(maxNodes), breach.c_str());
            std::abort();
        }
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

    checkGuardPromise(pageToUtf8(page, label));

    RenderedPage rendered = renderPageBytes(page, label);
    check(rendered.root.contains(rendered.body), "the body's markup is part of the root's");
    check(rendered.refusal.isEmpty() || rendered.body.isEmpty(), "a refused page is empty");

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
