// The maker's web services in the main window: the pages requested at start-up, the version announced, the
// tool-bar panel and its links, the menu and tray items, the promotional links and the About box.
#include "MakerEndpoints.h"
#include "app/MainWindow.h"
#include "app/Pictures.h"
#include "platform/QStringPrinter.h"
#include "support/HttpServer.h"
#include "support/MessageRecorder.h"
#include "support/ShellOpenRecorder.h"
#include "support/SuiteDatabase.h"
#include "support/WindowParts.h"
#include "ui/ModalDialogs.h"
#include "webservices/AboutBox.h"
#include "webservices/MakerPageView.h"
#include "webservices/MakerServices.h"
#include "webservices/VersionCheck.h"

#include <QAction>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <ostream>

namespace quorvane {
namespace {

using test::HttpServer;
using test::kNewVersion;
using test::MakerEndpoints;
using test::MessageRecorder;

const QByteArray kMakerPanel = "<html><head><meta charset=utf-8></head><body>"
                               "<script>document.write('scripted')</script>"
                               "<p>Velmora 排名服务 <a href=\"/shop/panel.php?id=7\">立即订购</a> "
                               "<a href=\"file:///etc/passwd\">local</a> "
                               "<a href=\"http://other.example/x\">other</a>"
                               "<img src=\"/logo.png\"></p></body></html>";

class MakerWindowTest : public test::SuiteDatabaseTest {
protected:
    void SetUp() override {
        server.ServePage("/r2.php", kMakerPanel);
        server.ServePage("/nav.php", "<html><body>nav</body></html>");
        server.ServePage("/", "<html><body><pre>Code=1.3</pre></body></html>");
    }
    void TearDown() override { setModalRunner({}); }

    // A window created and started as the program does it, then pointed at the loopback maker site (the
    // start-up reads Endpoints.ini beside the executable) before its timers get their first chance to run.
    std::unique_ptr<MainWindow> openWindow() {
        auto window = std::make_unique<MainWindow>(database, db->Path());
        window->startUp();
        endpoints.Apply();
        return window;
    }

    QString site(const char* path) const { return server.BaseUrl() + QLatin1String(path); }

    int requestsFor(const QByteArray& target) const { return server.RequestTargets().count(target); }

    HttpServer server;
    MakerEndpoints endpoints{server.BaseUrl(), QStringLiteral("ftp://127.0.0.1:18089")};
    MessageRecorder messages;
    Database database;
    test::ShellOpenRecorder shell;
};

TEST_F(MakerWindowTest, StartUpRequestsTheThreePagesOnceAndAnnouncesAnotherVersion) {
    server.ServePage("/", "<html><body><pre>Code=1.4</pre></body></html>");
    auto window = openWindow();
    MakerServices& services = *test::part<MakerServices>(*window, "makerServices");
    EXPECT_EQ(services.versionTimer()->interval(), 5 * 60 * 1000);
    EXPECT_TRUE(services.versionTimer()->isActive());

    ASSERT_TRUE(QTest::qWaitFor([&] { return messages.Texts().contains(kNewVersion); }, 2000))
        << server.RequestTargets().join(' ').toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return !test::part<MakerServices>(*window, "makerServices")->pageView()->toPlainText().isEmpty();
    }));
    QTest::qWait(300);
    EXPECT_EQ(messages.Texts(), QStringList{kNewVersion});
    EXPECT_EQ(requestsFor("/r2.php"), 1);
    EXPECT_EQ(requestsFor("/nav.php"), 1);
    EXPECT_EQ(requestsFor("/"), 1);
    EXPECT_EQ(services.versionCheck().latestVersion(), QStringLiteral("1.4"));

    // The panel shows the page's text; the script did not run and the picture was not fetched.
    const QString text = services.pageView()->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("Velmora 排名服务 立即订购"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("scripted")));
    EXPECT_EQ(requestsFor("/logo.png"), 0);
    EXPECT_EQ(services.pageView()->parentWidget(), test::part<QFrame>(*window, "makerPagePanel"));
}

