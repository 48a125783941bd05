// The scanners' marker rules on serialised markup, and the URL match.
#include "engine/EngineScanners.h"
#include "engine/UrlMatch.h"
#include "platform/GbkCodec.h"

#include "FakeBrowser.h"
#include "platform/QStringPrinter.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

struct ScanCase {
    const char* name;
    const char* engine;
    const char16_t* markup; // as the browser serialises it, before the GBK step
    QStringList links;
    int promoCount;
};

class ScannerTest : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ScannerTest, CutsLinksInPageOrder) {
    const ScanCase& c = GetParam();
    const PageScan scan = scanMarkup(QString::fromLatin1(c.engine), toGbk(QString::fromUtf16(c.markup)));
    EXPECT_EQ(scan.links, c.links);
    EXPECT_EQ(scan.promoCount, c.promoCount);
}

#define GOOGLE_ITEM(url) u"<LI class=g><H3 class=r><A href=\"" url u"\" target=_blank class=l>t</A></H3></LI>"
#define BAIDU_ITEM(url)                                                                                      \
    u"<TABLE class=result><TBODY><TR><TD class=f><H3 class=t><A "                                            \
    u"href=\"" url u"\" target=_blank>t</A></H3></TD></TR></TBODY></TABLE>"
#define BAIDU_PROMO(green)                                                                                   \
    u"<TABLE class=result><TBODY><TR><TD class=\"f EC_PP\"><A href=\"http://www.baidu.com/baidu.php?u=1\" target=_blank>ad</A><FONT color=#008000 size=-1>" green u"</FONT><FONT size=-1> - <A href=\"http://e.baidu.com/\" target=_blank>推广</A></FONT></TD></TR></TBODY></TABLE>"
#define BAIDU_MAP                                                                                            \
    u"<TABLE class=result-op><TBODY><TR><TD class=f><P class=plf><A onmousedown=\"return c({})\" "           \
    u"href=\"http://map.baidu.com/\" target=_blank>地图</A></P></TD></TR></TBODY></TABLE>"
#define BAIDU_END u"<TABLE id=page><TBODY><TR><TD>next</TD></TR></TBODY></TABLE>"

