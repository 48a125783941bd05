// The browser that runs the pages' scripts, against the loopback server: the document the scripts leave,
// rendered as PageBrowser renders a served page; status, size and failures; the time limit; cookies per
// instance; and its use from a thread of its own while the page lives on the main thread.
#include "pages/PageBrowser.h"
#include "pages/ScriptBrowser.h"
#include "support/HttpServer.h"

#include "platform/GbkCodec.h"
#include "platform/QStringPrinter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace quorvane {
namespace {

using test::HttpServer;

// Waits for the browser's newest navigation to end; false when it did not within the time.
bool scriptLoad(Browser& browser, const QString& url, int timeoutMs = 20'000) {
    // In an event loop, not polls with naps: the browser engine's tasks on this thread would wait for them.
    QSignalSpy complete(&browser, &Browser::documentComplete);
    browser.navigate(url);
    return complete.wait(timeoutMs);
}

class ScriptBrowserTest : public ::testing::Test {
protected:
    // The module beside the program, not beside the test.
    static void SetUpTestSuite() { setScriptPageModuleFolder(qEnvironmentVariable("QUORVANE_BIN_DIR")); }

    QString Url(const char* target) const { return server.BaseUrl() + QString::fromLatin1(target); }

    HttpServer server;
    ScriptBrowser browser;
};

// A page whose list is built by a timer after the load, the same list served as it is, and a GBK page:
// the script browser gives what PageBrowser gives for the served list, and images are never asked for.
TEST_F(ScriptBrowserTest, TheScriptsDocumentIsRenderedLikeAServedPage) {
    const QByteArray list = "<ul id=\"r\"><li><a href=\"http://a.example/\" target=\"_blank\">a</a></li>"
                            "<li><a href=\"http://b.example/\" target=\"_blank\">b &amp; c</a></li></ul>";
    server.ServePage("/served", "<html><head><title>t</title></head><body>" + list +
                                    "<img src=\"/picture.png\"></body></html>");
    server.ServePage("/built", "<html><head><title>t</title></head><body><script>setTimeout(function () {"
                               "document.body.innerHTML = '" +
                                   list + "<img src=\"/picture.png\">'; }, 150);</script></body></html>");
    const QByteArray gbk =
        "<html><head><meta charset=\"gbk\"></head><body><p>" + toGbk(u"北京旅游") + "</p></body></html>";
    server.ServePage("/gbk", gbk);

    PageBrowser plain;
    ASSERT_TRUE(scriptLoad(plain, Url("/served")));
    ASSERT_TRUE(scriptLoad(browser, Url("/built")));
    EXPECT_EQ(browser.bodyMarkup(), plain.bodyMarkup());
    EXPECT_EQ(browser.documentMarkup(), plain.documentMarkup());
    EXPECT_TRUE(browser.bodyMarkup().contains("<A href=\"http://b.example/\" target=_blank>b &amp; c</A>"))
        << browser.bodyMarkup().toStdString();

    // The same served page through both.
    ASSERT_TRUE(scriptLoad(browser, Url("/served")));
    EXPECT_EQ(browser.documentMarkup(), plain.documentMarkup());
    ASSERT_TRUE(scriptLoad(plain, Url("/gbk")));
    ASSERT_TRUE(scriptLoad(browser, Url("/gbk")));
    EXPECT_EQ(browser.bodyMarkup(), plain.bodyMarkup());
    EXPECT_EQ(browser.bodyMarkup(), "<P>" + toGbk(u"北京旅游") + "</P>");

    EXPECT_FALSE(server.RequestTargets().contains("/picture.png"));
}

struct ScriptLoadCase {
    const char* name;
    HttpServer::Response response;
    int status;           // as lastLoad tells it
    bool loaded;          // no error
    QByteArray bodyShown; // part of the body markup; empty: an empty document
};

class ScriptBrowserLoads : public ScriptBrowserTest, public ::testing::WithParamInterface<ScriptLoadCase> {};

TEST_P(ScriptBrowserLoads, StatusSizeAndErrorAsTheEngineTells) {
    const ScriptLoadCase& c = GetParam();
    server.Serve("/page", c.response);
    browser.setMaxBodyBytes(1024 * 1024);
    ASSERT_TRUE(scriptLoad(browser, Url("/page")));
    const Browser::LoadOutcome load = browser.lastLoad();
    EXPECT_EQ(load.httpStatus, c.status);
    EXPECT_EQ(load.error.isEmpty(), c.loaded) << load.error.toStdString();
    if (c.bodyShown.isEmpty()) {
        EXPECT_EQ(browser.bodyMarkup(), QByteArray());
    } else {
        EXPECT_TRUE(browser.bodyMarkup().contains(c.bodyShown)) << browser.bodyMarkup().toStdString();
        if (c.loaded) {
            EXPECT_EQ(load.bytes, c.response.body.size());
        }
    }
}

HttpServer::Response scriptResponse(int status, QByteArray body, QByteArray type = "text/html") {
    HttpServer::Response response;
    response.status = status;
    response.body = std::move(body);
    response.contentType = std::move(type);
    return response;
}

const ScriptLoadCase kScriptLoads[] = {
    {"ok", scriptResponse(200, "<p>fine</p>"), 200, true, "<P>fine</P>"},
    {"too_many_requests_with_a_body", scriptResponse(429, "<p>unusual traffic</p>"), 429, false,
     "<P>unusual traffic</P>"},
    {"forbidden_without_a_body", scriptResponse(403, ""), 403, false, ""},
    // Taken for a download, which is refused before the engine tells the status.
    {"not_a_page", scriptResponse(200, "PK\x03\x04 zipped", "application/zip"), 0, false, ""},
    {"too_large", scriptResponse(200, "<p>" + QByteArray(1024 * 1024, 'x') + "</p>"), 200, false, ""},
};

INSTANTIATE_TEST_SUITE_P(Pages, ScriptBrowserLoads, ::testing::ValuesIn(kScriptLoads),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptBrowserTest, UnreachableAndUnfetchableAddressesFail) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close(); // nothing listens there now
    for (const QString& url : {QStringLiteral("http://127.0.0.1:%1/").arg(port),
                               QStringLiteral("file:///etc/passwd"), QStringLiteral("javascript:alert(1)")}) {
        ASSERT_TRUE(scriptLoad(browser, url)) << url.toStdString();
        EXPECT_FALSE(browser.lastLoad().error.isEmpty()) << url.toStdString();
        EXPECT_EQ(browser.bodyMarkup(), QByteArray()) << url.toStdString();
    }
}

