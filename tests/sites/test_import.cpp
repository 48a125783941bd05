#include "SitesKeywordsFixture.h"

#include "platform/GbkCodec.h"
#include "store/Schema.h"
#include "support/Files.h"
#include "ui/FileDialogs.h"

#include <sqlcipher/sqlite3.h>

#include <QFile>
#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

namespace quorvane::test {
namespace {

// Answers the open-file dialog with a file of the test's folder, and counts how often it was shown.
class ImportTest : public SettingsTest {
protected:
    void SetUp() override {
        SettingsTest::SetUp();
        previous_ = setFileChooser([this](const FileDialogRequest& request) {
            requests_.push_back(request);
            return nextFile_;
        });
    }
    void TearDown() override { setFileChooser(std::move(previous_)); }

    // Writes the bytes to a file that the next dialog returns.
    void NextFile(const QByteArray& bytes, const QString& name = QStringLiteral("list.txt")) {
        nextFile_ = dir_.filePath(name);
        ASSERT_TRUE(test::WriteFile(nextFile_, bytes));
    }
    void NextFileLines(const QStringList& lines) { NextFile(lines.join(QStringLiteral("\r\n")).toUtf8()); }
    void CancelNextDialog() { nextFile_.clear(); }

    int OpenWithUrl() {
        const int webId = AddUrl(QStringLiteral("a.com"));
        Open();
        Click(dialog().urlGrid, 0, kUrlNameColumn);
        return webId;
    }
    static QStringList Urls() {
        return Column(QStringLiteral("Select UrlName From SE_KeyUrl Order By WebID"));
    }
    static QStringList KeyWords(int webId) {
        return Column(QStringLiteral("Select KeyWordName From SE_KeyWord Where WebID=") +
                      QString::number(webId) + QStringLiteral(" Order By KeyWordID"));
    }

    std::vector<FileDialogRequest> requests_;
    QTemporaryDir dir_;
    QString nextFile_;

private:
    FileChooser previous_;
};

TEST_F(ImportTest, UrlImportStoresItsOwnFormAndSkipsWhatIsStored) {
    AddUrl(QStringLiteral("www.a.com"));
    SitesKeywordsDialog& dialog = Open();
    NextFileLines({QStringLiteral("http://www.a.com"), QStringLiteral("www.a.com"),
                   QStringLiteral("b\\c\\.com"), QStringLiteral("o'brien.cn "), QStringLiteral("中文.网"),
                   QStringLiteral("b\\c.com")});
    dialog.importUrls();
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].filter, QStringLiteral("文本文件(*.txt)"));
    EXPECT_FALSE(requests_[0].save);
    EXPECT_TRUE(messages.Messages().empty());
    // The prefix line keeps its two slashes; the last line equals the third once its backslashes are gone.
    EXPECT_EQ(Urls(), (QStringList{QStringLiteral("www.a.com"), QStringLiteral("//www.a.com"),
                                   QStringLiteral("bc.com"), QStringLiteral("o'brien.cn "),
                                   QStringLiteral("中文.网")}));
    EXPECT_EQ(dialog.urlBox->title(), QStringLiteral("记录链接数5"));
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    EXPECT_EQ(Column(QStringLiteral(
                  "Select AddTime||UpdateTime||State||isCheck From SE_KeyUrl Where UrlName='bc.com'")),
              QStringList{today + today + QStringLiteral("删除-1")});
    EXPECT_FALSE(dialog.importProgress->isVisible());

    // The same file again adds nothing.
    dialog.importUrls();
    EXPECT_EQ(Count(QStringLiteral("SE_KeyUrl")), 5);
    EXPECT_EQ(dialog.urlBox->title(), QStringLiteral("记录链接数5"));
}

