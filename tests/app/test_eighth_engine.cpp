// An engine added to the engine table, with its definition given in Engines.ini, takes its place everywhere
// an engine has one: the stored file gains its rank columns, the window its check box, grid column,
// search-page item and chart button, a check of it finds the site on its result page, and its ranks reach the
// history and the latest-results workbook. Nothing but the table and the definition names it.
#include "XlsxReader.h"

#include "app/MainWindow.h"
#include "catalog/EngineCatalog.h"
#include "cli/CommandLineOptions.h"
#include "engine/EngineDefinitions.h"
#include "engine/EngineScanners.h"
#include "engine/EngineTable.h"
#include "engine/UrlMatch.h"
#include "export/CellAddress.h"
#include "history/HistoryBox.h"
#include "history/TrendChart.h"
#include "pages/PageBrowser.h"
#include "store/Recordset.h"
#include "support/Files.h"
#include "support/HttpServer.h"
#include "support/LoopbackEndpoints.h"
#include "support/MessageRecorder.h"
#include "support/TempDatabase.h"
#include "support/WindowParts.h"
#include "ui/DataGrid.h"
#include "ui/FileDialogs.h"
#include "ui/RecordsetModel.h"

#include <QAction>
#include <QCheckBox>
#include <QDate>
#include <QLayout>
#include <QLineSeries>
#include <QMenu>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace quorvane {
namespace {

// An engine of this test's own: UTF-8 keywords, 100 results a page, checked after the seven.
constexpr EngineInfo kLumora{u"Lumora",
                             u"TestRank",
                             u"",
                             u"Lumora",
                             u"",
                             u"https://search.lumora.test",
                             u"/find?q=",
                             u"&from=",
                             u"",
                             KeywordBytes::Utf8,
                             PageParameterRule::IndexTimesStep,
                             100,
                             0,
                             7,
                             0,
                             false,
                             false,
                             45,
                             60};

// Its definition: the results over the parsed page, as a user would write them for a new engine.
constexpr char kLumoraDefinition[] = "[Lumora]\nResults=li.hit\nResultLink=a\n";

std::vector<EngineInfo> eightEngines() {
    std::vector<EngineInfo> table(kEngines.cbegin(), kEngines.cend());
    table.push_back(kLumora);
    return table;
}

// A result page of the engine with the site at the given place among others.
QByteArray lumoraPage(int sitePlace, int results) {
    QByteArray page = "<html><body><h1>Lumora</h1><ol>";
    for (int place = 1; place <= results; ++place) {
        const QByteArray address = place == sitePlace
                                       ? QByteArray("http://www.mysite.com/")
                                       : "http://www.other" + QByteArray::number(place) + ".com/";
        page +=
            "<li class=\"hit\"><a href=\"" + address + "\">result " + QByteArray::number(place) + "</a></li>";
    }
    return page + "</ol></body></html>";
}

bool hasColumn(test::TempDatabase& db, const QString& table, const QString& column) {
    Recordset probe;
    db.connection().openQuery(probe, QStringLiteral("Select * From %1 Where 1=2").arg(table));
    return probe.fieldNames().contains(column);
}

class EighthEngine : public ::testing::Test {
protected:
    void SetUp() override {
        // The file was made before the engine was added to the table: it lacks the engine's column.
        ASSERT_FALSE(hasColumn(db, QStringLiteral("SE_KeyWord"), QStringLiteral("TestRank")));
        db.Exec(QStringLiteral("Insert Into SE_KeyUrl (WebID, UrlName) Values (1, 'www.mysite.com')"));
        db.Exec(QStringLiteral(
            "Insert Into SE_KeyWord (KeyWordID, WebID, KeyWordName, Valid) Values (1, 1, '北京', '1')"));
        previousChooser_ = setFileChooser([this](const FileDialogRequest&) { return workbook_; });

        window = std::make_unique<MainWindow>(db.connection(), db.Path());
        window->startUp();
        ASSERT_FALSE(window->terminateRequested());
        // The window read the program folder's settings; the engine's address and definition are the test's.
        endpoints.Apply();
        ASSERT_TRUE(test::WriteFile(definitionPath(), kLumoraDefinition));
        ASSERT_TRUE(loadEngineDefinitions(definitionPath())) << messages.Texts().join(u'\n').toStdString();
    }
    void TearDown() override {
        window.reset();
        setFileChooser(std::move(previousChooser_));
        loadEngineDefinitions(QString());
    }

