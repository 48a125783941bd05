// The two export commands of the main window, run for real over a database, with the files they write read
// back: the latest results workbook from the mission grid and the history workbook from the template.
#include "ExportTesting.h"
#include "XlsxReader.h"
#include "ZipBuilder.h"
#include "platform/QStringPrinter.h"

#include "app/MainWindow.h"
#include "export/CellAddress.h"
#include "export/ExportSteps.h"
#include "export/HistoryExport.h"
#include "export/Workbook.h"
#include "history/HistoryBox.h"
#include "platform/Messages.h"
#include "platform/ProgramFolders.h"
#include "store/SqlText.h"
#include "support/Files.h"
#include "support/MessageRecorder.h"
#include "support/ShellOpenRecorder.h"
#include "support/SuiteDatabase.h"
#include "support/WindowParts.h"
#include "ui/DataGrid.h"
#include "ui/FileDialogs.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QProgressDialog>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <ostream>

namespace quorvane {
namespace {

using test::MessageRecorder;
using test::XlsxReader;

const QString kBaiduLinkKeyword = QStringLiteral("排名软件");
const QStringList kInitialTitles{
    QStringLiteral("关键词"),        QStringLiteral("相关链接"), QStringLiteral("Baidu不包含推广"),
    QStringLiteral("Baidu包含推广"), QStringLiteral("Google"),   QStringLiteral("Yahoo"),
    QStringLiteral("Sogou"),         QStringLiteral("Bing"),     QStringLiteral("Soso"),
    QStringLiteral("Youdao"),        QStringLiteral("更新时间")};

// A width of 20 characters as the file stores it: the characters plus the cell padding.
constexpr double kStoredWidth20 = 20.7109375;

// The rank cells of one mission, in the workbook's column order C to J.
struct Ranks {
    QString baidu, baidu2, google, yahoo, sogou, bing, soso, youdao;
};

class ExportCommandsTest : public test::SuiteDatabaseTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(out.isValid());
        clearRankTables();
        db->Exec(QStringLiteral("Insert Into SE_KeyUrl (WebID, UrlName) Values (1, 'www.a-site.com')"));
        db->Exec(QStringLiteral("Insert Into SE_KeyUrl (WebID, UrlName) Values (2, 'www.b-site.com')"));
        forgetSaveFolder(); // every case starts as the program does, without a remembered folder
        previousChooser = setFileChooser([this](const FileDialogRequest& request) {
            requests.push_back(request);
            if (answers.empty())
                return QString(); // cancelled
            const QString answer = answers.front();
            answers.pop_front();
            return answer;
        });
    }
    void TearDown() override {
        window.reset();
        setFileChooser(std::move(previousChooser));
    }

    // The success message with the file's place on the line below.
    static QString savedAt(const QString& target) {
        return QStringLiteral("导出数据成功!\n") + QDir::toNativeSeparators(target);
    }

    static void addMission(int id, int webId, const QString& keyword, const Ranks& r,
                           const QString& updated = QStringLiteral("2010-05-13")) {
        db->Exec(
            QStringLiteral("Insert Into SE_KeyWord (KeyWordID, WebID, KeyWordName, Valid, UpdateTime, "
                           "BaiduRank, BaiduRank2, GoogleRank, YahooRank, SogouRank, BingRank, SosoRank, "
                           "YoudaoRank) Values (%1, %2, ")
                .arg(id)
                .arg(webId) +
            QStringList{quotedStr(keyword), QStringLiteral("'1'"), quotedStr(updated), quotedStr(r.baidu),
                        quotedStr(r.baidu2), quotedStr(r.google), quotedStr(r.yahoo), quotedStr(r.sogou),
                        quotedStr(r.bing), quotedStr(r.soso), quotedStr(r.youdao)}
                .join(u',') +
            u')');
    }

    static void addHistory(int keyWordId, int webId, const QString& keyword, const QString& url, int daysAgo,
                           int baidu, int google) {
        db->Exec(
            QStringLiteral("Insert Into SE_RankHistory (KeyWordName, UrlName, BaiduRank, BaiduRank2, "
                           "GoogleRank, YahooRank, SogouRank, BingRank, SosoRank, YoudaoRank, UpdateTime, "
                           "KeyWordID, WebID) Values (%1, %2, %3, 1, %4, 2, 3, 4, 5, 6, %5, %6, %7)")
                .arg(quotedStr(keyword), quotedStr(url))
                .arg(baidu)
                .arg(google)
                .arg(sqlDate(QDate::currentDate().addDays(-daysAgo)))
                .arg(keyWordId)
                .arg(webId));
    }

    void openWindow() {
        window = std::make_unique<MainWindow>(database, db->Path());
        window->startUp();
        ASSERT_FALSE(window->terminateRequested());
        ASSERT_TRUE(messages.Messages().empty()) << messages.Texts().join(u'\n').toStdString();
    }