TEST_F(ImportTest, BlankLinesAreSkipped) {
    SitesKeywordsDialog& dialog = Open();
    NextFile("a.com\n\n   \r\n\tb.com\n\n");
    dialog.importUrls();
    EXPECT_EQ(Urls(), (QStringList{QStringLiteral("a.com"), QStringLiteral("\tb.com")}));
}

TEST_F(ImportTest, LinesTheDatabaseRefusesAreSkippedAndTheRestImported) {
    SitesKeywordsDialog& dialog = Open();
    NextFileLines({QStringLiteral("first.com"), QString(51, u'x'), QStringLiteral("last.com")});
    dialog.importUrls();
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(Urls(), (QStringList{QStringLiteral("first.com"), QStringLiteral("last.com")}));
}

TEST_F(ImportTest, BinaryFileImportsOnlyWhatCanBeStored) {
    AddUrl(QStringLiteral("kept.com"));
    SitesKeywordsDialog& dialog = Open();
    QByteArray bytes("ok.com\n");
    for (int i = 0; i < 256; ++i)
        bytes.append(static_cast<char>(i));
    bytes.append("\nalso.com\n");
    NextFile(bytes);
    dialog.importUrls();
    const QStringList urls = Urls();
    EXPECT_EQ(urls.first(), QStringLiteral("kept.com"));
    EXPECT_TRUE(urls.contains(QStringLiteral("ok.com")));
    EXPECT_TRUE(urls.contains(QStringLiteral("also.com")));
    for (const QString& url : urls)
        EXPECT_FALSE(url.contains(QChar(u'\0')));
    EXPECT_FALSE(dialog.importProgress->isVisible());
}

TEST_F(ImportTest, EmptyOrVanishedFileSaysSoAndWritesNothing) {
    SitesKeywordsDialog& dialog = Open();
    NextFile(QByteArray());
    dialog.importUrls();
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("导入文件中没有可导入的内容!")});
    EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Information);

    messages.Clear();
    NextFile("\r\n  \r\n");
    dialog.importUrls();
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("导入文件中没有可导入的内容!")});

    messages.Clear();
    nextFile_ = dir_.filePath(QStringLiteral("vanished.txt"));
    dialog.importUrls();
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("导入文件不存在或无法读取!")});
    EXPECT_EQ(Count(QStringLiteral("SE_KeyUrl")), 0);
    EXPECT_FALSE(dialog.importProgress->isVisible());
}

TEST_F(ImportTest, CancelledDialogWritesNothing) {
    SitesKeywordsDialog& dialog = Open();
    CancelNextDialog();
    dialog.importUrls();
    EXPECT_EQ(requests_.size(), 1u);
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(Count(QStringLiteral("SE_KeyUrl")), 0);
}

TEST_F(ImportTest, ProgressIsShownAndTheWindowServedWhileImporting) {
    SitesKeywordsDialog& dialog = Open();
    QStringList lines;
    for (int i = 0; i < 30; ++i)
        lines << QStringLiteral("site%1.com").arg(i);
    NextFileLines(lines);
    int seenMaximum = -1;
    int seenValue = -1;
    bool seenVisible = false;
    // A timer only fires when the import processes the window's events.
    QTimer::singleShot(0, &dialog, [&] {
        seenVisible = dialog.importProgress->isVisible();
        seenMaximum = dialog.importProgress->maximum();
        seenValue = dialog.importProgress->value();
    });
    dialog.importUrls();
    EXPECT_TRUE(seenVisible);
    EXPECT_EQ(seenMaximum, 30);
    EXPECT_GE(seenValue, 1);
    EXPECT_LT(seenValue, 30);
    EXPECT_FALSE(dialog.importProgress->isVisible());
    EXPECT_EQ(dialog.importProgress->value(), 0);
}

TEST_F(ImportTest, KeyWordImportNeedsAClickedUrl) {
    AddUrl(QStringLiteral("a.com"));
    SitesKeywordsDialog& dialog = Open();
    NextFileLines({QStringLiteral("seo")});
    dialog.importKeywords();
    ASSERT_EQ(messages.Texts(), QStringList{QStringLiteral("请选中一个链接!")});
    EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Information);
    EXPECT_TRUE(requests_.empty()) << "no file dialog";
    EXPECT_EQ(Count(QStringLiteral("SE_KeyWord")), 0);
}