TEST_F(MakerWindowTest, TheVersionPageIsLoadedAgainOnEveryTickOfItsTimer) {
    auto window = openWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return requestsFor("/") == 1; }));
    test::part<MakerServices>(*window, "makerServices")->versionTimer()->setInterval(30);
    ASSERT_TRUE(QTest::qWaitFor([&] { return requestsFor("/") >= 3; }));
    EXPECT_EQ(requestsFor("/r2.php"), 1);
    EXPECT_EQ(requestsFor("/nav.php"), 1);
    EXPECT_TRUE(messages.Texts().isEmpty());
}

TEST_F(MakerWindowTest, AStalledMakerHostCostsNothingVisible) {
    HttpServer::Response stall;
    stall.mode = HttpServer::Mode::Stall;
    for (const QByteArray target : {"/r2.php", "/nav.php", "/"})
        server.Serve(target, stall);
    auto window = openWindow();
    ASSERT_TRUE(server.WaitForRequests(3));
    QTest::qWait(200);
    EXPECT_TRUE(messages.Texts().isEmpty());
    EXPECT_TRUE(test::part<MakerServices>(*window, "makerServices")->pageView()->toPlainText().isEmpty());
    // The update is offered all the same: no check has succeeded.
    test::part<QAction>(*window, "downloadUpdateAction")->trigger();
    EXPECT_EQ(shell.opened,
              QStringList{QStringLiteral("ftp://127.0.0.1:18089/download/updata/Quorvane.exe")});
}

TEST_F(MakerWindowTest, TheSameVersionNeedsNoUpdate) {
    auto window = openWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return !test::part<MakerServices>(*window, "makerServices")->versionCheck().latestVersion().isEmpty();
    }));
    test::part<QAction>(*window, "downloadUpdateAction")->trigger();
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("无需升级!")});
    EXPECT_TRUE(shell.opened.isEmpty());
}

TEST_F(MakerWindowTest, MenuAndTrayItemsOpenTheMakersPages) {
    auto window = openWindow();
    const struct {
        QAction* action;
        const char* path;
    } items[] = {
        {test::part<QAction>(*window, "helpAction"), "/seo/helpinfo.mht"},
        {test::part<QAction>(*window, "visitSiteAction"), "/"},
        {test::part<QAction>(*window, "trayDownloadAction"), "/download/download.html"},
    };
    for (const auto& item : items) {
        shell.opened.clear();
        item.action->trigger();
        EXPECT_EQ(shell.opened, QStringList{site(item.path)}) << item.action->text().toStdString();
    }
    EXPECT_TRUE(messages.Texts().isEmpty());
}

TEST_F(MakerWindowTest, PromotionalLinksLookLikeLinksAndOpenTheShopPages) {
    auto window = openWindow();
    const struct {
        QLabel* label;
        const char* path;
    } links[] = {
        {test::part<QLabel>(*window, "promotionLink1"), "/shop/item.php?id=baidu-rank"},
        {test::part<QLabel>(*window, "promotionLink2"), "/shop/item.php?id=rank-watch"},
    };
    for (const auto& link : links) {
        SCOPED_TRACE(link.label->objectName().toStdString());
        EXPECT_FALSE(link.label->text().isEmpty());
        EXPECT_EQ(link.label->font().pixelSize(), 14);
        EXPECT_TRUE(link.label->font().underline());
        EXPECT_EQ(link.label->palette().color(QPalette::WindowText), QColor(0, 255, 0));
        EXPECT_EQ(link.label->cursor().shape(), Qt::PointingHandCursor);
        shell.opened.clear();
        QTest::mouseClick(link.label, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(shell.opened, QStringList{site(link.path)});
        // Another button does not follow the link.
        shell.opened.clear();
        QTest::mouseClick(link.label, Qt::RightButton, {}, QPoint(5, 5));
        EXPECT_TRUE(shell.opened.isEmpty());
    }
    EXPECT_EQ(test::part<QLabel>(*window, "promotionTitle")->text(), QStringLiteral("特别推荐"));
}

// Clicks the middle of the first piece of text that carries the anchor.
void clickAnchor(MakerPageView& view, const QString& href) {
    for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().anchorHref() != href)
                continue;
            QTextCursor cursor(view.document());
            cursor.setPosition(fragment.position() + fragment.length() / 2);
            const QPoint at = view.cursorRect(cursor).center();
            QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at);
            return;
        }
    }
    ADD_FAILURE() << "no anchor " << href.toStdString();
}

