// Recorded result pages of every engine, served on loopback in their own charsets, loaded through the real
// browser: the serialiser and the scanners' markers must agree on them.
#include "config/Endpoints.h"
#include "engine/EngineScanners.h"
#include "engine/EngineTable.h"
#include "engine/UrlMatch.h"
#include "pages/PageBrowser.h"
#include "pages/RenderedPage.h"
#include "support/HttpServer.h"
#include "support/LoopbackEndpoints.h"

#include "platform/QStringPrinter.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::HttpServer;
using test::LoopbackEndpoints;

struct FixtureCase {
    const char* engine;
    const char* contentType; // some declare the charset in the header, some only in a meta tag
    QStringList links;
    int promoCount;
    const char* site;
    int position;
};

class FixturePageTest : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(FixturePageTest, YieldsTheOrderedLinksAndFindsTheSite) {
    const FixtureCase& c = GetParam();
    const QString engine = QString::fromLatin1(c.engine);
    HttpServer server;
    const LoopbackEndpoints endpoints(server.BaseUrl());

    const QString keyword = QStringLiteral("北京旅游");
    const EngineInfo* info = findEngine(engine);
    ASSERT_NE(info, nullptr);
    const QUrl url(resultPageUrl(engine, keyword, pageParameter(*info, 1)));
    const QString fixture =
        qEnvironmentVariable("QUORVANE_FIXTURES") + u'/' + engine + QStringLiteral("/results.html");
    ASSERT_TRUE(
        server.ServeFile(url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority), fixture, c.contentType));

    PageBrowser browser;
    const StopFlag stop{false};
    EnginePace pace{std::chrono::milliseconds(0)};
    ASSERT_TRUE(openResultPage(browser, pace, engine, pageParameter(*info, 1), keyword, stop))
        << browser.lastError().toStdString();
    EXPECT_TRUE(browser.lastError().isEmpty()) << browser.lastError().toStdString();

    QStringList pageLinks;
    int promoCount = -1;
    EXPECT_TRUE(scanResultPage(browser, engine, pageLinks, promoCount));
    EXPECT_EQ(pageLinks, c.links);
    if (c.promoCount >= 0) {
        EXPECT_EQ(promoCount, c.promoCount);
    }
    EXPECT_EQ(findSiteInLinks(QString::fromLatin1(c.site), pageLinks, stop), c.position);
}

const FixtureCase kFixtures[] = {
    {"Baidu",
     "text/html",
     {"www.promo-one.com", "bj.promo-two.cn", "http://www.bjtravel.gov.cn/", "http://www.site-b1.com/",
      "http://travel.site-b2.com/beijing/"},
     2,
     "travel.site-b2.com/beijing",
     5},
    {"Google",
     "text/html; charset=GB2312",
     {"http://www.site-g1.com/", "http://www.bjtravel.gov.cn/", "http://bj.site-g3.net/tour/"},
     -1,
     "WWW.BJTRAVEL.GOV.CN",
     2},
    {"Yahoo",
     "text/html",
     {"http://www.site-y1.com/", "http://www.site-y2.com/bj/"},
     -1,
     "www.site-y2.com/bj",
     2},
    {"Soso",
     "text/html",
     {"http://www.site-s1.com/", "http://www.site-s2.com/", "http://www.site-s3.com/"},
     -1,
     "www.site-s3.com",
     3},
    {"Bing",
     "text/html; charset=utf-8",
     {"http://www.site-n1.com/", "http://www.site-n2.com/", "http://www.site-n3.com/"},
     -1,
     "http://www.site-n1.com",
     1},
    {"Sogou",
     "text/html",
     {"http://www.site-o1.com/", "http://www.site-o2.com/", "http://www.site-o3.com/"},
     -1,
     "www.site-o2.com",
     2},
    {"Youdao",
     "text/html",
     {"http://www.site-d1.com/", "http://www.site-d2.com/"},
     -1,
     "www.site-absent.com",
     0},
};

INSTANTIATE_TEST_SUITE_P(Engines, FixturePageTest, ::testing::ValuesIn(kFixtures),
                         [](const auto& info) { return std::string(info.param.engine); });

// The recorded Google page with hostile changes that a browser shows unharmed still gives its links.
struct PageVariant {
    const char* name;
    const char* insertAfter;
    QByteArray inserted;
    const char* headerCharset;
};

class GooglePageVariantTest : public ::testing::TestWithParam<PageVariant> {};

TEST_P(GooglePageVariantTest, StillYieldsTheLinks) {
    const PageVariant& v = GetParam();
    QFile file(qEnvironmentVariable("QUORVANE_FIXTURES") + QStringLiteral("/Google/results.html"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray page = file.readAll();
    const qsizetype at = page.indexOf(v.insertAfter);
    ASSERT_GE(at, 0);
    page.insert(at + qstrlen(v.insertAfter), v.inserted);

    const RenderedPage rendered = renderPageBytes(page, v.headerCharset);
    EXPECT_EQ(scanMarkup(u"Google", rendered.body).links,
              QStringList(
                  {"http://www.site-g1.com/", "http://www.bjtravel.gov.cn/", "http://bj.site-g3.net/tour/"}));
}

const PageVariant kGoogleVariants[] = {
    {"300_unclosed_links_before_the_results", "<body>",
     "<div id=nav>" + QByteArray("<a href=#>x").repeated(300) + "</a></div>", "gb2312"},
    {"meta_claims_utf16", "<head>",
     "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-16\">", ""},
};

INSTANTIATE_TEST_SUITE_P(Pages, GooglePageVariantTest, ::testing::ValuesIn(kGoogleVariants),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quorvane
