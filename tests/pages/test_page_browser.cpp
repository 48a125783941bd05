// The page browser against a loopback server: loading, the ready state of the newest navigation, and every
// kind of broken answer ending in a readable (empty) document instead of a crash or an endless load.
#include "pages/PageBrowser.h"
#include "platform/GbkCodec.h"
#include "support/HttpServer.h"
#include "support/RawServer.h"

#include "platform/QStringPrinter.h"

#include <QNetworkProxy>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace quorvane {
namespace {

using test::HttpServer;

bool waitComplete(const PageBrowser& browser, int timeoutMs = 5000) {
    return QTest::qWaitFor([&] { return browser.readyState() == Browser::ReadyStateComplete; }, timeoutMs);
}

class PageBrowserTest : public ::testing::Test {
protected:
    QString url(const char* target) const { return server.BaseUrl() + QLatin1String(target); }

    HttpServer server;
    PageBrowser browser;
};

TEST_F(PageBrowserTest, LoadsAndSerialisesAGbkPage) {
    const QByteArray page =
        "<html><head><meta http-equiv=\"content-type\" content=\"text/html;charset=gb2312\">"
        "</head><body><div class=\"x\"><a href=\"http://a.com/\" target=\"_blank\">" +
        toGbk(u"中文") + "</a></div></body></html>";
    server.ServePage("/p?q=%D6%D0", page);
    QSignalSpy complete(&browser, &Browser::documentComplete);

    EXPECT_EQ(browser.readyState(), 0);
    EXPECT_THROW(browser.bodyMarkup(), std::runtime_error);
    browser.navigate(url("/p?q=%D6%D0"));
    EXPECT_EQ(browser.readyState(), 1);
    ASSERT_TRUE(waitComplete(browser));

    EXPECT_EQ(browser.bodyMarkup(),
              "<DIV class=x><A href=\"http://a.com/\" target=_blank>" + toGbk(u"中文") + "</A></DIV>");
    EXPECT_TRUE(browser.documentMarkup().endsWith(QByteArray("<BODY>" + browser.bodyMarkup() + "</BODY>")));
    EXPECT_TRUE(browser.lastError().isEmpty());
    EXPECT_EQ(complete.count(), 1);
    ASSERT_EQ(server.Requests().size(), 1);
    EXPECT_EQ(server.Requests()[0].target, "/p?q=%D6%D0");
    EXPECT_TRUE(server.Requests()[0].Header("User-Agent").startsWith("Mozilla/5.0 (Windows NT"));
}

TEST_F(PageBrowserTest, NewerNavigationReplacesAnUnfinishedOne) {
    HttpServer::Response slow;
    slow.body = "<p>slow</p>";
    slow.delayMs = 400;
    server.Serve("/slow", slow);
    server.ServePage("/first", "<p>first</p>");
    server.ServePage("/fast", "<p>fast</p>");
    browser.navigate(url("/first"));
    ASSERT_TRUE(waitComplete(browser));
    QSignalSpy complete(&browser, &Browser::documentComplete);

    browser.navigate(url("/slow"));
    ASSERT_TRUE(server.WaitForRequests(2));
    browser.navigate(url("/fast"));
    // The state belongs to the newest navigation at once, and the old document stays readable meanwhile.
    EXPECT_EQ(browser.readyState(), 1);
    EXPECT_EQ(browser.bodyMarkup(), "<P>first</P>");
    ASSERT_TRUE(waitComplete(browser));
    EXPECT_EQ(browser.bodyMarkup(), "<P>fast</P>");

    // The slow answer arrives later and changes nothing.
    QTest::qWait(700);
    EXPECT_EQ(browser.bodyMarkup(), "<P>fast</P>");
    EXPECT_EQ(complete.count(), 1);
}

TEST_F(PageBrowserTest, FollowsRedirectsAndKeepsCookiesPerInstance) {
    HttpServer::Response setter;
    setter.body = "<p>set</p>";
    setter.headers.append(qMakePair(QByteArray("Set-Cookie"), QByteArray("sid=42; Path=/")));
    server.Serve("/set", setter);
    server.ServeRedirect("/old", "/new");
    server.ServePage("/new", "<p>moved</p>");

    browser.navigate(url("/set"));
    ASSERT_TRUE(waitComplete(browser));
    browser.navigate(url("/old"));
    ASSERT_TRUE(waitComplete(browser));
    EXPECT_EQ(browser.bodyMarkup(), "<P>moved</P>");
    EXPECT_EQ(browser.location().path(), u"/new");
    ASSERT_EQ(server.Requests().size(), 3);
    EXPECT_EQ(server.Requests()[2].Header("Cookie"), "sid=42");

    PageBrowser other;
    other.navigate(url("/new"));
    ASSERT_TRUE(waitComplete(other));
    EXPECT_TRUE(server.Requests().last().Header("Cookie").isEmpty());
}

TEST_F(PageBrowserTest, ServerErrorPageWithBodyIsShown) {
    HttpServer::Response notFound;
    notFound.status = 404;
    notFound.body = "<p>no such page</p>";
    server.Serve("/missing", notFound);
    browser.navigate(url("/missing"));
    ASSERT_TRUE(waitComplete(browser));
    EXPECT_EQ(browser.bodyMarkup(), "<P>no such page</P>");
}

// Each broken answer ends the load with an empty document and a reason, never with a crash or a hang.
struct BadAnswer {
    const char* name;
    std::function<void(HttpServer&, PageBrowser&)> setUp;
    const char* target;
};

class BadAnswerTest : public ::testing::TestWithParam<BadAnswer> {};

TEST_P(BadAnswerTest, EndsAsAnEmptyDocument) {
    HttpServer server;
    PageBrowser browser;
    server.ServePage("/good", "<p>previous</p>");
    browser.navigate(server.BaseUrl() + u"/good");
    ASSERT_TRUE(waitComplete(browser));
    QSignalSpy complete(&browser, &Browser::documentComplete);

    GetParam().setUp(server, browser);
    const QString target = QString::fromLatin1(GetParam().target);
    browser.navigate(target.contains(u"://") ? target : server.BaseUrl() + target);
    ASSERT_TRUE(waitComplete(browser, 8000));
    EXPECT_EQ(browser.bodyMarkup(), "");
    EXPECT_EQ(browser.documentMarkup(), "<HEAD></HEAD><BODY></BODY>");
    EXPECT_FALSE(browser.lastError().isEmpty());
    EXPECT_EQ(complete.count(), 1);
}

HttpServer::Response bigBody(bool withLength) {
    HttpServer::Response r;
    r.body = "<html><body>" + QByteArray("<p>filler</p>").repeated(200000) + "</body></html>"; // 2.6 MB
    r.sendContentLength = withLength;
    return r;
}

const BadAnswer kBadAnswers[] = {
    {"http_error_without_body",
     [](HttpServer& s, PageBrowser&) {
         HttpServer::Response r;
         r.status = 500;
         s.Serve("/x", r);
     },
     "/x"},
    {"body_over_limit_announced",
     [](HttpServer& s, PageBrowser& b) { s.Serve("/x", bigBody(true)), b.setMaxBodyBytes(1 << 20); }, "/x"},
    {"body_over_limit_unannounced",
     [](HttpServer& s, PageBrowser& b) { s.Serve("/x", bigBody(false)), b.setMaxBodyBytes(1 << 20); }, "/x"},
    {"endless_redirects", [](HttpServer& s, PageBrowser&) { s.ServeRedirect("/loop", "/loop"); }, "/loop"},
    {"reset_mid_body",
     [](HttpServer& s, PageBrowser&) {
         HttpServer::Response r;
         r.body = QByteArray("<p>part</p>").repeated(1000);
         r.mode = HttpServer::Mode::ResetMidBody;
         s.Serve("/x", r);
     },
     "/x"},
    {"never_answers",
     [](HttpServer& s, PageBrowser& b) {
         HttpServer::Response r;
         r.mode = HttpServer::Mode::Stall;
         s.Serve("/x", r);
         b.setLoadTimeout(300);
     },
     "/x"},
    {"binary_type",
     [](HttpServer& s, PageBrowser&) {
         s.ServePage("/x", QByteArray("\x89PNG\r\n\x1A\n\0\0", 10), "image/png");
     },
     "/x"},
    {"not_an_http_address", [](HttpServer&, PageBrowser&) {}, "ftp://127.0.0.1:1/file.exe"},
    {"nothing_listening", [](HttpServer&, PageBrowser&) {}, "http://127.0.0.1:1/"},
};

INSTANTIATE_TEST_SUITE_P(Answers, BadAnswerTest, ::testing::ValuesIn(kBadAnswers),
                         [](const auto& info) { return std::string(info.param.name); });

// Through a proxy of its own, every way the proxy can fail the request is the proxy's failure, told apart
// from the engine answering with an error of its own.
struct ProxyAnswer {
    const char* name;
    // Sets up the stand-in proxy's answer and returns its port.
    std::function<quint16(HttpServer&, std::unique_ptr<test::RawServer>&, PageBrowser&)> setUp;
    const char* url;
    bool proxyFailed;
    bool loaded; // a page shows, without an error
};

void PrintTo(const ProxyAnswer& a, std::ostream* os) {
    *os << a.name;
}

class ProxyAnswerTest : public ::testing::TestWithParam<ProxyAnswer> {};

TEST_P(ProxyAnswerTest, TheProxysFailuresAreToldFromTheEngines) {
    const ProxyAnswer& c = GetParam();
    HttpServer proxy;
    std::unique_ptr<test::RawServer> raw;
    PageBrowser browser;
    const quint16 port = c.setUp(proxy, raw, browser);
    browser.setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), port));
    EXPECT_TRUE(browser.hasOwnProxy());
    browser.navigate(QString::fromLatin1(c.url));
    ASSERT_TRUE(waitComplete(browser, 8000));
    const Browser::LoadOutcome load = browser.lastLoad();
    EXPECT_EQ(load.proxyFailed, c.proxyFailed)
        << load.error.toStdString() << " status " << load.httpStatus << " at " << load.finalUrl.toStdString();
    EXPECT_EQ(load.error.isEmpty(), c.loaded) << load.error.toStdString();
}