TEST_F(ImportTest, KeyWordImportTakesLinesAsTheyAre) {
    const int webId = OpenWithUrl();
    const int other = AddUrl(QStringLiteral("other.com"));
    AddKeyWord(webId, QStringLiteral("stored"));
    AddKeyWord(other, QStringLiteral("elsewhere"));
    NextFileLines({QStringLiteral("stored"), QStringLiteral("trailing  "), QStringLiteral("http:\\\\x"),
                   QStringLiteral("elsewhere"), QStringLiteral("trailing  "), QString(21, u'长'),
                   QStringLiteral("it's")});
    dialog().loadKeyWords(webId);
    dialog().importKeywords();
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(KeyWords(webId), (QStringList{QStringLiteral("stored"), QStringLiteral("trailing  "),
                                            QStringLiteral("http:\\\\x"), QStringLiteral("elsewhere"),
                                            QStringLiteral("it's")}));
    EXPECT_EQ(KeyWords(other), QStringList{QStringLiteral("elsewhere")});
    EXPECT_EQ(Shown(dialog().keywordGrid, QStringLiteral("KeyWordName")), KeyWords(webId));
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    EXPECT_EQ(Column(QStringLiteral(
                  "Select AddTime||UpdateTime||State||Valid From SE_KeyWord Where KeyWordName='it''s'")),
              QStringList{today + today + QStringLiteral("删除1")});

    dialog().importKeywords();
    EXPECT_EQ(KeyWords(webId).size(), 5) << "a second import adds nothing";
}

TEST_F(ImportTest, KeyWordImportReadsUtf8AndGbkFiles) {
    const int webId = OpenWithUrl();
    NextFile(QByteArray("\xEF\xBB\xBF") + QStringLiteral("网站排名\n关键词").toUtf8(),
             QStringLiteral("utf8.txt"));
    dialog().importKeywords();
    NextFile(toGbk(QStringLiteral("简体中文\r\n网站排名")), QStringLiteral("gbk.txt"));
    dialog().importKeywords();
    EXPECT_EQ(KeyWords(webId), (QStringList{QStringLiteral("网站排名"), QStringLiteral("关键词"),
                                            QStringLiteral("简体中文")}));
}

TEST_F(ImportTest, SingleLineFile) {
    const int webId = OpenWithUrl();
    NextFile("one");
    dialog().importKeywords();
    EXPECT_EQ(KeyWords(webId), QStringList{QStringLiteral("one")});
}

TEST_F(ImportTest, KeyWordsGoToTheUrlChosenWhenTheImportBegan) {
    const int first = OpenWithUrl();
    const int second = AddUrl(QStringLiteral("b.com"));
    dialog().loadUrlList();
    QStringList lines;
    for (int i = 0; i < 20; ++i)
        lines << QStringLiteral("k%1").arg(i);
    NextFileLines(lines);
    // The user clicks the second URL while the import runs.
    QTimer::singleShot(0, &dialog(), [&] { Click(dialog().urlGrid, 1, kUrlNameColumn); });
    dialog().importKeywords();
    EXPECT_EQ(dialog().curWebId(), second);
    EXPECT_EQ(KeyWords(first).size(), 20);
    EXPECT_TRUE(KeyWords(second).isEmpty());
}