    QString definitionPath() const { return folder.filePath(QStringLiteral("Engines.ini")); }

    // The caption of the mission grid's column that shows the field, or empty without one.
    QString gridCaption(const QString& field) const {
        const RecordsetModel* model = test::part<DataGrid>(*window, "missionGrid")->recordsetModel();
        const int column = model->columnOfField(field);
        return column < 0 ? QString() : model->headerData(column, Qt::Horizontal).toString();
    }

    test::TempDatabase db;
    const std::vector<EngineInfo> table = eightEngines();
    const ScopedEngineTable scoped{table};
    test::HttpServer server;
    const test::LoopbackEndpoints endpoints{server.BaseUrl()};
    QTemporaryDir folder;
    test::MessageRecorder messages;
    std::unique_ptr<MainWindow> window;
    QString workbook_ = folder.filePath(QStringLiteral("latest.xlsx"));
    FileChooser previousChooser_;
};

TEST_F(EighthEngine, TheStoredFileGainsItsColumnsAndTheWindowItsPlaces) {
    for (const char* rankTable : {"SE_KeyWord", "SE_RankHistory"})
        EXPECT_TRUE(hasColumn(db, QString::fromLatin1(rankTable), QStringLiteral("TestRank"))) << rankTable;
    EXPECT_TRUE(messages.Messages().empty()) << messages.Texts().join(u'\n').toStdString();

    // Its check box after the seven, ticked as they are, and ticked or cleared with them.
    const auto* box = test::part<QCheckBox>(*window, "lumoraBox");
    EXPECT_EQ(box->text(), QStringLiteral("Lumora"));
    EXPECT_TRUE(box->isChecked());
    const QLayout* row = test::part<QWidget>(*window, "engineRow")->layout();
    EXPECT_EQ(row->indexOf(box), row->indexOf(test::part<QCheckBox>(*window, "youdaoBox")) + 1);
    test::part<QCheckBox>(*window, "allEnginesBox")->click();
    EXPECT_EQ(box->isChecked(), test::part<QCheckBox>(*window, "baiduBox")->isChecked());

    // Its grid column with its caption, after the seven engines' and before the update time.
    EXPECT_EQ(gridCaption(QStringLiteral("TestRank")), QStringLiteral("Lumora"));
    const RecordsetModel* model = test::part<DataGrid>(*window, "missionGrid")->recordsetModel();
    EXPECT_EQ(model->columnOfField(QStringLiteral("TestRank")) + 1,
              model->columnOfField(QStringLiteral("UpdateTime")));

    // "打开搜索页" lists it last, as the run takes it, and the chart has a button for it.
    const QList<QAction*> searchItems = test::part<QMenu>(*window, "openSearchMenu")->actions();
    ASSERT_EQ(searchItems.size(), 8);
    EXPECT_EQ(searchItems.last()->text(), QStringLiteral("Lumora"));
    const auto* chart = test::part<TrendChart>(*window, "trendChart");
    ASSERT_NE(chart->engineButton(u"Lumora"), nullptr);
    EXPECT_EQ(chart->engineButtons().size(), 8u);
}

// The check asks the engine's own address built from the table and reads the page with the definition from
// Engines.ini; the rank the window's run stores shows in the grid, the history, the chart and the workbook.
TEST_F(EighthEngine, ACheckFindsTheSiteAndItsRankReachesHistoryChartAndWorkbook) {
    const QUrl first(resultPageUrl(u"Lumora", u"北京", 0));
    EXPECT_EQ(first.path(), QStringLiteral("/find"));
    EXPECT_EQ(first.query(QUrl::FullyDecoded), QStringLiteral("q=北京&from=0"));
    server.ServePage(first.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority), lumoraPage(3, 6));