quint16 answering(HttpServer& proxy, HttpServer::Response response) {
    proxy.SetFallback(std::move(response));
    return proxy.Port();
}

quint16 raw(std::unique_ptr<test::RawServer>& server, QByteArray answer) {
    server = std::make_unique<test::RawServer>(std::move(answer));
    return server->Port();
}

HttpServer::Response redirectTo(const QByteArray& location) {
    HttpServer::Response r;
    r.status = 302;
    r.headers = {{"Location", location}};
    return r;
}

const ProxyAnswer kProxyAnswers[] = {
    {"works",
     [](HttpServer& p, auto&, PageBrowser&) { return answering(p, test::Answer(200, "<p>results</p>")); },
     "http://www.engine.test/s?wd=1", false, true},
    {"engine_error_page",
     [](HttpServer& p, auto&, PageBrowser&) { return answering(p, test::Answer(503, "<p>busy</p>")); },
     "http://www.engine.test/s?wd=1", false, false},
    {"redirect_within_the_engine",
     [](HttpServer& p, auto&, PageBrowser&) {
         p.Serve("/s?wd=1", redirectTo("http://wappass.engine.test/check"));
         p.ServePage("/check", "<p>verify</p>");
         return p.Port();
     },
     "http://www.engine.test/s?wd=1", false, true},
    {"refuses",
     [](HttpServer&, auto&, PageBrowser&) {
         QTcpServer probe;
         probe.listen(QHostAddress::LocalHost, 0);
         return probe.serverPort(); // nothing listens once the probe goes
     },
     "http://www.engine.test/s?wd=1", true, false},
    {"never_answers",
     [](HttpServer& p, auto&, PageBrowser& b) {
         HttpServer::Response r;
         r.mode = HttpServer::Mode::Stall;
         b.setLoadTimeout(300);
         return answering(p, r);
     },
     "http://www.engine.test/s?wd=1", true, false},
    {"closes_at_once", [](HttpServer&, auto& r, PageBrowser&) { return raw(r, {}); },
     "http://www.engine.test/s?wd=1", true, false},
    {"answers_garbage",
     [](HttpServer&, auto& r, PageBrowser&) { return raw(r, "SSH-2.0-OpenSSH_9.2\r\n\x01\x02garbage"); },
     "http://www.engine.test/s?wd=1", true, false},
    {"wants_credentials",
     [](HttpServer& p, auto&, PageBrowser&) {
         HttpServer::Response r;
         r.status = 407;
         r.headers = {{"Proxy-Authenticate", "Basic realm=\"office\""}};
         return answering(p, r);
     },
     "http://www.engine.test/s?wd=1", true, false},
    {"redirects_away",
     [](HttpServer& p, auto&, PageBrowser&) {
         return answering(p, redirectTo("http://portal.wifi-login.example/?from=engine"));
     },
     "http://www.engine.test/s?wd=1", true, false},
    {"breaks_tls",
     [](HttpServer&, auto& r, PageBrowser&) {
         return raw(r, "HTTP/1.1 200 Connection established\r\n\r\nnot a TLS handshake at all");
     },
     "https://www.engine.test/s?wd=1", true, false},
};

