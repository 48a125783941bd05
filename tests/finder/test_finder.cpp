#include "finder/UrlFinder.h"
#include "pages/Browser.h"
#include "platform/GbkCodec.h"
#include "platform/Messages.h"
#include "platform/PercentEncoding.h"
#include "support/MessageRecorder.h"
#include "support/TempDatabase.h"

#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace quorvane::test {
namespace {

// A browser that serves markup by engine path and completes on the next turn of the event loop, or never.
class RecordedBrowser final : public Browser {
public:
    void setSilent(bool) override {}
    void navigate(const QString& url) override {
        navigated << url;
        state_ = 1;
        if (neverComplete)
            return;
        QTimer::singleShot(0, this, [this, url] {
            if (navigated.isEmpty() || navigated.last() != url)
                return;
            markup_ = url.contains(QStringLiteral("/search?")) ? google : baidu;
            state_ = ReadyStateComplete;
            emit documentComplete();
        });
    }
    int readyState() const override { return state_; }
    QByteArray bodyMarkup() const override { return markup_; }
    QByteArray documentMarkup() const override { return QByteArrayLiteral("<HEAD></HEAD><BODY>") + markup_; }

    QStringList navigated;
    QByteArray baidu;
    QByteArray google;
    bool neverComplete = false;

private:
    int state_ = 0;
    QByteArray markup_;
};

// Baidu's period markup: one table per result, links in double quotes before " target=_blank".
QByteArray baiduPage(const QStringList& links) {
    QByteArray page = "<DIV id=content>";
    for (const QString& link : links)
        page += "<TABLE><TBODY><TR><TD class=f><H3><A href=\"" + toGbk(link) +
                "\" target=_blank>title</A></H3></TD></TR></TBODY></TABLE>";
    return page + "<TABLE><TBODY><TR><TD>end</TD></TR></TBODY></TABLE></DIV>";
}

QByteArray googlePage(const QStringList& links) {
    QByteArray page = "<OL>";
    for (const QString& link : links)
        page += "<LI class=g><H3 class=r><A href=\"" + toGbk(link) + "\" target=_blank>title</A></H3></LI>";
    return page + "</OL>";
}

QStringList numbered(const QString& pattern, int count) {
    QStringList links;
    for (int i = 1; i <= count; ++i)
        links << pattern.arg(i);
    return links;
}

class Finder : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        database() = std::make_unique<TempDatabase>();
        database()->Exec(QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName)values(1,'网站排名')"));
        database()->Exec(QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName)values(2,'seo')"));
        database()->Exec(QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName)values(3,'网站排名')"));
    }
    static void TearDownTestSuite() { database().reset(); }

    void SetUp() override {
        auto browser = std::make_unique<RecordedBrowser>();
        browser_ = browser.get();
        finder_ = std::make_unique<UrlFinder>(database()->connection(), std::move(browser));
        finder_->show();
    }

    void Search(const QString& keyword) {
        finder_->keywordCombo->setEditText(keyword);
        QTest::mouseClick(finder_->findButton, Qt::LeftButton);
    }
    QString Cell(int row, int column) const {
        const QTableWidgetItem* item = finder_->resultGrid->item(row, column);
        return item ? item->text() : QString();
    }
    QStringList ColumnOf(int column) const {
        QStringList cells;
        for (int row = 1; row < finder_->resultGrid->rowCount(); ++row)
            cells << Cell(row, column);
        return cells;
    }

    static std::unique_ptr<TempDatabase>& database() {
        static std::unique_ptr<TempDatabase> db;
        return db;
    }

    MessageRecorder messages;
    RecordedBrowser* browser_ = nullptr;
    std::unique_ptr<UrlFinder> finder_;
};

TEST_F(Finder, OpensWithTheKeyWordsAndAnEmptyGrid) {
    UrlFinder& finder = *finder_;
    EXPECT_EQ(finder.windowTitle(), QStringLiteral("关键词查询地址"));
    ASSERT_EQ(finder.keywordCombo->count(), 3);
    EXPECT_EQ(finder.keywordCombo->itemText(0), QStringLiteral("网站排名"));
    EXPECT_EQ(finder.keywordCombo->itemText(1), QStringLiteral("seo"));
    EXPECT_EQ(finder.keywordCombo->itemText(2), QStringLiteral("网站排名")) << "once for every URL";
    EXPECT_TRUE(finder.keywordCombo->currentText().isEmpty());
    EXPECT_TRUE(finder.baiduButton->isChecked());
    EXPECT_FALSE(finder.googleButton->isChecked());
    EXPECT_EQ(finder.resultGrid->rowCount(), 2);
    EXPECT_EQ(finder.resultGrid->columnCount(), 3);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("编号"));
    EXPECT_EQ(Cell(0, 1), QStringLiteral("链接"));
    EXPECT_EQ(Cell(0, 2), QStringLiteral("链接名称"));
    EXPECT_EQ(finder.resultGrid->columnWidth(0), 50);
    EXPECT_EQ(finder.resultGrid->columnWidth(1), 350);
    EXPECT_TRUE(finder.resultGrid->isColumnHidden(2));
    EXPECT_TRUE(finder.foundLinks().isEmpty());
}