// A page that never finishes loading ends at the time limit as a failed load: the document itself never
// comes, or it comes and a script it asks for never does.
TEST_F(ScriptBrowserTest, APageThatNeverFinishesEndsAtTheTimeLimit) {
    HttpServer::Response stall;
    stall.mode = HttpServer::Mode::Stall;
    server.Serve("/stall", stall);
    server.Serve("/stall.js", stall);
    server.ServePage("/waits-for-a-script", "<p>half</p><script src=\"/stall.js\"></script>");
    browser.setLoadTimeout(1500);
    for (const char* target : {"/stall", "/waits-for-a-script"}) {
        QElapsedTimer timer;
        timer.start();
        ASSERT_TRUE(scriptLoad(browser, Url(target), 10'000)) << target;
        EXPECT_GE(timer.elapsed(), 1400) << target;
        EXPECT_LT(timer.elapsed(), 4000) << target;
        EXPECT_EQ(browser.lastLoad().error, QStringLiteral("no complete answer in time")) << target;
        EXPECT_EQ(browser.bodyMarkup(), QByteArray()) << target;
    }
}

// A page whose scripts never stop changing it is read as it stands once the settling time is over.
TEST_F(ScriptBrowserTest, APageThatKeepsChangingIsReadAfterTheSettlingTime) {
    server.ServePage("/ticker", "<p id=\"t\">0</p><script>var n = 0; setInterval(function () {"
                                "document.getElementById('t').textContent = ++n; }, 20);</script>");
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(scriptLoad(browser, Url("/ticker")));
    EXPECT_LT(timer.elapsed(), 8000);
    EXPECT_TRUE(browser.lastLoad().error.isEmpty());
    EXPECT_TRUE(browser.bodyMarkup().startsWith("<P id=t>")) << browser.bodyMarkup().toStdString();
    EXPECT_FALSE(browser.bodyMarkup().startsWith("<P id=t>0</P>")) << browser.bodyMarkup().toStdString();
}

// A dialog of the page's own neither waits for an answer nor stops the scripts after it.
TEST_F(ScriptBrowserTest, ThePagesDialogsAreAnsweredAtOnce) {
    server.ServePage("/dialogs", "<p id=\"p\"></p><script>alert('a'); var yes = confirm('b');"
                                 "var said = prompt('c', 'd'); document.getElementById('p').textContent ="
                                 " 'after ' + yes + ' ' + said;</script>");
    browser.setLoadTimeout(5000);
    ASSERT_TRUE(scriptLoad(browser, Url("/dialogs")));
    EXPECT_TRUE(browser.lastLoad().error.isEmpty()) << browser.lastLoad().error.toStdString();
    EXPECT_TRUE(browser.bodyMarkup().startsWith("<P id=p>after false null</P>"))
        << browser.bodyMarkup().toStdString();
}

// Cookies are kept across the navigations of one browser and never reach another.
TEST_F(ScriptBrowserTest, CookiesStayWithTheirBrowser) {
    HttpServer::Response setting = scriptResponse(200, "<p>set</p>");
    setting.headers.append(qMakePair(QByteArray("Set-Cookie"), QByteArray("session=abc; Path=/")));
    server.Serve("/set", setting);
    server.ServePage("/check", "<p>check</p>");
    ASSERT_TRUE(scriptLoad(browser, Url("/set")));
    ASSERT_TRUE(scriptLoad(browser, Url("/check")));
    ScriptBrowser other;
    ASSERT_TRUE(scriptLoad(other, Url("/check")));
    QList<QByteArray> cookies;
    for (const HttpServer::Request& request : server.Requests())
        if (request.target == "/check")
            cookies << request.Header("Cookie");
    EXPECT_EQ(cookies, (QList<QByteArray>{"session=abc", QByteArray()}));
}

// The program's proxy (Endpoints.ini's [Network]) carries the browser engine's requests too.
TEST_F(ScriptBrowserTest, RequestsGoThroughTheApplicationProxy) {
    server.ServePage("/results", "<p>through the proxy</p>"); // the server stands in for the proxy too
    const QNetworkProxy before = QNetworkProxy::applicationProxy();
    QNetworkProxy::setApplicationProxy(
        QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), server.Port()));
    const bool loaded = scriptLoad(browser, QStringLiteral("http://engine.example/results"));
    QNetworkProxy::setApplicationProxy(before);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(browser.bodyMarkup(), "<P>through the proxy</P>");
    EXPECT_TRUE(server.RequestTargets().contains("http://engine.example/results"));
    EXPECT_FALSE(browser.lastLoad().proxyFailed);
}