    // The next save dialog answers with this file in the output folder.
    QString answerWith(const QString& name) {
        const QString path = out.filePath(name);
        answers.push_back(path);
        return path;
    }

    QStringList gridKeywords() const {
        const RecordsetModel* model = test::part<DataGrid>(*window, "missionGrid")->recordsetModel();
        const int column = model->columnOfField(u"KeyWordName");
        QStringList keywords;
        for (int row = 0; row < model->rowCount(); ++row)
            keywords << model->cellText(row, column);
        return keywords;
    }

    int missionRowOf(const QString& keyword) const {
        const int field = window->missions().fieldIndex(u"KeyWordName");
        for (int row = 0; row < window->missions().recordCount(); ++row)
            if (window->missions().value(row, field).toString() == keyword)
                return row;
        return -1;
    }

    // Shows the history of a mission as a click on its row does.
    void showHistoryOf(const QString& keyword) {
        window->missions().setCurrentRow(missionRowOf(keyword));
        test::part<HistoryBox>(*window, "historyBox")->refreshHistory();
        ASSERT_TRUE(test::part<HistoryBox>(*window, "historyBox")->popupAttached());
    }

    // The URL "打开搜索页" opens for a mission and an engine item.
    QString searchPageOf(const QString& keyword, QAction* engineItem) {
        window->missions().setCurrentRow(missionRowOf(keyword));
        const test::ShellOpenRecorder shell;
        engineItem->trigger();
        return shell.opened.value(0);
    }

    static QStringList columnTexts(const XlsxReader& file, QChar column, int firstRow, int lastRow) {
        QStringList texts;
        for (int r = firstRow; r <= lastRow; ++r)
            texts << file.cell(column + QString::number(r)).text;
        return texts;
    }

    static int sheetRowOf(const XlsxReader& file, const QString& keyword) {
        for (int r = 3; file.cell(QStringLiteral("A%1").arg(r)).exists; ++r)
            if (file.cell(QStringLiteral("A%1").arg(r)).shown == keyword)
                return r;
        return -1;
    }

    static QString today() { return dateText(QDate::currentDate()); }

    MessageRecorder messages;
    Database database;
    QTemporaryDir out;
    std::unique_ptr<MainWindow> window;
    std::deque<QString> answers;
    std::vector<FileDialogRequest> requests;
    FileChooser previousChooser;
};

// --- the latest results workbook -------------------------------------------------------------------

TEST_F(ExportCommandsTest, LatestResultsSheetTitleHeaderAndFramedRows) {
    addMission(11, 1, kBaiduLinkKeyword, {"3", "5", ">100", "稍候", "", "0", "7", "12"});
    addMission(12, 2, QStringLiteral("seo"), {"", "", "", "", "", "", "", ""});
    openWindow();
    // An older file of that name is replaced.
    const QString target = answerWith(QStringLiteral("latest.xls"));
    {
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an older export");
    }

    test::part<QAction>(*window, "exportLatestAction")->trigger();

    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Information);
    EXPECT_EQ(messages.Messages()[0].text, savedAt(target));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].save);
    EXPECT_EQ(requests[0].folder, dataFolder());
    EXPECT_EQ(requests[0].proposedName, QStringLiteral("最新排名结果") + today() + QStringLiteral(".xls"));
    EXPECT_EQ(requests[0].filter, QStringLiteral("Excel文件(*.xls);;Excel文件(*.xlsx)"));
    EXPECT_FALSE(requests[0].confirmOverwrite);

    const XlsxReader file(target);
    EXPECT_EQ(file.sheetName(), QStringLiteral("最新排名结果"));
    EXPECT_EQ(file.merges(), QStringList{QStringLiteral("A1:H1")});
    EXPECT_EQ(file.cell(QStringLiteral("A1")).text, today() + QStringLiteral("最新排名记录表"));
    const test::StyleRead title = file.styleOf(QStringLiteral("A1"));
    EXPECT_EQ(title.fontSize, 15);
    EXPECT_TRUE(title.bold);
    EXPECT_TRUE(title.horizontal.isEmpty());
    EXPECT_FALSE(title.thinBorders);
    // On paper: the 15-point title in a row tall enough for it, the eleven columns across one landscape
    // page (as many pages down as the rows need).
    const QString sheet = file.sheetName();
    const QStringList titleHeight = file.sheetTexts(sheet, "//sheetData/row[@r='1']/@ht");
    ASSERT_EQ(titleHeight.size(), 1);
    EXPECT_GE(titleHeight[0].toDouble(), 15 * 1.3);
    EXPECT_TRUE(file.sheetTexts(sheet, "//sheetData/row[@r='2']/@ht").isEmpty());
    EXPECT_EQ(file.sheetTexts(sheet, "//pageSetup/@orientation"), QStringList{QStringLiteral("landscape")});
    EXPECT_EQ(file.sheetTexts(sheet, "//pageSetup/@fitToHeight"), QStringList{QStringLiteral("0")});
    EXPECT_EQ(file.sheetTexts(sheet, "//sheetPr/pageSetUpPr/@fitToPage"), QStringList{QStringLiteral("1")});

    QStringList header;
    for (int c = 1; c <= 11; ++c) {
        header << file.cell(cellName(2, c)).text;
        EXPECT_DOUBLE_EQ(file.columnWidth(c), kStoredWidth20) << c;
    }
    EXPECT_EQ(header, kInitialTitles);
    EXPECT_EQ(file.columnWidth(12), 0.0);

    // Rows 2 to 4 are framed and centred from A to K, the header bold; nothing beyond K or row 4.
    EXPECT_EQ(file.rowNumbers(), (QList<int>{1, 2, 3, 4}));
    for (int r = 2; r <= 4; ++r) {
        for (int c = 1; c <= 11; ++c) {
            SCOPED_TRACE(cellName(r, c).toStdString());
            const test::StyleRead style = file.styleOf(cellName(r, c));
            EXPECT_EQ(style.fontName, QStringLiteral("微软雅黑"));
            EXPECT_EQ(style.fontSize, 9);
            EXPECT_EQ(style.bold, r == 2);
            EXPECT_TRUE(style.thinBorders);
            EXPECT_EQ(style.horizontal, QStringLiteral("center"));
        }
        EXPECT_FALSE(file.cell(cellName(r, 12)).exists);
    }
    const int r = sheetRowOf(file, kBaiduLinkKeyword);
    ASSERT_GT(r, 0);
    EXPECT_EQ(file.cell(QStringLiteral("B%1").arg(r)).text, QStringLiteral("www.a-site.com"));
    EXPECT_EQ(file.cell(QStringLiteral("K%1").arg(r)).text, QStringLiteral("2010-05-13"));
}