TEST_F(MakerWindowTest, LinksInThePanelOpenInTheDefaultBrowserOnlyForWebAddresses) {
    auto window = openWindow();
    window->resize(1081, 706);
    window->show();
    MakerPageView& view = *test::part<MakerServices>(*window, "makerServices")->pageView();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view.toPlainText().isEmpty(); }));

    const struct {
        const char* href;
        QStringList expected;
    } cases[] = {
        {"/shop/panel.php?id=7", {site("/shop/panel.php?id=7")}},
        {"http://other.example/x", {QStringLiteral("http://other.example/x")}},
        {"file:///etc/passwd", {}},
    };
    for (const auto& c : cases) {
        shell.opened.clear();
        clickAnchor(view, QString::fromLatin1(c.href));
        EXPECT_EQ(shell.opened, c.expected) << c.href;
    }
    // The view stays on the maker's page.
    EXPECT_TRUE(view.toPlainText().contains(QStringLiteral("立即订购")));
}

TEST_F(MakerWindowTest, ThePanelReadsNoPictureOrFileByItself) {
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("picture.png"));
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(picture));
    const QUrl fileUrl = QUrl::fromLocalFile(picture);
    server.ServePage("/r2.php", "<html><body><p>pictures</p><img src=\"/logo.png\"><img src=\"" +
                                    fileUrl.toEncoded() + "\"><img src=\"picture.png\"></body></html>");
    auto window = openWindow();
    MakerPageView& view = *test::part<MakerServices>(*window, "makerServices")->pageView();
    view.setSearchPaths({dir.path()});
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.toPlainText().contains(QStringLiteral("pictures")); }));
    window->show();
    QTest::qWait(100);

    // Every picture the document holds is the blank stand-in, not the file's picture.
    for (const QUrl& url :
         {fileUrl, QUrl(QStringLiteral("picture.png")), QUrl(QStringLiteral("/logo.png"))}) {
        const QVariant resource = view.document()->resource(QTextDocument::ImageResource, url);
        const QImage image = qvariant_cast<QImage>(resource);
        EXPECT_EQ(image.size(), QSize(1, 1)) << url.toString().toStdString();
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << url.toString().toStdString();
    }
    EXPECT_TRUE(view.document()->resource(QTextDocument::StyleSheetResource, fileUrl).isNull());
    EXPECT_EQ(requestsFor("/logo.png"), 0);
}

struct AboutClick {
    const char* name;
    std::function<QWidget*(AboutBox&)> target;
    QPoint at; // in the target; (-1, -1) for its centre
    bool opensSite;
};

void PrintTo(const AboutClick& click, std::ostream* os) {
    *os << click.name;
}

class AboutBoxClicks : public MakerWindowTest, public ::testing::WithParamInterface<AboutClick> {};

TEST_P(AboutBoxClicks, OnlyTheLinkAndTheFreeAreaOpenTheSite) {
    const AboutClick& c = GetParam();
    auto window = openWindow();
    bool ran = false;
    setModalRunner([&](QDialog& dialog) {
        auto* box = qobject_cast<AboutBox*>(&dialog);
        EXPECT_NE(box, nullptr);
        if (!box)
            return 0;
        ran = true;
        box->show();
        QWidget* target = c.target(*box);
        EXPECT_EQ(target->window(), box);
        const QPoint at = c.at == QPoint(-1, -1) ? target->rect().center() : c.at;
        QTest::mouseClick(target, Qt::LeftButton, {}, at);
        return 0;
    });
    test::part<QAction>(*window, "aboutAction")->trigger();
    ASSERT_TRUE(ran);
    EXPECT_EQ(shell.opened, c.opensSite ? QStringList{site("/")} : QStringList{});
}