// The address of the document after the server's redirect and after a script's, as the verification-page
// check reads it.
TEST_F(ScriptBrowserTest, TheFinalAddressFollowsRedirects) {
    server.ServeRedirect("/search?q=a", "/sorry/index?continue=1");
    server.ServePage("/sorry/index?continue=1", "<p>unusual traffic</p>");
    server.ServePage("/by-script", "<script>location.replace('/landed');</script>");
    server.ServePage("/landed", "<p>landed</p>");
    ASSERT_TRUE(scriptLoad(browser, Url("/search?q=a")));
    EXPECT_EQ(browser.lastLoad().finalUrl, Url("/sorry/index?continue=1"));
    ASSERT_TRUE(scriptLoad(browser, Url("/by-script")));
    EXPECT_EQ(browser.lastLoad().finalUrl, Url("/landed"));
    EXPECT_TRUE(browser.bodyMarkup().startsWith("<P>landed</P>")) << browser.bodyMarkup().toStdString();
}

// A page that navigates itself again and again makes a few requests at most. A page that never lets its load
// finish (a script that runs while it loads, a server's redirect loop) ends abandoned; a refresh at once may
// start before or after the browser engine calls its load finished, so it is either read as it stands or
// abandoned. Either way the outcome is whole (abandoned: an error and no document; read: a document) and
// nothing more is asked afterwards.
TEST_F(ScriptBrowserTest, APageNavigatesOnItsOwnAFewTimesAtMost) {
    server.ServePage("/refresh",
                     "<html><head><meta http-equiv=refresh content=0></head><body>wait</body></html>");
    server.ServePage("/again", "<p>again</p><script>location.replace('/again');</script>");
    server.ServeRedirect("/loop", "/loop");
    const qsizetype limit = 1 + ScriptBrowser::kMaxFollowUps;
    const struct {
        const char* target;
        bool mayBeRead;
    } cases[] = {{"/refresh", true}, {"/again", false}, {"/loop", false}};
    for (const auto& c : cases) {
        server.ClearRequests();
        ASSERT_TRUE(scriptLoad(browser, Url(c.target))) << c.target;
        const Browser::LoadOutcome load = browser.lastLoad();
        EXPECT_EQ(server.Requests().size(), limit) << c.target;
        if (!c.mayBeRead) {
            EXPECT_TRUE(load.abandoned) << c.target;
        }
        EXPECT_EQ(load.error.isEmpty(), !load.abandoned) << c.target << load.error.toStdString();
        EXPECT_EQ(browser.bodyMarkup().isEmpty(), load.abandoned) << c.target;
        // Nothing more goes out once the page is done with.
        EXPECT_FALSE(QTest::qWaitFor([&] { return server.Requests().size() > limit; }, 1000)) << c.target;
    }
}