TEST_F(ExportCommandsTest, HeaderFollowsColumnsTheUserMovedWhileDataKeepsItsOrder) {
    addMission(11, 1, kBaiduLinkKeyword, {"3", "5", "8", "", "", "", "", ""});
    openWindow();
    // "更新时间" dragged to the front, "Google" before "Baidu不包含推广".
    QHeaderView* header = test::part<DataGrid>(*window, "missionGrid")->horizontalHeader();
    header->moveSection(10, 0);
    header->moveSection(header->visualIndex(4), header->visualIndex(2));
    const QString target = answerWith(QStringLiteral("moved.xls"));

    test::part<QAction>(*window, "exportLatestAction")->trigger();

    const XlsxReader file(target);
    QStringList expected = kInitialTitles;
    expected.move(10, 0);
    expected.move(expected.indexOf(QStringLiteral("Google")),
                  expected.indexOf(QStringLiteral("Baidu不包含推广")));
    QStringList row2;
    for (int c = 1; c <= 11; ++c)
        row2 << file.cell(cellName(2, c)).text;
    EXPECT_EQ(row2, expected);
    EXPECT_EQ(file.cell(QStringLiteral("A3")).text, kBaiduLinkKeyword);
    EXPECT_EQ(file.cell(QStringLiteral("K3")).text, QStringLiteral("2010-05-13"));
    EXPECT_EQ(file.cell(QStringLiteral("E3")).text, QStringLiteral("8"));
}

TEST_F(ExportCommandsTest, PositiveRanksLinkToTheSearchPageAndOtherTextsStayAsTheyAre) {
    addMission(11, 1, kBaiduLinkKeyword, {"3", "5", ">100", "稍候", "可能已被搜索引擎限制!", "0", "", "12"});
    openWindow();
    const QString baiduPage =
        searchPageOf(kBaiduLinkKeyword, test::part<QAction>(*window, "openBaiduAction"));
    const QString youdaoPage =
        searchPageOf(kBaiduLinkKeyword, test::part<QAction>(*window, "openYoudaoAction"));
    ASSERT_TRUE(baiduPage.startsWith(QStringLiteral("http"))) << baiduPage.toStdString();
    ASSERT_NE(baiduPage, youdaoPage);
    const QString target = answerWith(QStringLiteral("links.xls"));

    test::part<QAction>(*window, "exportLatestAction")->trigger();
    const XlsxReader file(target);

    struct Expected {
        const char* column;
        QString text;
        QString linkTarget; // empty: no link
    };
    const Expected cases[] = {
        {"C", QStringLiteral("3"), baiduPage},
        {"D", QStringLiteral("5"), baiduPage}, // the Baidu page again, not a page of its own
        {"E", QStringLiteral(">100"), {}},
        {"F", QStringLiteral("稍候"), {}},
        {"G", QStringLiteral("可能已被搜索引擎限制!"), {}},
        {"H", QStringLiteral("0"), {}},
        {"I", QString(), {}},
        {"J", QStringLiteral("12"), youdaoPage},
    };
    for (const Expected& e : cases) {
        const QString address = QString::fromLatin1(e.column) + u'3';
        SCOPED_TRACE(address.toStdString());
        const test::CellRead cell = file.cell(address);
        EXPECT_EQ(cell.text, e.text);
        if (e.linkTarget.isEmpty()) {
            EXPECT_FALSE(cell.hasFormula);
        } else {
            EXPECT_EQ(cell.formula, QStringLiteral("HYPERLINK(\"") + e.linkTarget + QStringLiteral("\",\"") +
                                        e.text + u"\")");
        }
    }
}

