// The version check against a loopback maker site: what counts as a new version, pages without a code,
// a host that is down, and the announcement that must not stack while its box is open.
#include "MakerEndpoints.h"
#include "pages/PageBrowser.h"
#include "platform/QStringPrinter.h"
#include "support/HttpServer.h"
#include "support/MessageRecorder.h"
#include "support/ShellOpenRecorder.h"
#include "webservices/MakerSite.h"
#include "webservices/VersionCheck.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

namespace quorvane {
namespace {

using test::HttpServer;
using test::kNewVersion;
using test::MakerEndpoints;
using test::MessageRecorder;

const QString kNoUpdate = QStringLiteral("无需升级!");
const QString kDownloadHost = QStringLiteral("ftp://127.0.0.1:18089");

QByteArray versionPage(const QByteArray& pre) {
    return "<html><head><title>Velmora</title></head><body><pre>" + pre + "</pre></body></html>";
}

class VersionCheckTest : public ::testing::Test {
protected:
    // Loads the version page once and waits for the check that follows it.
    void loadVersionPage() {
        QSignalSpy complete(&browser, &Browser::documentComplete);
        check.reload();
        ASSERT_TRUE(QTest::qWaitFor([&] { return complete.count() >= 1; }));
    }

    HttpServer server;
    MakerEndpoints endpoints{server.BaseUrl(), kDownloadHost};
    MessageRecorder messages;
    PageBrowser browser;
    VersionCheck check{browser, [] { return runningVersion(QStringLiteral("Velmora-Quorvane Ver1.3")); }};
    test::ShellOpenRecorder shell;
};

struct CodeCase {
    const char* name;
    QByteArray pre; // the content of the page's PRE element
    QString latest; // the version the check keeps
    bool announced; // "发现新版本，请注意升级!" is shown
};

void PrintTo(const CodeCase& c, std::ostream* os) {
    *os << c.name;
}

class VersionCodes : public VersionCheckTest, public ::testing::WithParamInterface<CodeCase> {};

TEST_P(VersionCodes, AnnounceEveryDifferenceAndAnswerTheDownloadItem) {
    const CodeCase& c = GetParam();
    server.ServePage("/", versionPage(c.pre));
    loadVersionPage();
    EXPECT_EQ(check.latestVersion(), c.latest);
    EXPECT_EQ(messages.Texts(), c.announced ? QStringList{kNewVersion} : QStringList{});
    EXPECT_EQ(server.RequestTargets(), QList<QByteArray>{"/"});

    messages.Clear();
    check.fetchNewestVersion();
    if (c.announced) {
        EXPECT_EQ(shell.opened, QStringList{kDownloadHost + QStringLiteral("/download/updata/Quorvane.exe")});
        EXPECT_TRUE(messages.Texts().isEmpty());
    } else {
        EXPECT_TRUE(shell.opened.isEmpty());
        EXPECT_EQ(messages.Texts(), QStringList{kNoUpdate});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, VersionCodes,
    ::testing::Values(CodeCase{"same", "Code=1.3", QStringLiteral("1.3"), false},
                      CodeCase{"older", "Code=1.2", QStringLiteral("1.2"), true},
                      CodeCase{"newer", "Code=1.4", QStringLiteral("1.4"), true},
                      CodeCase{"same_padded", "Code= \r\n\t1.3 \n ", QStringLiteral("1.3"), false},
                      CodeCase{"newer_padded", "Code=\n  1.4\r\n", QStringLiteral("1.4"), true},
                      CodeCase{"text_before_code", "Velmora\nCode=1.3", QStringLiteral("1.3"), false}),
    [](const ::testing::TestParamInfo<CodeCase>& info) { return info.param.name; });

TEST_F(VersionCheckTest, APageWithoutTheClosingTextKeepsTheLatestVersion) {
    server.ServePage("/", versionPage("Code=1.3"));
    loadVersionPage();
    ASSERT_EQ(check.latestVersion(), QStringLiteral("1.3"));

    // The code is there, but not directly before the end of the body.
    for (const QByteArray& page : {QByteArray("<html><body><pre>Code=1.4</pre><p>more</p></body></html>"),
                                   QByteArray("<html><body><p>Code=1.4</p></body></html>"),
                                   QByteArray("<html><body>1.4</body></html>"), versionPage("Code=")}) {
        server.ServePage("/", page);
        loadVersionPage();
        EXPECT_EQ(check.latestVersion(), QStringLiteral("1.3")) << page.toStdString();
    }
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join(u'\n').toStdString();
}

TEST_F(VersionCheckTest, ALaterCheckDoesNotStackASecondBoxOverAnOpenOne) {
    server.ServePage("/", versionPage("Code=1.4"));
    bool nestedCheckStarted = false;
    bool nestedCheckDone = false;
    int boxesOpen = 0;
    int mostBoxesOpen = 0;
    // While the first box is open, its event loop lets the next load and check run.
    messages.OnMessage([&](const MessageRecorder::Message&) {
        mostBoxesOpen = std::max(mostBoxesOpen, ++boxesOpen);
        if (!nestedCheckStarted) {
            nestedCheckStarted = true;
            EXPECT_TRUE(check.announcing());
            server.ServePage("/", versionPage("Code=1.5"));
            QSignalSpy complete(&browser, &Browser::documentComplete);
            check.reload();
            nestedCheckDone = QTest::qWaitFor([&] { return complete.count() >= 1; });
        }
        --boxesOpen;
    });
    loadVersionPage();
    ASSERT_TRUE(nestedCheckDone);
    EXPECT_EQ(messages.Texts(), QStringList{kNewVersion});
    EXPECT_EQ(mostBoxesOpen, 1);
    // The check inside ran all the same: it read the newer code.
    EXPECT_EQ(check.latestVersion(), QStringLiteral("1.5"));
    EXPECT_FALSE(check.announcing());

    // Once the box is closed, the next check announces again.
    loadVersionPage();
    EXPECT_EQ(messages.Texts(), (QStringList{kNewVersion, kNewVersion}));
}

TEST_F(VersionCheckTest, AHostThatIsDownAnnouncesNothingAndTheUpdateIsStillFetched) {
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        closedPort = probe.serverPort();
    }
    const MakerEndpoints down(QStringLiteral("http://127.0.0.1:%1").arg(closedPort), kDownloadHost);
    loadVersionPage();
    EXPECT_FALSE(browser.lastError().isEmpty());
    EXPECT_TRUE(check.latestVersion().isEmpty());
    EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join(u'\n').toStdString();

    check.fetchNewestVersion();
    EXPECT_EQ(shell.opened, QStringList{kDownloadHost + QStringLiteral("/download/updata/Quorvane.exe")});
    EXPECT_TRUE(messages.Texts().isEmpty());
}

TEST_F(VersionCheckTest, AnErrorAnswerOrAnUnloadablePageKeepsTheVersion) {
    server.ServePage("/", versionPage("Code=1.3"));
    loadVersionPage();
    HttpServer::Response error;
    error.status = 500;
    server.Serve("/", error);
    loadVersionPage();
    HttpServer::Response binary;
    binary.contentType = "application/octet-stream";
    binary.body = versionPage("Code=1.4");
    server.Serve("/", binary);
    loadVersionPage();
    EXPECT_EQ(check.latestVersion(), QStringLiteral("1.3"));
    EXPECT_TRUE(messages.Texts().isEmpty());
}

TEST(RunningVersion, TheThreeCharactersAfterVerInTheCaption) {
    EXPECT_EQ(runningVersion(QStringLiteral("Velmora-Quorvane Ver1.3")), QStringLiteral("1.3"));
    EXPECT_EQ(runningVersion(QStringLiteral("Ver1.35 Ver2.0")), QStringLiteral("1.3"));
    EXPECT_EQ(runningVersion(QStringLiteral("Quorvane Ver2")), QStringLiteral("2"));
    EXPECT_EQ(runningVersion(QStringLiteral("Quorvane")), QString());
}

TEST(MakerSite, CompiledInHostsAreReservedNames) {
    loadEndpoints(QString());
    EXPECT_EQ(makerSiteUrl(), QStringLiteral("http://www.velmora.example/"));
    EXPECT_EQ(updateFileUrl(), QStringLiteral("ftp://ftp.velmora.example/download/updata/Quorvane.exe"));
    EXPECT_EQ(makerPageUrl(kHelpPath), QStringLiteral("http://www.velmora.example/seo/helpinfo.mht"));
}

} // namespace
} // namespace quorvane
