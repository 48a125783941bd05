#pragma once

#include "pages/Browser.h"
#include "pages/PageReader.h"
#include "pages/PageReading.h"
#include "pages/Scanners.h"

#include <QStringList>
#include <QStringView>

#include <array>
#include <optional>

namespace quorvane {

// The seven engines' period scanners by engine name. The marker texts below are the compiled-in defaults:
// the scanners use the definitions in force (EngineDefinitions.h), which Engines.ini may change.

struct ScannerMarkers {
    QStringView engine;
    MarkupPart part;
    QStringView itemStart; // an item starts after this...
    QStringView itemEnd;   // ...and ends before this
    QStringView linkEnd;   // the link ends at a double quote followed by this
};

inline constexpr std::array<ScannerMarkers, 7> kScannerMarkers{{
    {u"Baidu", MarkupPart::Body, u"<TD class=", u"<TBODY>", u" target=_blank"},
    {u"Google", MarkupPart::Body, u"<LI class=g>", u"</A></H3>", u" target=_blank"},
    {u"Yahoo", MarkupPart::Root, u"<H3><A onmousedown=", u"</A></EM>", u" name=doc3_rt"},
    {u"Soso", MarkupPart::Root, u"<H3><A id=res", u"</SPAN></DIV></DIV>", u" target=_blank"},
    {u"Bing", MarkupPart::Root, u"<DIV class=sb_tlst>", u"</A></DIV></DIV></LI>", u" target=_blank"},
    {u"Sogou", MarkupPart::Root, u"<TD class=f>", u"<TBODY>", u" name=dttl target=_blank"},
    {u"Youdao", MarkupPart::Root, u"<A id=hitURL", u"<A class=yl>", u" target=_blank"},
}};

// Baidu's extra rules: items with a map block are skipped; promoted items are counted and give the
// address shown in green instead of their link.
inline constexpr QStringView kBaiduMapItem = u"plf><A onmousedown";
inline constexpr QStringView kBaiduPromoted = u"推广</A>";
inline constexpr QStringView kBaiduGreenStart = u"<FONT color=#008000 size=-1>";
inline constexpr QStringView kBaiduGreenEnd = u"</FONT><FONT size=-1>";

// The result definitions over the parsed tree for the engines' pages of today (pages/ResultDefinition.h),
// tried when the period markers find nothing. Soso and Youdao closed their web search and have none.
struct TreeDefaults {
    QStringView engine;
    QStringView results;
    QStringView link;
    QStringView shownAddress;
    QStringView notResult;
    QStringView promoted;
    std::array<QStringView, 4> noResultsMarks;
};
extern const std::array<TreeDefaults, 5> kTreeDefaults;

// The texts of the engines' own verification pages (besides Engines.ini's BlockedMark= lines): Baidu's
// 百度安全验证, 安全验证, 验证码 and 请完成下方验证 pages, Google's unusual-traffic page in English and
// Chinese with its robot check, Sogou's anti-spider page.
struct VerificationDefaults {
    QStringView engine;
    std::array<QStringView, 5> marks; // empty ones unused
};
extern const std::array<VerificationDefaults, 3> kVerificationDefaults;

// What a page reader is asked to read a loaded page with the engine's definition in force: the period
// markers on the serialised markup (GBK), and when they find nothing, the result definitions over the parsed
// page; links within the engine's site are taken as its endpoint gives them. None for an unknown engine.
std::optional<PageRequest> enginePageRequest(QStringView engine, PageDocument document, MarkupWanted markup);
// Reads the page so with the reader (PageReader.h): a page the reader could not read says how it ended. An
// unknown engine name gives a page read without results.
PageReaderReply readEnginePage(PageReader& reader, QStringView engine, PageDocument document,
                               MarkupWanted markup = MarkupWanted::None);
// The same work in this process, for the tests and benchmarks that compare with it; never on a page from the
// network.
PageReading readEnginePageInProcess(QStringView engine, PageDocument document,
                                    MarkupWanted markup = MarkupWanted::None);

// Scans serialised markup (GBK) with the engine's markers in force. An unknown engine name gives nothing.
PageScan scanMarkup(QStringView engine, QByteArrayView markupGbk);

// The scanners on a browser's loaded document (body or root markup as the engine's definition says). Reading
// a browser without a document throws, and that is left to the caller's error path.
QStringList scanBaiduPage(const Browser& browser, int& promoCount); // promoCount is set, 0 first
QStringList scanGooglePage(const Browser& browser);

// Runs the engine's scanner on the browser and makes its list the new pageLinks (Baidu also sets
// promoCount); true when the page gave at least one link. An unknown engine name empties pageLinks and
// gives false.
bool scanResultPage(const Browser& browser, QStringView engine, QStringList& pageLinks, int& promoCount);

} // namespace quorvane