TEST_F(ExportCommandsTest, KeywordTextsAreNeverFormulasAndAQuoteStaysInsideTheLink) {
    // The last one looks like an escape of the file format and must not be read as one ("cAd").
    const QStringList keywords{QStringLiteral("say\"hi"),  QStringLiteral("=1+1"),
                               QStringLiteral("+1"),       QStringLiteral("-1"),
                               QStringLiteral("@SUM(A1)"), QStringLiteral("c_x0041_d")};
    for (int i = 0; i < keywords.size(); ++i)
        addMission(20 + i, 1, keywords[i], {"7", "", "", "", "", "", "", ""});
    openWindow();
    const QString quotePage = searchPageOf(keywords[0], test::part<QAction>(*window, "openBaiduAction"));
    EXPECT_TRUE(quotePage.contains(QStringLiteral("%22")));
    EXPECT_FALSE(quotePage.contains(u'"'));
    const QString target = answerWith(QStringLiteral("texts.xls"));

    test::part<QAction>(*window, "exportLatestAction")->trigger();
    const XlsxReader file(target);

    for (const QString& keyword : keywords) {
        SCOPED_TRACE(keyword.toStdString());
        const int r = sheetRowOf(file, keyword);
        ASSERT_GT(r, 0);
        const test::CellRead cell = file.cell(QStringLiteral("A%1").arg(r));
        EXPECT_FALSE(cell.hasFormula);
        EXPECT_TRUE(cell.type == u"s" || cell.type == u"inlineStr") << cell.type.toStdString();
        EXPECT_TRUE(file.cell(QStringLiteral("C%1").arg(r)).hasFormula);
    }
    const int r = sheetRowOf(file, keywords[0]);
    EXPECT_EQ(file.cell(QStringLiteral("C%1").arg(r)).formula,
              QStringLiteral("HYPERLINK(\"") + quotePage + QStringLiteral("\",\"7\")"));
}

TEST_F(ExportCommandsTest, RowsFollowTheSortOnDisplayAndTheGridStaysStill) {
    addMission(11, 1, QStringLiteral("b-word"), {"3", "", "", "", "", "", "", ""},
               QStringLiteral("2010-05-02"));
    addMission(12, 1, QStringLiteral("c-word"), {"1", "", "", "", "", "", "", ""},
               QStringLiteral("2010-05-03"));
    addMission(13, 2, QStringLiteral("a-word"), {"2", "", "", "", "", "", "", ""},
               QStringLiteral("2010-05-01"));
    openWindow();
    // Two clicks on "关键词": descending.
    const int keywordColumn =
        test::part<DataGrid>(*window, "missionGrid")->recordsetModel()->columnOfField(u"KeyWordName");
    test::part<DataGrid>(*window, "missionGrid")->clickTitle(keywordColumn, Qt::NoModifier);
    test::part<DataGrid>(*window, "missionGrid")->clickTitle(keywordColumn, Qt::NoModifier);
    ASSERT_EQ(gridKeywords(), (QStringList{"c-word", "b-word", "a-word"}));
    window->missions().setCurrentRow(0);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !test::part<HistoryBox>(*window, "historyBox")->refreshPending(); }));
    QSignalSpy rowMoves(&window->missions(), &Recordset::currentRowChanged);
    QSignalSpy historyRefreshes(test::part<HistoryBox>(*window, "historyBox"), &HistoryBox::historyRefreshed);
    const QString target = answerWith(QStringLiteral("sorted.xls"));

    test::part<QAction>(*window, "exportLatestAction")->trigger();

    const XlsxReader file(target);
    EXPECT_EQ(columnTexts(file, u'A', 3, 5), gridKeywords());
    EXPECT_EQ(columnTexts(file, u'C', 3, 5), (QStringList{"1", "3", "2"}));
    // The grid did not walk the rows, and its cursor stays on the user's row: nothing for the history box to
    // follow.
    EXPECT_EQ(rowMoves.count(), 0);
    EXPECT_EQ(window->missions().currentRow(), 0);
    EXPECT_EQ(test::part<DataGrid>(*window, "missionGrid")->currentIndex().row(), 0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(test::part<HistoryBox>(*window, "historyBox")->refreshPending());
    EXPECT_EQ(historyRefreshes.count(), 0);
}