INSTANTIATE_TEST_SUITE_P(Proxies, ProxyAnswerTest, ::testing::ValuesIn(kProxyAnswers),
                         [](const auto& info) { return std::string(info.param.name); });

// Without a proxy of its own, a failed load is the page's: the program's proxy is the only way out.
TEST_F(PageBrowserTest, WithoutAProxyOfItsOwnALoadThatFailsIsNotAProxyFailure) {
    HttpServer::Response r;
    r.mode = HttpServer::Mode::Stall;
    server.Serve("/x", r);
    browser.setLoadTimeout(300);
    EXPECT_FALSE(browser.hasOwnProxy());
    browser.navigate(url("/x"));
    ASSERT_TRUE(waitComplete(browser));
    EXPECT_FALSE(browser.lastLoad().proxyFailed);
    EXPECT_FALSE(browser.lastError().isEmpty());
}

TEST_F(PageBrowserTest, LoadsCompressedPages) {
    const QByteArray page =
        "<html><body><p>" + QByteArray("packed ").repeated(100000) + "end</p></body></html>";
    const QList<QPair<QByteArray, QByteArray>> encodings{
        {"gzip", HttpServer::Gzip(page)},
        {"deflate", qCompress(page).sliced(4)}, // zlib's format, without Qt's length in front
    };
    for (const auto& [encoding, body] : encodings) {
        HttpServer::Response r;
        r.body = body;
        r.headers.append(qMakePair(QByteArray("Content-Encoding"), encoding));
        server.Serve("/packed", r);
        browser.navigate(url("/packed"));
        ASSERT_TRUE(waitComplete(browser)) << encoding.constData();
        EXPECT_TRUE(browser.lastError().isEmpty()) << browser.lastError().toStdString();
        EXPECT_TRUE(browser.bodyMarkup().endsWith("packed end</P>")) << encoding.constData();
    }
    EXPECT_EQ(server.Requests().last().Header("Accept-Encoding"), "gzip, deflate");
}