INSTANTIATE_TEST_SUITE_P(
    Targets, AboutBoxClicks,
    ::testing::Values(
        AboutClick{"site_link", [](AboutBox& b) -> QWidget* { return b.siteLink; }, {-1, -1}, true},
        AboutClick{"free_area", [](AboutBox& b) -> QWidget* { return b.infoGroup; }, {320, 120}, true},
        AboutClick{"caption_area", [](AboutBox& b) -> QWidget* { return b.infoGroup; }, {12, 4}, true},
        AboutClick{"program_name", [](AboutBox& b) -> QWidget* { return b.programName; }, {-1, -1}, false},
        AboutClick{"logo", [](AboutBox& b) -> QWidget* { return b.logo; }, {-1, -1}, false},
        AboutClick{"version", [](AboutBox& b) -> QWidget* { return b.versionText; }, {-1, -1}, false},
        AboutClick{"support", [](AboutBox& b) -> QWidget* { return b.supportLine; }, {-1, -1}, false}),
    [](const ::testing::TestParamInfo<AboutClick>& info) { return info.param.name; });

TEST_F(MakerWindowTest, AboutBoxAsDesigned) {
    auto window = openWindow();
    bool ran = false;
    setModalRunner([&](QDialog& dialog) {
        auto* box = qobject_cast<AboutBox*>(&dialog);
        EXPECT_NE(box, nullptr);
        if (!box)
            return 0;
        ran = true;
        EXPECT_EQ(box->windowTitle(), QStringLiteral("关于软件"));
        EXPECT_EQ(box->size(), QSize(355, 263));
        const Qt::WindowFlags flags = box->windowFlags();
        EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
        EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
        EXPECT_EQ(box->infoGroup->title(), QStringLiteral("信息"));
        EXPECT_EQ(box->infoGroup->palette().color(QPalette::Window), QColor(Qt::white));
        EXPECT_EQ(box->programName->text(), QStringLiteral("Quorvane"));
        EXPECT_EQ(box->programName->font().pixelSize(), 21);
        EXPECT_TRUE(box->programName->font().underline());
        EXPECT_EQ(box->versionTitle->text(), QStringLiteral("系统版本:"));
        EXPECT_EQ(box->versionText->text(), QStringLiteral("Ver1.3"));
        EXPECT_EQ(box->siteLink->text(), site("/"));
        EXPECT_EQ(box->siteLink->cursor().shape(), Qt::PointingHandCursor);
        EXPECT_EQ(box->logo->geometry(), QRect(8, 28, 89, 73));
        // The logo is the program's icon, whole and undistorted in the middle of the white picture.
        const QImage logo = box->logo->pixmap().toImage();
        const QImage icon = applicationIcon().pixmap(QSize(73, 73)).toImage();
        EXPECT_EQ(logo.size(), QSize(89, 73));
        for (const int x : {0, 5, 83, 88})
            for (const int y : {0, 36, 72})
                EXPECT_EQ(logo.pixelColor(x, y), QColor(Qt::white)) << x << "," << y;
        // The icon's pixels, over white where it is transparent, at the place that matches them best near
        // the middle.
        const auto differenceAt = [&](QPoint offset) {
            double sum = 0;
            for (int y = 0; y < icon.height(); ++y)
                for (int x = 0; x < icon.width(); ++x) {
                    const QColor a = logo.pixelColor(offset + QPoint(x, y));
                    const QColor b = icon.pixelColor(x, y);
                    const double alpha = b.alphaF();
                    sum += std::abs(a.redF() - (b.redF() * alpha + 1 - alpha)) +
                           std::abs(a.greenF() - (b.greenF() * alpha + 1 - alpha)) +
                           std::abs(a.blueF() - (b.blueF() * alpha + 1 - alpha));
                }
            return sum / (icon.width() * icon.height() * 3);
        };
        const QPoint middle((logo.width() - icon.width()) / 2, (logo.height() - icon.height()) / 2);
        double best = 1;
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                best = std::min(best, differenceAt(middle + QPoint(dx, dy)));
        EXPECT_LT(best, 0.02);
        return 0;
    });
    test::part<QAction>(*window, "aboutAction")->trigger();
    EXPECT_TRUE(ran);
}

} // namespace
} // namespace quorvane