TEST_F(ExportCommandsTest, HiddenToolBarButtonExportsTheLatestResults) {
    addMission(11, 1, kBaiduLinkKeyword, {"3", "", "", "", "", "", "", ""});
    openWindow();
    const QString target = answerWith(QStringLiteral("button.xls"));

    test::part<QToolButton>(*window, "exportHistoryButton")->click();

    EXPECT_EQ(messages.Texts(), QStringList{savedAt(target)});
    const XlsxReader file(target);
    EXPECT_EQ(file.sheetName(), QStringLiteral("最新排名结果"));
    EXPECT_EQ(file.cell(QStringLiteral("A3")).text, kBaiduLinkKeyword);
}

// The save dialog opens where the last workbook went, for the rest of the session; a cancelled dialog
// changes nothing.
TEST_F(ExportCommandsTest, SaveDialogOpensWhereTheLastWorkbookWent) {
    addMission(11, 1, kBaiduLinkKeyword, {"3", "", "", "", "", "", "", ""});
    openWindow();
    ASSERT_TRUE(QDir(out.path()).mkdir(QStringLiteral("kept")));
    const QString kept = QDir(out.path()).filePath(QStringLiteral("kept"));
    answers.push_back(QDir(kept).filePath(QStringLiteral("first.xls")));

    test::part<QAction>(*window, "exportLatestAction")->trigger(); // saved in kept/
    test::part<QAction>(*window, "exportLatestAction")->trigger(); // cancelled
    test::part<QAction>(*window, "exportLatestAction")->trigger(); // cancelled again

    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].folder, dataFolder());
    EXPECT_EQ(requests[1].folder, kept);
    EXPECT_EQ(requests[2].folder, kept);
    EXPECT_EQ(messages.Texts(), QStringList{savedAt(QDir(kept).filePath(QStringLiteral("first.xls")))});
}

TEST_F(ExportCommandsTest, WindowIsServedDuringAnExport) {
    db->Exec(
        QStringLiteral("Insert Into SE_KeyWord (WebID, KeyWordName, Valid, BaiduRank) With Recursive n(i) As "
                       "(Select 1 Union All Select i+1 From n Where i < 2000) Select 1, 'k' || i, '1', i "
                       "From n"));
    openWindow();
    const QString target = answerWith(QStringLiteral("long.xls"));
    // A timer only fires while the export processes the window's events; the progress window exists
    // only during the export.
    bool servedDuringTheExport = false;
    QTimer::singleShot(0, window.get(),
                       [&] { servedDuringTheExport = !window->findChildren<QProgressDialog*>().isEmpty(); });

    test::part<QAction>(*window, "exportLatestAction")->trigger();

    EXPECT_TRUE(servedDuringTheExport);
    EXPECT_TRUE(window->findChildren<QProgressDialog*>().isEmpty());
    EXPECT_EQ(messages.Texts(), QStringList{savedAt(target)});
    EXPECT_EQ(XlsxReader(target).rowNumbers().size(), 2002);
}

TEST_F(ExportCommandsTest, LongRowWalkShowsItsProgressAndTheWindowStaysUsable) {
    db->Exec(
        QStringLiteral("Insert Into SE_KeyWord (WebID, KeyWordName, Valid, BaiduRank) With Recursive n(i) As "
                       "(Select 1 Union All Select i+1 From n Where i < 1500) Select 1, 'k' || i, '1', i "
                       "From n"));
    openWindow();
    const QString target = out.filePath(QStringLiteral("slow.xls"));
    int ticks = 0;
    int progressSightings = 0;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        ++ticks;
        for (const QProgressDialog* progress : window->findChildren<QProgressDialog*>())
            if (progress->isVisible() && progress->value() > 0)
                ++progressSightings;
    });
    watcher.start(100);
    const int keyword = window->missions().fieldIndex(u"KeyWordName");
    Workbook book = Workbook::create();

    // A slow machine or disk: each row takes a millisecond of work, 1.5 seconds in all; the progress
    // window appears after one.
    const ExportResult result = writeRowsAndSave(
        window.get(), book, window->missions(),
        [keyword](Workbook& sheet, int sheetRow, const RecordRow& row) {
            sheet.setText(sheetRow, 1, row.text(keyword));
            QThread::msleep(1);
        },
        target);

    EXPECT_GE(ticks, 10);
    EXPECT_GT(progressSightings, 0);
    EXPECT_TRUE(window->findChildren<QProgressDialog*>().isEmpty());
    EXPECT_EQ(result.end, ExportEnd::Saved);
    EXPECT_EQ(exportSuccessText(result.target), savedAt(target));
    EXPECT_TRUE(messages.Texts().isEmpty()) << "the window tells the user, not the export";
    EXPECT_EQ(XlsxReader(target).rowNumbers().size(), 1500);
}