// A small compressed body that inflates far past the size limit fails as too large at once, not when the load
// times out.
TEST_F(PageBrowserTest, CompressedBombFailsAsTooLarge) {
    constexpr int kTimeoutMs = 10'000;
    HttpServer::Response bomb;
    bomb.body = HttpServer::Gzip(QByteArray("<html><body>" + QByteArray(24 * 1024 * 1024, ' ')));
    ASSERT_LT(bomb.body.size(), 200 * 1024);
    bomb.headers.append(qMakePair(QByteArray("Content-Encoding"), QByteArray("gzip")));
    server.Serve("/bomb", bomb);
    for (const qint64 limit : {PageBrowser::kDefaultMaxBodyBytes, qint64(1) << 20}) {
        browser.setMaxBodyBytes(limit);
        browser.setLoadTimeout(kTimeoutMs);
        browser.navigate(url("/bomb"));
        // Finished well within the load timeout, and for the size, not for the time.
        ASSERT_TRUE(waitComplete(browser, kTimeoutMs * 3 / 4)) << limit;
        EXPECT_EQ(browser.lastError(), QStringLiteral("the page is larger than %1 bytes").arg(limit));
        EXPECT_EQ(browser.bodyMarkup(), "");
    }
}

TEST_F(PageBrowserTest, BinaryBodyLabelledAsHtmlStillGivesADocument) {
    QByteArray noise;
    for (int i = 0; i < 100000; ++i)
        noise.append(static_cast<char>((i * 131 + 7) & 0xFF));
    server.ServePage("/noise", noise);
    browser.navigate(url("/noise"));
    ASSERT_TRUE(waitComplete(browser));
    EXPECT_TRUE(browser.documentMarkup().startsWith("<HEAD>"));
}

} // namespace
} // namespace quorvane