const ScanCase kScanCases[] = {
    {"google_three_items",
     "Google",
     GOOGLE_ITEM(u"http://l1.com/") GOOGLE_ITEM(u"http://l2.com/") GOOGLE_ITEM(u"http://l3.com/"),
     {"http://l1.com/", "http://l2.com/", "http://l3.com/"},
     0},
    {"item_without_link_ends_scan",
     "Google",
     GOOGLE_ITEM(
         u"http://"
         u"l1."
         u"com"
         u"/") u"<LI class=g><H3 class=r><A href=\"/images?q=x\">pictures</A></H3></LI>" GOOGLE_ITEM(u"http:/"
                                                                                                     u"/l3."
                                                                                                     u"com/"),
     {"http://l1.com/"},
     0},
    {"no_start_marker",
     "Google",
     u"<DIV class=g><H3><A href=\"http://l1.com/\" target=_blank>x</A></H3></DIV>",
     {},
     0},
    {"start_without_end", "Google", u"<LI class=g><H3><A href=\"http://l1.com/\" target=_blank>x</A>", {}, 0},
    {"markers_are_case_sensitive",
     "Google",
     u"<li class=g><h3><a href=\"http://l1.com/\" target=_blank>x</a></h3>",
     {},
     0},
    {"baidu_promoted_then_ordinary_map_skipped",
     "Baidu",
     BAIDU_PROMO(u"www.p1.com") BAIDU_PROMO(u"p2.cn") BAIDU_MAP BAIDU_ITEM(u"http://o1.com/")
         BAIDU_MAP BAIDU_ITEM(u"http://o2.com/") BAIDU_END,
     {"www.p1.com", "p2.cn", "http://o1.com/", "http://o2.com/"},
     2},
    {"baidu_promoted_without_green_address_ends_after_counting",
     "Baidu",
     BAIDU_ITEM(u"http://o1.com/") u"<TABLE><TBODY><TR><TD class=f><A href=\"http://x/\" "
                                   u"target=_blank>ad</A> <A>推广</A></TD></TR></TBODY></TABLE>" BAIDU_ITEM(
                                       u"http://o2.com/") BAIDU_END,
     {"http://o1.com/"},
     1},
    {"baidu_ordinary_item_without_link_ends_scan",
     "Baidu",
     BAIDU_ITEM(
         u"http://"
         u"o1.com/") u"<TABLE><TBODY><TR><TD class=f>no link</TD></TR></TBODY></TABLE>" BAIDU_ITEM(u"http://"
                                                                                                   u"o2.com/")
         BAIDU_END,
     {"http://o1.com/"},
     0},
    {"yahoo",
     "Yahoo",
     u"<H3><A onmousedown=\"rc(this)\" href=\"http://y1.com/\" name=doc3_rt target=_blank>a</A></H3><EM><A "
     u"href=\"c\">s</A></EM>"
     u"<H3><A onmousedown=\"rc(this)\" href=\"http://y2.com/\" name=doc3_rt>b</A></H3><EM><A "
     u"href=\"c\">s</A></EM>",
     {"http://y1.com/", "http://y2.com/"},
     0},
    {"yahoo_link_needs_its_name",
     "Yahoo",
     u"<H3><A onmousedown=\"rc(this)\" href=\"http://y1.com/\" target=_blank>a</A></H3><EM><A "
     u"href=\"c\">s</A></EM>",
     {},
     0},
    {"soso",
     "Soso",
     u"<H3><A id=res1 href=\"http://s1.com/\" target=_blank>a</A></H3><DIV><SPAN>x</SPAN></DIV></DIV>"
     u"<H3><A id=res2 href=\"http://s2.com/\" target=_blank>b</A></H3><DIV><SPAN>x</SPAN></DIV></DIV>",
     {"http://s1.com/", "http://s2.com/"},
     0},
    {"bing",
     "Bing",
     u"<LI><DIV class=sb_tlst><H3><A href=\"http://b1.com/\" "
     u"target=_blank>a</A></H3></DIV><DIV><A>c</A></DIV></DIV></LI>"
     u"<LI><DIV class=sb_tlst><H3><A href=\"http://b2.com/\" "
     u"target=_blank>b</A></H3></DIV><DIV><A>c</A></DIV></DIV></LI>",
     {"http://b1.com/", "http://b2.com/"},
     0},
    {"sogou_needs_name_before_target",
     "Sogou",
     u"<TD class=f><A href=\"http://o1.com/\" name=dttl target=_blank>a</A></TD><TABLE><TBODY>"
     u"<TD class=f><A href=\"http://o2.com/\" target=_blank name=dttl>b</A></TD><TABLE><TBODY>",
     {"http://o1.com/"},
     0},
    {"youdao",
     "Youdao",
     u"<A id=hitURL0 href=\"http://d1.com/\" target=_blank>a</A><A class=yl>c</A>"
     u"<A id=hitURL1 href=\"http://d2.com/\" target=_blank>b</A><A class=yl>c</A>",
     {"http://d1.com/", "http://d2.com/"},
     0},
    {"unknown_engine", "baidu", BAIDU_ITEM(u"http://o1.com/") BAIDU_END, {}, 0},
};