// --- the history workbook ---------------------------------------------------------------------------

class HistoryExportTest : public ExportCommandsTest {
protected:
    void SetUp() override {
        ExportCommandsTest::SetUp();
        ASSERT_TRUE(QFile::exists(historyTemplatePath())) << historyTemplatePath().toStdString();
        addMission(11, 1, kBaiduLinkKeyword, {"3", "", "", "", "", "", "", ""});
        addMission(12, 2, QStringLiteral("other"), {"", "", "", "", "", "", "", ""});
        // Three days of the first pair (one without a Baidu rank) and a day of the other pair.
        addHistory(11, 1, kBaiduLinkKeyword, QStringLiteral("www.a-site.com"), 2, 5, 10);
        addHistory(11, 1, kBaiduLinkKeyword, QStringLiteral("www.a-site.com"), 0, 3, 12);
        addHistory(11, 1, kBaiduLinkKeyword, QStringLiteral("www.a-site.com"), 1, 0, 9);
        addHistory(12, 2, QStringLiteral("other"), QStringLiteral("www.b-site.com"), 0, 1, 1);
        openWindow();
        showHistoryOf(kBaiduLinkKeyword);
    }

    static QString day(int daysAgo) { return dateText(QDate::currentDate().addDays(-daysAgo)); }

    // The chart's series ranges over rows 3 to last.
    static QStringList chartRanges(int last) {
        const QString sheet = QStringLiteral("'关键词和链接历史记录'!");
        const QString to = QString::number(last);
        return {sheet + QStringLiteral("$C$2"),          sheet + QStringLiteral("$E$3:$E$") + to,
                sheet + QStringLiteral("$C$3:$C$") + to, sheet + QStringLiteral("$D$2"),
                sheet + QStringLiteral("$E$3:$E$") + to, sheet + QStringLiteral("$D$3:$D$") + to};
    }
};

TEST_F(HistoryExportTest, RowsOnDisplayFillTheTemplateFromRowThree) {
    const QString target = answerWith(QStringLiteral("history.xls"));

    test::part<HistoryBox>(*window, "historyBox")->exportHistoryAction->trigger();

    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Information);
    EXPECT_EQ(messages.Messages()[0].text, savedAt(target));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].folder, dataFolder());
    EXPECT_EQ(requests[0].proposedName,
              QStringLiteral("关键词和链接历史记录") + today() + QStringLiteral(".xls"));
    EXPECT_EQ(requests[0].filter, QStringLiteral("Excel文件(*.xls);;Excel文件(*.xlsx)"));

    const XlsxReader file(target);
    const XlsxReader original(historyTemplatePath());
    EXPECT_EQ(file.sheetName(), QStringLiteral("关键词和链接历史记录"));
    for (const char* address : {"A1", "A2", "B2", "C2", "D2", "E2"})
        EXPECT_EQ(file.cell(QString::fromLatin1(address)).text,
                  original.cell(QString::fromLatin1(address)).text);
    EXPECT_EQ(file.rowNumbers(), (QList<int>{1, 2, 3, 4, 5}));
    // Newest day first, as the history shows it; ranks are numbers, 0 for the day without a Baidu rank.
    EXPECT_EQ(columnTexts(file, u'A', 3, 5), QStringList(3, kBaiduLinkKeyword));
    EXPECT_EQ(columnTexts(file, u'B', 3, 5), QStringList(3, QStringLiteral("www.a-site.com")));
    EXPECT_EQ(columnTexts(file, u'C', 3, 5), (QStringList{"3", "0", "5"}));
    EXPECT_EQ(columnTexts(file, u'D', 3, 5), (QStringList{"12", "9", "10"}));
    EXPECT_EQ(columnTexts(file, u'E', 3, 5), (QStringList{day(0), day(1), day(2)}));
    for (int r = 3; r <= 5; ++r) {
        for (const QChar column : QStringLiteral("ABCDE")) {
            const QString address = column + QString::number(r);
            SCOPED_TRACE(address.toStdString());
            EXPECT_EQ(file.styleOf(address).horizontal, QStringLiteral("center"));
            const bool rank = column == u'C' || column == u'D';
            EXPECT_EQ(file.cell(address).type.isEmpty() || file.cell(address).type == u"n", rank);
        }
    }
    EXPECT_EQ(file.chartFormulas(), chartRanges(5));
    // The history's cursor stays on its first row, where the refresh put it.
    EXPECT_EQ(test::part<HistoryBox>(*window, "historyBox")->historyRows.currentRow(), 0);
    EXPECT_EQ(test::part<HistoryBox>(*window, "historyBox")->historyGrid->currentIndex().row(), 0);
}