    // A batch run of the window with only the eighth engine ticked.
    for (const EngineInfo& info : engines())
        test::part<QCheckBox>(*window,
                              (info.name.toString().toLower() + QStringLiteral("Box")).toUtf8().constData())
            ->setChecked(info.name == u"Lumora");
    HistoryBox* history = test::part<HistoryBox>(*window, "historyBox");
    test::part<QToolButton>(*window, "startButton")->click();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return history->historyRows.isOpen() && history->historyRows.recordCount() == 1; }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.Messages().empty(); }));
    EXPECT_EQ(messages.Messages()[0].text, QStringLiteral("更新排名成功!"));
    messages.Clear();
    ASSERT_EQ(server.Requests().size(), 1);
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    window->refreshMissionList();
    EXPECT_EQ(window->missions().fieldText(QStringLiteral("TestRank")), QStringLiteral("3"));
    EXPECT_EQ(window->missions().fieldText(QStringLiteral("UpdateTime")).left(10), today);

    ASSERT_TRUE(QTest::qWaitFor([&] {
        return !history->refreshPending() && history->historyRows.isOpen() &&
               history->historyRows.recordCount() == 1;
    }));
    EXPECT_EQ(history->historyRows.fieldText(QStringLiteral("TestRank")), QStringLiteral("3"));
    const RecordsetModel* historyModel = history->historyGrid->recordsetModel();
    const int historyColumn = historyModel->columnOfField(QStringLiteral("TestRank"));
    ASSERT_GE(historyColumn, 0);
    EXPECT_EQ(historyModel->headerData(historyColumn, Qt::Horizontal).toString(), QStringLiteral("Lumora"));

    auto* chart = test::part<TrendChart>(*window, "trendChart");
    chart->engineButton(u"Lumora")->setChecked(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return chart->rankSeries->points() == QList<QPointF>{{0, 3}}; }));

    // The workbook: its column between the seven engines' and the update time, its rank linked to its page.
    test::part<QAction>(*window, "exportLatestAction")->trigger();
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_TRUE(messages.Messages()[0].text.startsWith(QStringLiteral("导出数据成功!")))
        << messages.Messages()[0].text.toStdString();
    const test::XlsxReader file(workbook_);
    EXPECT_EQ(file.cell(QStringLiteral("K2")).text, QStringLiteral("Lumora"));
    EXPECT_EQ(file.cell(QStringLiteral("L2")).text, QStringLiteral("更新时间"));
    EXPECT_EQ(file.cell(QStringLiteral("K3")).text, QStringLiteral("3"));
    EXPECT_TRUE(file.cell(QStringLiteral("K3")).formula.contains(QStringLiteral("/find?q=")))
        << file.cell(QStringLiteral("K3")).formula.toStdString();
    EXPECT_EQ(file.cell(QStringLiteral("L3")).text, today);
    EXPECT_TRUE(file.styleOf(QStringLiteral("L3")).thinBorders);
    EXPECT_FALSE(file.cell(QStringLiteral("M3")).exists);
}

// The command line takes it by its name and checks it by default; its rank columns are in the statements.
TEST(EighthEngineTable, TheCommandLineAndTheStatementsNameIt) {
    const std::vector<EngineInfo> table = eightEngines();
    const ScopedEngineTable scoped{table};
    const auto engines = [](const QStringList& arguments) {
        const ParsedCommandLine parsed = parseCommandLine(arguments);
        return parsed.options ? parsed.options->engines : QStringList{parsed.error};
    };
    EXPECT_EQ(engines({QStringLiteral("--update")}).last(), QStringLiteral("Lumora"));
    EXPECT_EQ(engines({QStringLiteral("--update")}).size(), 8);
    EXPECT_EQ(
        engines({QStringLiteral("--update"), QStringLiteral("--engines"), QStringLiteral("lumora,Bing")}),
        (QStringList{QStringLiteral("Bing"), QStringLiteral("Lumora")}));
    EXPECT_EQ(rankColumns().last(), QStringLiteral("TestRank"));
    EXPECT_TRUE(laterRankColumns().contains(QStringLiteral("TestRank")));
    EXPECT_EQ(shownRankColumns().back().field(), u"TestRank");
}

} // namespace
} // namespace quorvane
