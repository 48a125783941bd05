// One engine's check across pages, against recorded pages on a loopback server.
#include "EngineFixture.h"

#include <QElapsedTimer>

namespace quorvane {
namespace {

using test::kKeyword;
using test::kSite;
using test::LinksWithSiteAt;

struct CheckCase {
    const char* name;
    const char16_t* engine;
    int pageRange;
    int matchPage;     // page index that holds the site
    int matchPosition; // its position on that page
    int expectedRank;
    int pagesAsked; // pages the check must request
};

class RankCheck : public test::EngineFixture, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(RankCheck, RankIsOffsetPlusPosition) {
    const CheckCase& c = GetParam();
    const QString name = QString::fromUtf16(c.engine);
    pageRange = c.pageRange;
    for (int i = 0; i <= c.matchPage; ++i)
        ServeResults(name, kKeyword, i, LinksWithSiteAt(8, i == c.matchPage ? c.matchPosition : 0, kSite));

    const auto result = engine.checkEngineRank(kKeyword, kSite, name);
    EXPECT_TRUE(result.completed);
    EXPECT_TRUE(result.readAnyPage);
    EXPECT_EQ(result.rank, c.expectedRank);
    EXPECT_EQ(result.rank2, c.expectedRank); // one rank only: both fields hold it
    EXPECT_EQ(server.Requests().size(), c.pagesAsked);
}

const CheckCase kCheckCases[] = {
    {"google_range3_second_page", u"Google", 3, 1, 7, 107, 2},
    {"google_first_link_one_page", u"Google", 1, 0, 1, 1, 1},
    {"soso_ignores_range_third_page", u"Soso", 1, 2, 3, 23, 3},
    {"sogou_second_page", u"Sogou", 2, 1, 4, 104, 2},
    {"youdao_second_page", u"Youdao", 1, 1, 2, 32, 2},
    {"bing_third_page", u"Bing", 3, 2, 5, 105, 3},
    {"yahoo_first_page", u"Yahoo", 1, 0, 3, 3, 1},
};

INSTANTIATE_TEST_SUITE_P(Engines, RankCheck, ::testing::ValuesIn(kCheckCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RankCheck, PageParametersOnTheWire) {
    pageRange = 2;
    engine.checkEngineRank(QStringLiteral("ab"), kSite, u"Soso"); // nothing served: ten unread pages
    const QList<QByteArray> asked = Asked();
    ASSERT_EQ(asked.size(), 10);
    // QUrl sends percent-encoded letters and digits as themselves, which means the same to a server.
    EXPECT_EQ(asked.first(), QByteArray("/q?w=ab&pg=1"));
    EXPECT_EQ(asked.last(), QByteArray("/q?w=ab&pg=10"));
}

TEST_F(RankCheck, UnreadPageStillAdvancesTheOffset) {
    // Page 0 is not served (an error page without results); the site is 5th on page 1.
    pageRange = 2;
    ServeResults(u"Bing", kKeyword, 1, LinksWithSiteAt(8, 5, kSite));
    const auto result = engine.checkEngineRank(kKeyword, kSite, u"Bing");
    EXPECT_TRUE(result.readAnyPage);
    EXPECT_EQ(result.rank, 55);
}

TEST_F(RankCheck, AbsentSiteReadsEveryPageAndGivesZero) {
    pageRange = 2;
    ServeResults(u"Google", kKeyword, 0, LinksWithSiteAt(5, 0, kSite));
    ServeResults(u"Google", kKeyword, 1, LinksWithSiteAt(5, 0, kSite));
    const auto result = engine.checkEngineRank(kKeyword, kSite, u"Google");
    EXPECT_TRUE(result.completed);
    EXPECT_TRUE(result.readAnyPage);
    EXPECT_EQ(result.rank, 0);
    EXPECT_EQ(result.rank2, 0);
    const QList<QByteArray> asked = Asked();
    ASSERT_EQ(asked.size(), 2);
    EXPECT_TRUE(asked[0].endsWith("&start=0"));
    EXPECT_TRUE(asked[1].endsWith("&start=100"));
}

TEST_F(RankCheck, NoReadablePageIsReportedWithoutARank) {
    ServeResults(u"Yahoo", kKeyword, 0, {}); // a page without result items
    const auto result = engine.checkEngineRank(kKeyword, kSite, u"Yahoo");
    EXPECT_TRUE(result.completed);
    EXPECT_FALSE(result.readAnyPage);
    EXPECT_EQ(result.rank, 0);
}

struct BaiduCase {
    const char* name;
    int pageRange;
    int matchPage;
    int promoted; // promoted items on the match page
    int matchPosition;
    int expectedWithout; // rank: not counting promoted items
    int expectedWith;    // rank2: counting them
};

class BaiduCheck : public test::EngineFixture, public ::testing::WithParamInterface<BaiduCase> {};

TEST_P(BaiduCheck, TwoRanks) {
    const BaiduCase& c = GetParam();
    pageRange = c.pageRange;
    for (int i = 0; i < c.matchPage; ++i)
        ServeResults(u"Baidu", kKeyword, i, LinksWithSiteAt(6, 0, kSite));
    // Promoted items show the address in green; the site's own form is compared.
    ServeResults(u"Baidu", kKeyword, c.matchPage,
                 LinksWithSiteAt(12, c.matchPosition, QStringLiteral("www.mysite.com")), c.promoted);
    const auto result = engine.checkEngineRank(kKeyword, QStringLiteral("www.mysite.com"), u"Baidu");
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(result.rank, c.expectedWithout);
    EXPECT_EQ(result.rank2, c.expectedWith);
}

const BaiduCase kBaiduCases[] = {
    {"four_promoted_tenth_link", 1, 0, 4, 10, 6, 10},
    {"site_is_promoted_item_two", 1, 0, 3, 2, 2, 2},
    {"second_page_after_three_promoted", 2, 1, 3, 8, 105, 108},
    {"promoted_on_second_page_carries_offset", 2, 1, 3, 2, 102, 102},
};

INSTANTIATE_TEST_SUITE_P(Pages, BaiduCheck, ::testing::ValuesIn(kBaiduCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RankCheck, StopAfterAReadPageEndsTheCheckWithFalse) {
    pageRange = 3;
    ServeResults(u"Bing", kKeyword, 0, LinksWithSiteAt(5, 0, kSite));
    // The stop comes while the first page loads; that page completes, then the check sees the request.
    QObject::connect(&browser, &Browser::documentComplete, [this] { engine.stopRequested = true; });
    const auto result = engine.checkEngineRank(kKeyword, kSite, u"Bing");
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(server.Requests().size(), 1);
}

TEST_F(RankCheck, StopBeforeTheCheckSkipsEveryWait) {
    pageRange = 10;
    engine.stopRequested = true;
    QElapsedTimer clock;
    clock.start();
    const auto result = engine.checkEngineRank(kKeyword, kSite, u"Google");
    EXPECT_FALSE(result.completed); // the stop ended it before its pages
    EXPECT_FALSE(result.readAnyPage);
    EXPECT_TRUE(server.Requests().isEmpty()) << "no page is asked for after a stop";
    EXPECT_LT(clock.elapsed(), 2000); // no Google pause, no ten-second waits
}

} // namespace
} // namespace quorvane
