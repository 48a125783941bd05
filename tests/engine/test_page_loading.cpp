// The page wait: its budget, the stop request and the no-wait poll; openResultPage on the wire.
#include "config/Endpoints.h"
#include "engine/EngineTable.h"
#include "engine/PageLoading.h"
#include "pages/PageBrowser.h"
#include "platform/GbkCodec.h"
#include "support/HttpServer.h"
#include "support/LoopbackEndpoints.h"

#include "FakeBrowser.h"
#include "platform/QStringPrinter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::HttpServer;
using test::LoopbackEndpoints;

TEST(LoadPageAndWait, CompleteAtFirstLookNeedsNoWait) {
    test::FakeBrowser browser;
    browser.completeAfterMs = 0;
    const StopFlag stop{false};
    EXPECT_TRUE(loadPageAndWait(browser, QStringLiteral("http://x/"), false, stop));
    EXPECT_EQ(browser.calls, (QStringList{"setSilent", "navigate"}));
    EXPECT_TRUE(browser.silent_);
    EXPECT_EQ(browser.navigated, QStringList{"http://x/"});
    EXPECT_EQ(browser.readyReads, 1);
}

TEST(LoadPageAndWait, WakesWhenTheDocumentCompletesWithoutPolling) {
    test::FakeBrowser browser;
    browser.completeAfterMs = 150;
    const StopFlag stop{false};
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(loadPageAndWait(browser, QStringLiteral("http://x/"), false, stop));
    EXPECT_GE(timer.elapsed(), 140);
    // A look at the start and one after the completion's event: the wait sleeps in between instead of
    // polling every few milliseconds.
    EXPECT_LE(browser.readyReads, 3);
}

TEST(LoadPageAndWait, NoWaitLooksOnce) {
    test::FakeBrowser browser;
    const StopFlag stop{false};
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(loadPageAndWait(browser, QStringLiteral("http://x/"), true, stop));
    EXPECT_EQ(browser.readyReads, 1);
    EXPECT_LT(timer.elapsed(), 500);
}

TEST(LoadPageAndWait, StopRequestEndsTheWaitAtOnce) {
    test::FakeBrowser browser;
    StopFlag stop{false};
    // Set by an event handler while the wait pumps, as the Stop button does.
    QTimer::singleShot(200, [&stop] { stop = true; });
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(loadPageAndWait(browser, QStringLiteral("http://x/"), false, stop));
    EXPECT_GE(timer.elapsed(), 190);
    EXPECT_LT(timer.elapsed(), 1500);

    // A stop already set ends the wait after one look at the ready state.
    browser.readyReads = 0;
    EXPECT_FALSE(loadPageAndWait(browser, QStringLiteral("http://x/"), false, stop));
    EXPECT_EQ(browser.readyReads, 1);
}

class PageLoadingTest : public ::testing::Test {
protected:
    HttpServer server;
    const LoopbackEndpoints endpoints{server.BaseUrl()};
    PageBrowser browser;
    EnginePace pace{std::chrono::milliseconds(0)};
    StopFlag stop{false};
};

TEST_F(PageLoadingTest, CompletesInAboutTheServersDelay) {
    HttpServer::Response slow;
    slow.body = "<p>late</p>";
    slow.delayMs = 700;
    server.Serve("/late", slow);
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(loadPageAndWait(browser, server.BaseUrl() + u"/late", false, stop));
    EXPECT_GE(timer.elapsed(), 690);
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_EQ(browser.bodyMarkup(), "<P>late</P>");
}