INSTANTIATE_TEST_SUITE_P(Markup, ScannerTest, ::testing::ValuesIn(kScanCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ScanResultPage, ReadsTheEnginesElementAndReplacesThePageLinks) {
    test::FakeBrowser browser;
    browser.body = toGbk(GOOGLE_ITEM(u"http://body.com/"));
    browser.root = toGbk(u"<HEAD></HEAD><BODY>" GOOGLE_ITEM(
        u"http://"
        u"root.com/") u"<A id=hitURL0 href=\"http://root.com/\" target=_blank>a</A><A class=yl></BODY>");
    QStringList pageLinks{"old"};
    int promoCount = 7;

    EXPECT_TRUE(scanResultPage(browser, u"Google", pageLinks, promoCount));
    EXPECT_EQ(pageLinks, QStringList{"http://body.com/"});
    EXPECT_EQ(promoCount, 7); // only a Baidu scan sets it

    EXPECT_TRUE(scanResultPage(browser, u"Youdao", pageLinks, promoCount));
    EXPECT_EQ(pageLinks, QStringList{"http://root.com/"});

    EXPECT_FALSE(scanResultPage(browser, u"Baidu", pageLinks, promoCount));
    EXPECT_TRUE(pageLinks.isEmpty());
    EXPECT_EQ(promoCount, 0);

    pageLinks = {"old"};
    EXPECT_FALSE(scanResultPage(browser, u"Altavista", pageLinks, promoCount));
    EXPECT_TRUE(pageLinks.isEmpty());

    browser.hasDocument = false;
    EXPECT_THROW(scanResultPage(browser, u"Bing", pageLinks, promoCount), std::runtime_error);
}

TEST(ScanMarkup, IsLinearInThePageSize) {
    // An item start repeated a hundred thousand times with its end only at the very end: one pass.
    const QByteArray page = QByteArray("<LI class=g>x").repeated(100000) + "</A></H3>";
    EXPECT_TRUE(scanMarkup(u"Google", page).links.isEmpty());
    QByteArray many;
    for (int i = 0; i < 20000; ++i)
        many += "<LI class=g><A href=\"http://s" + QByteArray::number(i) + ".com/\" target=_blank>t</A></H3>";
    EXPECT_EQ(scanMarkup(u"Google", many).links.size(), 20000);
}

struct NormalizeCase {
    const char* name;
    const char16_t* site;
    const char16_t* link;
    bool same;
};

class NormalizeTest : public ::testing::TestWithParam<NormalizeCase> {};

TEST_P(NormalizeTest, ComparesSites) {
    const NormalizeCase& c = GetParam();
    EXPECT_EQ(normalizeUrl(QString::fromUtf16(c.site)) == normalizeUrl(QString::fromUtf16(c.link)), c.same);
}

const NormalizeCase kNormalizeCases[] = {
    {"scheme_slashes_trailing_slash", u"www.site.com", u"http://www.site.com/", true},
    {"page_inside_site", u"www.site.com", u"http://www.site.com/index.html", false},
    {"ascii_case_and_spaces", u"  WWW.Site.COM\t", u"http://www.site.com", true},
    {"upper_case_scheme_stays", u"www.site.com", u"HTTP://www.site.com/", false},
    {"secure_scheme_stays", u"www.site.com", u"https://www.site.com/", false},
    {"host_prefix_differs", u"site.com", u"http://www.site.com/", false},
    {"slashes_anywhere", u"www.site.com/a/b", u"http://www.site.com/ab/", true},
    {"non_ascii_exact", u"www.中文.com", u"http://www.中文.com/", true},
    {"non_ascii_not_folded", u"www.ä.com", u"http://www.Ä.com/", false},
};

INSTANTIATE_TEST_SUITE_P(Urls, NormalizeTest, ::testing::ValuesIn(kNormalizeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FindSiteInLinks, GivesThePositionOfTheFirstMatch) {
    const QStringList links{"http://l1.com/", "http://www.site.com/", "http://www.site.com/about",
                            "www.site.com"};
    const bool noStop = false;
    EXPECT_EQ(findSiteInLinks(u"www.site.com", links, noStop), 2);
    EXPECT_EQ(findSiteInLinks(u"http://L1.com", links, noStop), 1);
    EXPECT_EQ(findSiteInLinks(u"www.other.com", links, noStop), 0);
    EXPECT_EQ(findSiteInLinks(u"www.site.com", {}, noStop), 0);
    const bool stop = true;
    EXPECT_EQ(findSiteInLinks(u"www.site.com", links, stop), 0);
}

} // namespace
} // namespace quorvane
