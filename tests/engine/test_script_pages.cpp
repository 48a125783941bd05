// Result pages built by a script in the page, read with the script browser: the Bing scanner finds the site
// in the document the scripts left, where the plain loader sees no result; and a stop request ends a wait
// on a browser load at once.
#include "engine/EngineTable.h"
#include "engine/PageLoading.h"
#include "engine/RankEngine.h"
#include "pages/PageBrowser.h"
#include "pages/ScriptBrowser.h"
#include "support/HttpServer.h"
#include "support/LoopbackEndpoints.h"
#include "support/ResultPages.h"

#include "platform/QStringPrinter.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QUrl>

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
    EXPECT_EQ(read.rank, 7);
    EXPECT_EQ(withScripts.lastPageResults().size(), 12);

    PageBrowser plainBrowser;
    RankEngine plain(plainBrowser);
    const RankEngine::CheckResult unread = plain.checkEngineRank(u"keyword", site, u"Bing");
    EXPECT_FALSE(unread.readAnyPage);
    EXPECT_EQ(unread.pages.notUnderstood, 1);
    EXPECT_EQ(unread.rank, 0);
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

class NoteRecorder final : public PageRecorder {
public:
    void startRun() override {}
    void write(const PageRecord& page) override { notes << page.note; }
    void keepUnparsed(QStringView, const QString&, QByteArrayView) override {}
    QStringList notes;
};

// A self-refreshing result page with DelayMs=2000: each refresh is a request at the engine's pace, a few
// at most within the page's wait, none after the check; the page is not understood.
TEST_F(ScriptPagesTest, ASelfRefreshingPageKeepsTheEnginesPace) {
    using namespace std::chrono_literals;
    const auto delay = EnginePace::requestDelay();
    EnginePace::setRequestDelay(2000ms);
    ScriptBrowser browser;
    RankEngine engine(browser);
    EnginePace::setRequestDelay(delay);
    server.SetFallback(test::Answer(
        200, "<html><head><meta http-equiv=refresh content=0></head><body>please wait</body></html>"));

    const RankEngine::CheckResult result =
        engine.checkEngineRank(u"keyword", QStringLiteral("http://www.mysite.example/"), u"Bing");
    const QList<HttpServer::Request> requests = server.Requests();
    ASSERT_GE(requests.size(), 2);
    EXPECT_LE(requests.size(), 6);
    for (qsizetype i = 1; i < requests.size(); ++i)
        EXPECT_GE(requests[i].arrived - requests[i - 1].arrived, 2000ms) << i;
    EXPECT_EQ(result.pages.notUnderstood, 1)
        << "read " << result.pages.read << ", not loaded " << result.pages.notLoaded;
    EXPECT_FALSE(QTest::qWaitFor([&] { return server.Requests().size() > requests.size(); }, 2500))
        << server.RequestTargets().size();
}

// A result page whose script allocates without end is ended at the memory limit and logged as not
// understood, with the reason; the next keyword's page is read.
TEST_F(ScriptPagesTest, APageThatTakesTooMuchMemoryEndsAndTheNextKeywordIsRead) {
    const QString site = QStringLiteral("http://www.mysite.example/");
    // It keeps changing its document too, so that it is never read before its end.
    HttpServer::Response hog = test::Answer(
        200,
        "<p>hog</p><script>var kept = []; function grow() { for (var i = 0; i < 16; i++)"
        " kept.push(new Uint8Array(1 << 20).fill(7)); document.title = kept.length; setTimeout(grow, 0); }"
        " grow();</script>");
    server.SetFallback(
        test::Answer(200, test::ScriptBuiltResultPage(u"Bing", test::LinksWithSiteAt(12, 4, site))));
    const QString hogUrl = resultPageUrl(u"Bing", u"hog", 0);
    server.Serve(QUrl(hogUrl).toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority), hog);
    ScriptBrowser browser;
    browser.setMaxMemoryBytes(qint64(256) << 20);
    RankEngine engine(browser);
    NoteRecorder log;
    engine.runLog = &log;

    const RankEngine::CheckResult ended = engine.checkEngineRank(u"hog", site, u"Bing");
    EXPECT_EQ(ended.pages.notUnderstood, 1);
    EXPECT_FALSE(ended.readAnyPage);
    ASSERT_EQ(log.notes.size(), 1);
    EXPECT_TRUE(log.notes[0].contains(QStringLiteral("memory"))) << log.notes.join(u'|').toStdString();

    const RankEngine::CheckResult next = engine.checkEngineRank(u"keyword", site, u"Bing");
    EXPECT_TRUE(next.readAnyPage) << "not loaded " << next.pages.notLoaded << ", not understood "
                                  << next.pages.notUnderstood << ": " << log.notes.join(u'|').toStdString();
    EXPECT_EQ(next.rank, 4);
}

} // namespace
} // namespace quorvane