TEST_F(PageLoadingTest, StalledPageGivesUpJustAfterTenSeconds) {
    HttpServer::Response stall;
    stall.mode = HttpServer::Mode::Stall;
    server.Serve("/stall", stall);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(loadPageAndWait(browser, server.BaseUrl() + u"/stall", false, stop));
    EXPECT_GE(timer.elapsed(), 10'000);
    EXPECT_LT(timer.elapsed(), 10'500);
    // The load goes on after the wait gave up.
    EXPECT_EQ(browser.readyState(), 1);
}

TEST_F(PageLoadingTest, NoWaitLeavesTheLoadRunning) {
    server.ServePage("/panel", "<p>panel</p>");
    EXPECT_FALSE(loadPageAndWait(browser, server.BaseUrl() + u"/panel", true, stop));
    ASSERT_TRUE(server.WaitForRequests(1));
    QElapsedTimer timer;
    timer.start();
    while (browser.readyState() != Browser::ReadyStateComplete && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(browser.bodyMarkup(), "<P>panel</P>");
}

TEST_F(PageLoadingTest, OpenResultPageSendsTheTableAddress) {
    const QString keyword = QStringLiteral("北京 旅游");
    server.ServePage("/s?ie=utf-8&wd=%E5%8C%97%E4%BA%AC%20%E6%97%85%E6%B8%B8&pn=100&rn=100&usm=1",
                     "<p>ok</p>");
    server.ServePage("/web?&num=100&ie=utf8&query=%E5%8C%97%E4%BA%AC%20%E6%97%85%E6%B8%B8&page=2",
                     "<p>ok</p>");
    server.ServePage("/search?q=%E5%8C%97%E4%BA%AC%20%E6%97%85%E6%B8%B8&first=50", "<p>ok</p>");
    EXPECT_TRUE(openResultPage(browser, pace, u"Baidu", 100, keyword, stop));
    EXPECT_TRUE(openResultPage(browser, pace, u"Sogou", 2, keyword, stop));
    EXPECT_TRUE(openResultPage(browser, pace, u"Bing", 50, keyword, stop));
    EXPECT_EQ(server.RequestTargets(),
              (QList<QByteArray>{"/s?ie=utf-8&wd=%E5%8C%97%E4%BA%AC%20%E6%97%85%E6%B8%B8&pn=100&rn=100&usm=1",
                                 "/web?&num=100&ie=utf8&query=%E5%8C%97%E4%BA%AC%20%E6%97%85%E6%B8%B8&page=2",
                                 "/search?q=%E5%8C%97%E4%BA%AC%20%E6%97%85%E6%B8%B8&first=50"}));
    EXPECT_EQ(browser.bodyMarkup(), "<P>ok</P>");
    EXPECT_FALSE(openResultPage(browser, pace, u"Lycos", 0, keyword, stop));
    EXPECT_EQ(server.Requests().size(), 3);
}

TEST_F(PageLoadingTest, GooglePagesArePausedBeforeTheNextGoogleRequest) {
    server.SetFallback({200, "text/html", "<p>any</p>", {}, 0, HttpServer::Mode::Answer, true});
    EnginePace baiduPace{std::chrono::milliseconds(0)};
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(openResultPage(browser, baiduPace, u"Baidu", 0, u"a", stop));
    EXPECT_TRUE(openResultPage(browser, baiduPace, u"Baidu", 100, u"a", stop));
    EXPECT_LT(timer.elapsed(), 900);

    // The Google page itself comes at once; the next request to Google waits the second.
    timer.restart();
    EXPECT_TRUE(openResultPage(browser, pace, u"Google", 0, u"a", stop));
    EXPECT_LT(timer.elapsed(), 900);
    timer.restart();
    EXPECT_TRUE(openResultPage(browser, pace, u"Google", 100, u"a", stop));
    EXPECT_GE(timer.elapsed(), 1000);
    EXPECT_LT(timer.elapsed(), 2500);
    EXPECT_EQ(server.Requests().size(), 4);

    // A stop during the pause asks nothing more.
    timer.restart();
    QTimer::singleShot(100, [this] { stop = true; });
    EXPECT_FALSE(openResultPage(browser, pace, u"Google", 200, u"a", stop));
    EXPECT_LT(timer.elapsed(), 900);
    EXPECT_EQ(server.Requests().size(), 4);
}

} // namespace
} // namespace quorvane
