// The finder with its own page browser against recorded result pages served on loopback.
#include "config/Endpoints.h"
#include "engine/EngineTable.h"
#include "finder/UrlFinder.h"
#include "platform/GbkCodec.h"
#include "support/HttpServer.h"
#include "support/LoopbackEndpoints.h"
#include "support/MessageRecorder.h"
#include "support/TempDatabase.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

namespace quorvane::test {
namespace {

QString pagePath(const char* name) {
    return QStringLiteral(FINDER_PAGES "/") + QString::fromLatin1(name);
}

// The request target of the first result page of an engine for a keyword, as the browser sends it.
QByteArray firstPageTarget(QStringView engine, const QString& keyword) {
    const QUrl url(resultPageUrl(engine, keyword, 0));
    return url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority);
}

class FinderLoopback : public ::testing::Test {
protected:
    static void SetUpTestSuite() { database() = std::make_unique<TempDatabase>(); }
    static void TearDownTestSuite() { database().reset(); }

    void SetUp() override {
        finder_ = std::make_unique<UrlFinder>(database()->connection());
        finder_->show();
    }
    void TearDown() override { finder_.reset(); }

    void Search(const QString& keyword) {
        finder_->keywordCombo->setEditText(keyword);
        QTest::mouseClick(finder_->findButton, Qt::LeftButton);
    }
    QStringList ColumnOf(int column) const {
        QStringList cells;
        for (int row = 1; row < finder_->resultGrid->rowCount(); ++row) {
            const QTableWidgetItem* item = finder_->resultGrid->item(row, column);
            cells << (item ? item->text() : QString());
        }
        return cells;
    }

    static std::unique_ptr<TempDatabase>& database() {
        static std::unique_ptr<TempDatabase> db;
        return db;
    }

    MessageRecorder messages;
    HttpServer server_;
    const test::LoopbackEndpoints endpoints_{server_.BaseUrl()};
    std::unique_ptr<UrlFinder> finder_;
};

TEST_F(FinderLoopback, BaiduPageGivesTheFirstTwentyLinks) {
    const QString keyword = QStringLiteral("网站排名");
    ASSERT_TRUE(server_.ServeFile(firstPageTarget(u"Baidu", keyword), pagePath("baidu-many.html")));
    Search(keyword);
    ASSERT_EQ(server_.Requests().size(), 1);
    EXPECT_EQ(finder_->resultGrid->rowCount(), 21);
    EXPECT_EQ(finder_->foundLinks().size(), 25);
    QStringList expected{QStringLiteral("www.<B>promo</B>-one.com")};
    for (int i = 1; i <= 19; ++i)
        expected << QStringLiteral("http://www.site%1.com/page.html").arg(i, 2, 10, QChar(u'0'));
    EXPECT_EQ(ColumnOf(1), expected);
    EXPECT_EQ(ColumnOf(0).first(), QStringLiteral("1"));
    EXPECT_EQ(ColumnOf(0).last(), QStringLiteral("20"));
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(FinderLoopback, GooglePageGivesTheFirstTwentyLinks) {
    ASSERT_TRUE(
        server_.ServeFile(firstPageTarget(u"Google", QStringLiteral("seo")), pagePath("google-many.html")));
    finder_->googleButton->setChecked(true);
    Search(QStringLiteral("seo"));
    EXPECT_EQ(finder_->foundLinks().size(), 22);
    const QStringList links = ColumnOf(1);
    ASSERT_EQ(links.size(), 20);
    EXPECT_TRUE(links[0].startsWith(QStringLiteral("http://g01.example.org/seo?a=1")))
        << links[0].toStdString();
    EXPECT_TRUE(links[19].startsWith(QStringLiteral("http://g20.example.org/seo?a=1")))
        << links[19].toStdString();
}

TEST_F(FinderLoopback, FewerLinksLeaveTheOtherRowsEmpty) {
    ASSERT_TRUE(
        server_.ServeFile(firstPageTarget(u"Baidu", QStringLiteral("rare")), pagePath("baidu-few.html")));
    Search(QStringLiteral("rare"));
    EXPECT_EQ(finder_->resultGrid->rowCount(), 21);
    const QStringList links = ColumnOf(1);
    EXPECT_EQ(links.mid(0, 3), (QStringList{QStringLiteral("http://www.site01.com/page.html"),
                                            QStringLiteral("http://www.site02.com/page.html"),
                                            QStringLiteral("http://www.site03.com/page.html")}));
    EXPECT_EQ(links.mid(3), QStringList(17, QString()));
    EXPECT_EQ(ColumnOf(0).mid(3), QStringList(17, QString()));
}

TEST_F(FinderLoopback, PageThatDoesNotLoadWithinTheLimitKeepsTheOldRows) {
    ASSERT_TRUE(
        server_.ServeFile(firstPageTarget(u"Baidu", QStringLiteral("seo")), pagePath("baidu-many.html")));
    Search(QStringLiteral("seo"));
    const QStringList before = ColumnOf(1);
    ASSERT_EQ(before.size(), 20);

    HttpServer::Response stall;
    stall.mode = HttpServer::Mode::Stall;
    server_.Serve(firstPageTarget(u"Baidu", QStringLiteral("slow")), stall);
    QElapsedTimer timer;
    timer.start();
    Search(QStringLiteral("slow"));
    EXPECT_GE(timer.elapsed(), 9'900);
    EXPECT_EQ(server_.Requests().size(), 2);
    EXPECT_EQ(ColumnOf(1), before);
    EXPECT_EQ(finder_->foundLinks().size(), 25);
    EXPECT_TRUE(messages.Messages().empty());
}

} // namespace
} // namespace quorvane::test
