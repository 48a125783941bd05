// Result pages built by a script in the page, read with the script browser: the Bing scanner finds the site
// in the document the scripts left, where the plain loader sees no result; and a stop request ends a wait
// on a browser load at once.
#include "engine/PageLoading.h"
#include "engine/RankEngine.h"
#include "pages/PageBrowser.h"
#include "pages/ScriptBrowser.h"
#include "support/HttpServer.h"
#include "support/LoopbackEndpoints.h"
#include "support/ResultPages.h"

#include "platform/QStringPrinter.h"

#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::HttpServer;

class ScriptPagesTest : public ::testing::Test {
protected:
    // The module beside the program, not beside the test.
    static void SetUpTestSuite() { setScriptPageModuleFolder(qEnvironmentVariable("QUORVANE_BIN_DIR")); }

    HttpServer server;
    const test::LoopbackEndpoints endpoints{server.BaseUrl()};
};

TEST_F(ScriptPagesTest, AScriptBuiltBingPageIsReadWithTheScriptBrowserOnly) {
    const QString site = QStringLiteral("http://www.mysite.example/");
    server.SetFallback({200,
                        "text/html",
                        test::ScriptBuiltResultPage(u"Bing", test::LinksWithSiteAt(12, 7, site)),
                        {},
                        0,
                        HttpServer::Mode::Answer,
                        true});

    ScriptBrowser scriptBrowser;
    RankEngine withScripts(scriptBrowser);
    const RankEngine::CheckResult read = withScripts.checkEngineRank(u"keyword", site, u"Bing");
    EXPECT_TRUE(read.readAnyPage);
    EXPECT_EQ(read.pages.read, 1);
    EXPECT_EQ(withScripts.rankBing, 7);
    EXPECT_EQ(withScripts.lastPageResults().size(), 12);

    PageBrowser plainBrowser;
    RankEngine plain(plainBrowser);
    const RankEngine::CheckResult unread = plain.checkEngineRank(u"keyword", site, u"Bing");
    EXPECT_FALSE(unread.readAnyPage);
    EXPECT_EQ(unread.pages.notUnderstood, 1);
    EXPECT_EQ(plain.rankBing, 0);
}

TEST_F(ScriptPagesTest, AStopDuringABrowserLoadEndsTheWaitAtOnce) {
    HttpServer::Response stall;
    stall.mode = HttpServer::Mode::Stall;
    server.Serve("/stall", stall);
    ScriptBrowser browser;
    StopFlag stop{false};
    QTimer::singleShot(500, [&stop] { stop = true; });
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(loadPageAndWait(browser, server.BaseUrl() + u"/stall", false, stop));
    EXPECT_GE(timer.elapsed(), 490);
    EXPECT_LT(timer.elapsed(), 1500);
    EXPECT_NE(browser.readyState(), Browser::ReadyStateComplete);
}

} // namespace
} // namespace quorvane