// Each navigation of the page's own waits the pace's pause, and none starts past the window.
TEST_F(ScriptBrowserTest, ThePagesOwnNavigationsKeepThePace) {
    server.ServePage("/refresh",
                     "<html><head><meta http-equiv=refresh content=0></head><body>wait</body></html>");
    browser.setFollowUpPace(std::chrono::milliseconds(400), std::chrono::milliseconds(2500));
    ASSERT_TRUE(scriptLoad(browser, Url("/refresh")));
    const QList<HttpServer::Request> requests = server.Requests();
    ASSERT_GE(requests.size(), 2);
    // At 0, and each at least 400 ms later while it leaves the time to read the page within 2.5 s.
    EXPECT_LE(requests.size(), 4);
    for (qsizetype i = 1; i < requests.size(); ++i)
        EXPECT_GE(requests[i].arrived - requests[i - 1].arrived, std::chrono::milliseconds(400)) << i;
    EXPECT_FALSE(QTest::qWaitFor([&] { return server.Requests().size() > requests.size(); }, 1000));
}

// A page whose script allocates without end: its process is ended at the memory limit, the load ends
// abandoned with the reason, and the next page is read as ever.
TEST_F(ScriptBrowserTest, APageThatTakesTooMuchMemoryIsEndedAndTheNextOneRead) {
    server.ServePage(
        "/hog", "<p>hog</p><script>var kept = [];"
                "function grow() { for (var i = 0; i < 16; i++) kept.push(new Uint8Array(1 << 20).fill(7));"
                " document.title = kept.length; setTimeout(grow, 0); } grow();</script>");
    server.ServePage("/fine", "<p>fine</p>");
    browser.setMaxMemoryBytes(qint64(256) << 20);
    ASSERT_TRUE(scriptLoad(browser, Url("/hog"), 30'000));
    EXPECT_TRUE(browser.lastLoad().abandoned);
    EXPECT_TRUE(browser.lastLoad().error.contains(QStringLiteral("memory")))
        << browser.lastLoad().error.toStdString();
    EXPECT_EQ(browser.bodyMarkup(), QByteArray());
    ASSERT_TRUE(scriptLoad(browser, Url("/fine")));
    EXPECT_FALSE(browser.lastLoad().abandoned);
    EXPECT_TRUE(browser.bodyMarkup().startsWith("<P>fine</P>")) << browser.bodyMarkup().toStdString();
}

// The engine's page processes: the engine starts its zygote processes below this one, and they fork a
// process per page (which keeps the zygote's command line).
int scriptRenderers() {
    QHash<int, int> parents;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const int pid = entry.toInt(&ok);
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!ok || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        parents.insert(pid, text.mid(text.lastIndexOf(')') + 2).split(' ').value(1).toInt());
    }
    int count = 0;
    for (auto it = parents.cbegin(); it != parents.cend(); ++it)
        count += parents.value(it.value()) == QCoreApplication::applicationPid() ? 1 : 0;
    return count;
}

// An engine's checks in one run: browsers made one after the other on threads of their own share the
// session's cookies, and the engine's page process goes when the session does.
TEST(ScriptBrowserSession, BrowsersOfARunShareCookiesAndTheEnginesPageGoesWithIt) {
    setScriptPageModuleFolder(qEnvironmentVariable("QUORVANE_BIN_DIR"));
    HttpServer server;
    HttpServer::Response setting = scriptResponse(200, "<p>set</p>");
    setting.headers.append(qMakePair(QByteArray("Set-Cookie"), QByteArray("run=1; Path=/")));
    server.Serve("/set", setting);
    server.ServePage("/check", "<p>check</p>");
    ASSERT_TRUE(QTest::qWaitFor([] { return scriptRenderers() == 0; }, 10'000)); // earlier tests' pages
    auto session = std::make_unique<ScriptBrowserSession>();
    auto check = [&](const char* target) {
        const QString url = server.BaseUrl() + QString::fromLatin1(target);
        bool loaded = false;
        std::unique_ptr<QThread> thread(QThread::create([&session, &loaded, url] {
            const std::unique_ptr<Browser> browser = session->makeBrowser();
            QSignalSpy complete(browser.get(), &Browser::documentComplete);
            browser->navigate(url);
            loaded = complete.wait(20'000) && browser->lastLoad().error.isEmpty();
        }));
        QEventLoop mainThread;
        QObject::connect(thread.get(), &QThread::finished, &mainThread, &QEventLoop::quit);
        thread->start();
        mainThread.exec();
        return loaded;
    };
    ASSERT_TRUE(check("/set"));
    ASSERT_TRUE(check("/check"));
    ASSERT_TRUE(check("/check"));
    EXPECT_EQ(scriptRenderers(), 1);
    QList<QByteArray> cookies;
    for (const HttpServer::Request& request : server.Requests())
        if (request.target == "/check")
            cookies << request.Header("Cookie");
    EXPECT_EQ(cookies, (QList<QByteArray>{"run=1", "run=1"}));

    session.reset();
    EXPECT_TRUE(QTest::qWaitFor([] { return scriptRenderers() == 0; }, 10'000));
}

// A run's check makes, uses and destroys its browser on a thread of its own; the page lives on the main
// thread, which only processes events meanwhile.
TEST_F(ScriptBrowserTest, UsableFromAThreadOfItsOwn) {
    server.ServePage("/threaded", "<div id=\"d\"></div><script>document.getElementById('d').textContent ="
                                  " 'made by ' + 'script';</script>");
    const QString url = Url("/threaded");
    QByteArray body;
    std::unique_ptr<QThread> thread(QThread::create([&body, url] {
        const std::unique_ptr<Browser> own = makeScriptBrowser();
        own->navigate(url);
        QElapsedTimer timer;
        timer.start();
        while (own->readyState() != Browser::ReadyStateComplete && timer.elapsed() < 20'000) {
            QCoreApplication::processEvents();
            QThread::msleep(2);
        }
        if (own->readyState() == Browser::ReadyStateComplete)
            body = own->bodyMarkup();
    }));
    QEventLoop mainThread; // the page's thread: its events flow while the check's thread waits
    QObject::connect(thread.get(), &QThread::finished, &mainThread, &QEventLoop::quit);
    QTimer::singleShot(30'000, &mainThread, &QEventLoop::quit);
    thread->start();
    mainThread.exec();
    ASSERT_TRUE(thread->isFinished());
    EXPECT_TRUE(body.startsWith("<DIV id=d>made by script</DIV><SCRIPT>")) << body.toStdString();
}

} // namespace
} // namespace quorvane