TEST_F(HistoryExportTest, FollowsASortAndLeavesTheTemplateAsItWas) {
    const QByteArray templateBytes = test::fileBytes(historyTemplatePath());
    ASSERT_FALSE(templateBytes.isEmpty());
    DataGrid* grid = test::part<HistoryBox>(*window, "historyBox")->historyGrid;
    grid->clickTitle(grid->recordsetModel()->columnOfField(u"GoogleRank"), Qt::NoModifier); // ascending
    const QString first = answerWith(QStringLiteral("first.xls"));
    const QString second = answerWith(QStringLiteral("second.xls"));

    test::part<HistoryBox>(*window, "historyBox")->exportHistoryAction->trigger();
    test::part<HistoryBox>(*window, "historyBox")->exportHistoryAction->trigger();

    EXPECT_EQ(messages.Texts(), (QStringList{savedAt(first), savedAt(second)}));
    EXPECT_EQ(test::fileBytes(historyTemplatePath()), templateBytes);
    for (const QString& path : {first, second}) {
        SCOPED_TRACE(path.toStdString());
        const XlsxReader file(path);
        EXPECT_EQ(columnTexts(file, u'D', 3, 5), (QStringList{"9", "10", "12"}));
        EXPECT_EQ(columnTexts(file, u'C', 3, 5), (QStringList{"0", "5", "3"}));
        EXPECT_EQ(columnTexts(file, u'E', 3, 5), (QStringList{day(1), day(2), day(0)}));
        EXPECT_EQ(file.chartFormulas(), chartRanges(5));
    }
}

TEST_F(HistoryExportTest, MissingUnreadableOrHostileTemplateIsReportedByNameAndNothingIsWritten) {
    const QString missing = out.filePath(QStringLiteral("absent/历史记录曲线排名模板.xls"));
    const QString garbage = out.filePath(QStringLiteral("历史记录曲线排名模板.xls"));
    ASSERT_TRUE(test::WriteFile(garbage, "not a workbook"));
    // The shipped template with a part whose headers claim 4 GB.
    ASSERT_TRUE(QDir(out.path()).mkdir(QStringLiteral("hostile")));
    const QString hostile = out.filePath(QStringLiteral("hostile/历史记录曲线排名模板.xls"));
    std::vector<test::ZipEntry> parts = test::zipEntries(historyTemplatePath());
    test::findEntry(parts, QStringLiteral("xl/worksheets/sheet1.xml"))->claimedSize = 0xfffffff0u;
    ASSERT_TRUE(test::WriteFile(hostile, test::buildZip(parts)));
    const struct {
        QString path;
        QString reason;
    } cases[] = {
        {missing, QStringLiteral("无法读取模板文件")},
        {garbage, QStringLiteral("不是工作簿文件")},
        {hostile, QStringLiteral("部件“xl/worksheets/sheet1.xml”已损坏")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        messages.Clear();
        const QString target = answerWith(QStringLiteral("history.xls"));

        const ExportResult result =
            exportHistory(window.get(), test::part<HistoryBox>(*window, "historyBox")->historyRows, c.path);

        EXPECT_EQ(result.end, ExportEnd::BookUnusable);
        EXPECT_TRUE(result.reason.contains(QDir::toNativeSeparators(c.path))) << result.reason.toStdString();
        EXPECT_TRUE(result.reason.contains(c.reason)) << result.reason.toStdString();
        EXPECT_TRUE(messages.Messages().empty()) << "the window tells the user, not the export";
        EXPECT_FALSE(QFile::exists(target));
    }
    EXPECT_EQ(test::folderEntries(out.path()),
              (QStringList{QStringLiteral("hostile"), QStringLiteral("历史记录曲线排名模板.xls")}));
}

// --- what both commands share --------------------------------------------------------------------------

enum class Command { Latest, History };

class BothExportsTest : public HistoryExportTest, public ::testing::WithParamInterface<Command> {
protected:
    void run() {
        if (GetParam() == Command::Latest)
            test::part<QAction>(*window, "exportLatestAction")->trigger();
        else
            test::part<HistoryBox>(*window, "historyBox")->exportHistoryAction->trigger();
    }
};

// What the user chose stays chosen after an export: the current row and the selection of both grids, and
// the history box and chart of that row. (The walk reads a snapshot; the list's cursor never moves.)
TEST_P(BothExportsTest, TheUsersRowsStayChosen) {
    auto* missionGrid = test::part<DataGrid>(*window, "missionGrid");
    HistoryBox* history = test::part<HistoryBox>(*window, "historyBox");
    ASSERT_EQ(window->missions().recordCount(), 2);
    // The user clicks the first of the two missions (not the last) and the middle day of its history.
    QTest::mouseClick(missionGrid->viewport(), Qt::LeftButton, {},
                      missionGrid->visualRect(missionGrid->model()->index(0, 0)).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !history->refreshPending(); }));
    ASSERT_EQ(history->historyRows.recordCount(), 3);
    history->historyGrid->selectRow(1);
    ASSERT_EQ(history->historyRows.currentRow(), 1);
    const auto chosen = [](const DataGrid& grid) {
        QList<int> rows;
        for (const QModelIndex& index : grid.selectionModel()->selectedRows())
            rows << index.row();
        return rows;
    };
    const QList<int> missionSelection = chosen(*missionGrid);
    ASSERT_EQ(missionSelection, QList<int>{0});
    QSignalSpy refreshes(history, &HistoryBox::historyRefreshed);
    answerWith(QStringLiteral("chosen.xls"));

    run();

    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Information);
    EXPECT_EQ(window->missions().currentRow(), 0);
    EXPECT_EQ(missionGrid->currentIndex().row(), 0);
    EXPECT_EQ(chosen(*missionGrid), missionSelection);
    QCoreApplication::processEvents();
    EXPECT_FALSE(history->refreshPending());
    EXPECT_EQ(refreshes.count(), 0);
    EXPECT_EQ(history->historyRows.recordCount(), 3);
    EXPECT_EQ(history->historyRows.fieldText(QStringLiteral("KeyWordName")), kBaiduLinkKeyword);
    EXPECT_EQ(history->historyRows.currentRow(), 1);
    EXPECT_EQ(history->historyGrid->currentIndex().row(), 1);
    EXPECT_EQ(chosen(*history->historyGrid), QList<int>{1});
}