// A long import can be stopped: the cancel button beside the progress bar (or closing the dialog) ends it
// after the current line; what was imported stays and the user is told how much that was.
TEST_F(ImportTest, CancelStopsAfterTheCurrentLineAndKeepsWhatWasImported) {
    SitesKeywordsDialog& dialog = Open();
    QStringList lines;
    for (int i = 1; i <= 50; ++i)
        lines << QStringLiteral("site%1.com").arg(i);
    NextFileLines(lines);
    int inserts = 0;
    Db().connection().setStatementObserver([&](const QString& sql) {
        if (sql.startsWith(QStringLiteral("Insert Into SE_KeyUrl")) && ++inserts == 3) {
            EXPECT_TRUE(dialog.cancelImportButton->isVisible());
            dialog.cancelImportButton->click();
        }
    });
    dialog.importUrls();
    Db().connection().setStatementObserver({});

    EXPECT_EQ(Urls(), (QStringList{QStringLiteral("site1.com"), QStringLiteral("site2.com"),
                                   QStringLiteral("site3.com")}));
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("导入已取消，已导入 3 行。")});
    EXPECT_FALSE(dialog.importProgress->isVisible());
    EXPECT_FALSE(dialog.cancelImportButton->isVisible());

    // Closing the dialog stops a running import the same way.
    messages.Clear();
    NextFileLines(lines);
    inserts = 0;
    Db().connection().setStatementObserver([&](const QString& sql) {
        if (sql.startsWith(QStringLiteral("Insert Into SE_KeyUrl")) && ++inserts == 2)
            dialog.reject();
    });
    dialog.importUrls();
    Db().connection().setStatementObserver({});
    EXPECT_EQ(Urls().size(), 5);
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("导入已取消，已导入 2 行。")});
}

// A write that fails for a reason other than the line itself (another program holds the database, a full
// disk) ends the import with a message saying how far it got, instead of a progress bar running to its end.
TEST_F(ImportTest, AFailedWriteStopsTheImportAndSaysHowManyLinesWereImported) {
    const int webId = OpenWithUrl();
    NextFileLines({QStringLiteral("k1"), QStringLiteral("k2"), QStringLiteral("k3"), QStringLiteral("k4")});
    // After two keywords another program takes the database and keeps it.
    int inserts = 0;
    sqlite3* held = nullptr;
    Db().connection().setStatementObserver([&](const QString& sql) {
        if (sql.startsWith(QStringLiteral("Insert Into SE_KeyWord")) && ++inserts == 3 && !held) {
            sqlite3_open_v2(QFile::encodeName(Db().Path()).constData(), &held, SQLITE_OPEN_READWRITE,
                            nullptr);
            const QByteArray key = QString::fromUtf16(kDbPassword).toUtf8();
            sqlite3_key(held, key.constData(), static_cast<int>(key.size()));
            sqlite3_exec(held, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        }
    });
    dialog().importKeywords();
    Db().connection().setStatementObserver({});
    if (held) {
        sqlite3_exec(held, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(held);
    }

    EXPECT_EQ(KeyWords(webId), (QStringList{QStringLiteral("k1"), QStringLiteral("k2")}));
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_TRUE(messages.Texts()[0].startsWith(QStringLiteral("导入已停止：数据库正被其他程序使用")))
        << messages.Texts()[0].toStdString();
    EXPECT_TRUE(messages.Texts()[0].endsWith(QStringLiteral("已导入 2 行。")));
}

// Lines that cannot be decoded are left out, and the user hears of it once, at the end.
TEST_F(ImportTest, UndecodableLinesAreSkippedAndCountedInOneMessage) {
    SitesKeywordsDialog& dialog = Open();
    NextFile(QStringLiteral("中文A.com\n第二.com\n").toUtf8() + QByteArray("bad\xff.com\n") +
             QStringLiteral("最后.com").toUtf8());
    dialog.importUrls();
    EXPECT_EQ(Urls(), (QStringList{QStringLiteral("中文A.com"), QStringLiteral("第二.com"),
                                   QStringLiteral("最后.com")}));
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral(
                                    "有 1 行因编码无法识别而被跳过（请将文件保存为 UTF-8 或 GBK 编码）。")});
}

} // namespace
} // namespace quorvane::test