TEST_F(Finder, EmptyKeyWordIsRefused) {
    Search(QString());
    ASSERT_EQ(messages.Texts(), QStringList{QStringLiteral("请输入查询的关键词!")});
    EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Information);
    EXPECT_TRUE(browser_->navigated.isEmpty());
}

TEST_F(Finder, BaiduFillsTwentyRowsFromTheFirstPage) {
    browser_->baidu = baiduPage(numbered(QStringLiteral("www.site%1.com/"), 25));
    Search(QStringLiteral("网站排名"));
    ASSERT_EQ(browser_->navigated.size(), 1);
    const QString url = browser_->navigated[0];
    EXPECT_TRUE(url.contains(QStringLiteral("/s?ie=utf-8&wd=") +
                             percentEncode(QStringLiteral("网站排名").toUtf8()) +
                             QStringLiteral("&pn=0&rn=100")))
        << url.toStdString();
    EXPECT_EQ(finder_->foundLinks().size(), 25);
    EXPECT_EQ(finder_->resultGrid->rowCount(), 21);
    EXPECT_EQ(ColumnOf(0), numbered(QStringLiteral("%1"), 20));
    EXPECT_EQ(ColumnOf(1), numbered(QStringLiteral("www.site%1.com/"), 20));
    EXPECT_EQ(Cell(0, 1), QStringLiteral("链接"));
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(Finder, GoogleIsReadFromTheRadioButtonAtTheClick) {
    browser_->baidu = baiduPage({QStringLiteral("baidu.example/")});
    browser_->google = googlePage(numbered(QStringLiteral("http://g%1.example/"), 20));
    finder_->googleButton->setChecked(true);
    Search(QStringLiteral("seo"));
    ASSERT_EQ(browser_->navigated.size(), 1);
    EXPECT_TRUE(browser_->navigated[0].contains(
        QStringLiteral("/search?num=100&hl=zh-CN&lr=&safe=strict&ie=utf-8&q=%73%65%6F&start=0")))
        << browser_->navigated[0].toStdString();
    EXPECT_EQ(ColumnOf(1), numbered(QStringLiteral("http://g%1.example/"), 20));
}

TEST_F(Finder, FewerLinksFillWhatExistsAndASecondSearchOverwrites) {
    browser_->baidu = baiduPage(numbered(QStringLiteral("first%1.com"), 20));
    Search(QStringLiteral("seo"));
    ASSERT_EQ(ColumnOf(1).last(), QStringLiteral("first20.com"));

    browser_->baidu = baiduPage({QStringLiteral("a.com"), QStringLiteral("b.com"), QStringLiteral("c.com")});
    Search(QStringLiteral("rare"));
    EXPECT_EQ(finder_->resultGrid->rowCount(), 21);
    QStringList expectedLinks = {QStringLiteral("a.com"), QStringLiteral("b.com"), QStringLiteral("c.com")};
    QStringList expectedNumbers = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")};
    for (int i = 0; i < 17; ++i) {
        expectedLinks << QString();
        expectedNumbers << QString();
    }
    EXPECT_EQ(ColumnOf(1), expectedLinks);
    EXPECT_EQ(ColumnOf(0), expectedNumbers);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("编号"));
}

TEST_F(Finder, PageThatDoesNotLoadKeepsTheOldRows) {
    browser_->baidu = baiduPage(numbered(QStringLiteral("kept%1.com"), 20));
    Search(QStringLiteral("seo"));
    const QStringList before = ColumnOf(1);

    // The main window's stop request gives the search up at once, as the time limit would after 10 s; after
    // a stop not even the request goes out.
    const StopFlag stopRequested{true};
    finder_->setStopRequest(stopRequested);
    browser_->neverComplete = true;
    Search(QStringLiteral("another"));
    EXPECT_EQ(browser_->navigated.size(), 1);
    EXPECT_EQ(ColumnOf(1), before);
    EXPECT_EQ(finder_->foundLinks().size(), 20);
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(Finder, MarkupInALinkIsShownLiterally) {
    const QString link = QStringLiteral("<B>bold</B><script>x()</script>&amp;");
    browser_->baidu = baiduPage({link});
    Search(QStringLiteral("seo"));
    EXPECT_EQ(Cell(1, 1), link);
    // Items are plain text: no widget in the cell, and the text is not rich text for the view.
    EXPECT_EQ(finder_->resultGrid->cellWidget(1, 1), nullptr);
    EXPECT_FALSE(finder_->resultGrid->item(1, 1)->flags().testFlag(Qt::ItemIsEditable));
}

TEST_F(Finder, BlankKeyWordIsSearchedUnchanged) {
    browser_->baidu = baiduPage({QStringLiteral("a.com")});
    Search(QStringLiteral("  "));
    EXPECT_TRUE(messages.Messages().empty());
    ASSERT_EQ(browser_->navigated.size(), 1);
    EXPECT_TRUE(browser_->navigated[0].contains(QStringLiteral("wd=%20%20&pn=0")))
        << browser_->navigated[0].toStdString();
}

} // namespace
} // namespace quorvane::test