TEST_P(BothExportsTest, CancelledDialogWritesAndShowsNothing) {
    window->missions().setCurrentRow(0);
    test::part<HistoryBox>(*window, "historyBox")->historyRows.setCurrentRow(0);

    run();

    EXPECT_EQ(requests.size(), 1u);
    EXPECT_TRUE(messages.Messages().empty()) << messages.Texts().join(u'\n').toStdString();
    EXPECT_TRUE(test::folderEntries(out.path()).isEmpty());
    EXPECT_EQ(window->missions().currentRow(), 0);
    EXPECT_EQ(test::part<HistoryBox>(*window, "historyBox")->historyRows.currentRow(), 0);
}

TEST_P(BothExportsTest, FailedSaveSaysWhyAndLeavesNoFile) {
    ASSERT_TRUE(QDir(out.path()).mkdir(QStringLiteral("a-folder")));
    const struct {
        QString target;
        QString reason;
    } cases[] = {
        {out.filePath(QStringLiteral("no-such-folder/out.xls")), QStringLiteral("文件或文件夹不存在")},
        {out.filePath(QStringLiteral("a-folder")), QStringLiteral("这是一个文件夹")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target.toStdString());
        messages.Clear();
        answers.push_back(c.target);

        run();

        ASSERT_EQ(messages.Messages().size(), 1u);
        EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Error);
        EXPECT_EQ(messages.Messages()[0].title, QStringLiteral("Error"));
        const QStringList lines = messages.Messages()[0].text.split(u'\n');
        ASSERT_EQ(lines.size(), 2) << messages.Messages()[0].text.toStdString();
        EXPECT_EQ(lines[0], QStringLiteral("导出数据失败!"));
        EXPECT_TRUE(lines[1].contains(QDir::toNativeSeparators(c.target))) << lines[1].toStdString();
        EXPECT_TRUE(lines[1].contains(c.reason)) << lines[1].toStdString();
        EXPECT_EQ(test::folderEntries(out.path()), QStringList{QStringLiteral("a-folder")});
        EXPECT_TRUE(test::folderEntries(out.filePath(QStringLiteral("a-folder"))).isEmpty());
    }
}

TEST_P(BothExportsTest, NearlyFullDiskSaysWhyAndKeepsTheOldWorkbook) {
    const QString target = answerWith(QStringLiteral("export.xls"));
    run();
    ASSERT_EQ(messages.Texts(), QStringList{savedAt(target)});
    const QByteArray before = test::fileBytes(target);
    messages.Clear();
    answers.push_back(target);
    {
        // Room for less than one workbook: the writes run out of disk.
        const test::FileSizeLimit nearlyFull(2048);
        run();
    }
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Error);
    EXPECT_TRUE(messages.Messages()[0].text.startsWith(QStringLiteral("导出数据失败!\n")))
        << messages.Messages()[0].text.toStdString();
    EXPECT_TRUE(messages.Messages()[0].text.contains(QStringLiteral("磁盘空间不足")))
        << messages.Messages()[0].text.toStdString();
    EXPECT_EQ(test::fileBytes(target), before);
    EXPECT_EQ(test::folderEntries(out.path()), QStringList{QStringLiteral("export.xls")});
}

INSTANTIATE_TEST_SUITE_P(Exports, BothExportsTest, ::testing::Values(Command::Latest, Command::History),
                         [](const auto& info) {
                             return info.param == Command::Latest ? "latest" : "history";
                         });

} // namespace
} // namespace quorvane
