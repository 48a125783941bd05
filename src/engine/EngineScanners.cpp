#include "engine/EngineScanners.h"

#include "config/Endpoints.h"
#include "engine/EngineDefinitions.h"
#include "pages/Browser.h"

#include <algorithm>

namespace quorvane {

// The no-results marks are whole phrases of the engines' own wording: a page of a changed layout that merely
// holds a short phrase such as "没有找到" must stay "not understood", never pass as a page without results.
// Selectors of structure and of the engines' long-lived class names (Google's "g", Bing's "b_algo", Yahoo's
// "algo", Baidu's "c-showurl"), so that a page of another year of the same layout still reads. Links back to
// the engine's own search pages are never results. Single quotes inside, so that a printout of them saved
// as Engines.ini reads the same.
const std::array<TreeDefaults, 5> kTreeDefaults{{
    {u"Baidu",
     u"#content_left > div[id]",
     u"h3 a[href]:not([href^='/s?'])",
     u".c-showurl",
     u"#content_left > div[id]:has(> .c-recomm-wrap, .hint_common_restop)",
     u"[data-tuiguang], :has(.ec_tuiguang_link, .ec_tuiguang_pplink, .ec-tuiguang)",
     {u"抱歉没有找到与", u"很抱歉，没有找到与", u"", u""}},
    // The page a plain client gets: blocks directly under #main with /url?q= links; the page a browser gets:
    // .g blocks under #rso (older: under #ires).
    {u"Google",
     u"#rso .g, #search .g, #ires .g, #main > div:not(:has(#rso, .g))",
     u"a[href]:not([href^='/search']):has(h3), h3 a[href]:not([href^='/search'])",
     u"cite",
     u"#tads, #tadsb, #bottomads, .commercial-unit-desktop-top",
     u"",
     {u"did not match any documents", u"找不到和您查询的", u"", u""}},
    // Boxes beside and between the results (answers, "People also ask", news and image strips) are left out.
    {u"Yahoo",
     u"#web li div.algo",
     u"h3 a[href]:not([href*='search.yahoo.com/search'])",
     u"",
     u".compContainerExp, .compList, .ads, [class*='-ad']",
     u"",
     {u"We did not find results for", u"", u"", u""}},
    {u"Bing",
     u"#b_results > li.b_algo",
     u"h2 a[href]",
     u"cite",
     u".b_ad, .b_ans",
     u"",
     {u"There are no results for", u"没有与此相关的结果", u"", u""}},
    {u"Sogou",
     u".results > div",
     u"h3 a[href]:not([href^='/sogou']):not([href^='/web'])",
     u"cite",
     u"",
     u"",
     {u"抱歉，没有找到与", u"", u"", u""}},
}};

const std::array<VerificationDefaults, 3> kVerificationDefaults{{
    {u"Baidu",
     {u"百度安全验证", u"安全验证", u"验证码", u"请完成下方验证", u"wappass.baidu.com/static/captcha"}},
    {u"Google", {u"unusual traffic", u"异常流量", u"/sorry/index", u"not a robot", u"g-recaptcha"}},
    {u"Sogou", {u"异常访问请求", u"/antispider", u"", u"", u""}},
}};

std::optional<PageRequest> enginePageRequest(QStringView engine, PageDocument document, MarkupWanted markup) {
    const ScannerBytes* markers = scannerBytesFor(engine);
    if (!markers)
        return std::nullopt;
    PageRequest request;
    request.page = std::move(document.bytes);
    request.charset = std::move(document.charset);
    request.readResults = true;
    request.markers = *markers;
    request.tree = markers->treeDefinition;
    // The engine's relative links (Sogou's /link?url=) are read as its own site gives them.
    request.base = endpoint(engine);
    request.markup = markup;
    return request;
}

PageReaderReply readEnginePage(PageReader& reader, QStringView engine, PageDocument document,
                               MarkupWanted markup) {
    const std::optional<PageRequest> request = enginePageRequest(engine, std::move(document), markup);
    if (!request) {
        PageReaderReply nothing;
        nothing.end = ReaderEnd::Read;
        return nothing;
    }
    return reader.read(*request);
}

PageReading readEnginePageInProcess(QStringView engine, PageDocument document, MarkupWanted markup) {
    const std::optional<PageRequest> request = enginePageRequest(engine, std::move(document), markup);
    return request ? readPageInProcess(std::move(*request)) : PageReading();
}

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
