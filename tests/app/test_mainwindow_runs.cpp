// The main window's side of rank checks and runs: engine boxes, page range, stop, search pages, the settings
// dialog, and a batch run against a loopback server.
#include "../engine/ResultPages.h"
#include "app/UntMain.h"
#include "engine/Endpoints.h"
#include "engine/EngineTable.h"
#include "platform/GbkCodec.h"
#include "store/Messages.h"
#include "support/HttpServer.h"
#include "support/LoopbackEndpoints.h"
#include "support/MessageRecorder.h"
#include "support/TempDatabase.h"
#include "ui/DBGrid.h"
#include "ui/ModalDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFrame>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace quorvane {
namespace {

using test::MessageRecorder;
using test::TempDatabase;

class MainWindowRuns : public ::testing::Test {
protected:
    static void SetUpTestSuite() { db = new TempDatabase(); }
    static void TearDownTestSuite() {
        delete db;
        db = nullptr;
    }

    void SetUp() override {
        db->Exec(QStringLiteral("Delete From SE_KeyWord"));
        db->Exec(QStringLiteral("Delete From SE_KeyUrl"));
        db->Exec(QStringLiteral("Delete From SE_RankHistory"));
        db->Exec(QStringLiteral("Insert Into SE_KeyUrl (WebID, UrlName) Values (1, 'www.mysite.com')"));
        db->Exec(QStringLiteral("Insert Into SE_KeyWord (KeyWordID, WebID, KeyWordName) Values (1, 1, '北京')"));
        frm = std::make_unique<TfrmIndex>(db->DM(), db->Path());
        frm->FormCreate();
        ASSERT_FALSE(frm->TerminateRequested());
        // Every engine is the loopback server again, after the window read the absent Endpoints.ini.
        endpoints.Apply();
        previousShell = SetShellOpenHandler([this](const QString& url) { opened << url; });
        QObject::connect(frm.get(), &TfrmIndex::balloonShown,
                [this](const QString& title, const QString& message) { events << title + u'/' + message; });
        messages.OnMessage([this](const MessageRecorder::Message& m) {
            events << m.text;
            startEnabledAtMessage = frm->btnStart->isEnabled();
        });
    }
    void TearDown() override {
        frm.reset();
        SetShellOpenHandler(previousShell);
    }

    void TickOnly(QStringView engine) {
        for (const EngineInfo& info : kEngines)
            frm->EngineBox(info.name)->setChecked(info.name == engine);
    }
    QByteArray Target(QStringView engine, int pageIndex) const {
        const QString url =
            ResultPageUrl(engine, ToGbk(u"北京"), PageParameter(*FindEngine(engine), pageIndex));
        return QUrl(url).toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority);
    }
    QModelIndex Cell(const char* field) const {
        const RecordsetModel* model = frm->dbgrdh1->recordsetModel();
        return model->index(0, model->columnOfField(QString::fromLatin1(field)));
    }

    static TempDatabase* db;
    test::HttpServer server;
    const test::LoopbackEndpoints endpoints{server.BaseUrl()};
    MessageRecorder messages;
    std::unique_ptr<TfrmIndex> frm;
    ShellOpenHandler previousShell;
    QStringList opened;
    QStringList events;
    bool startEnabledAtMessage = true;
};

TempDatabase* MainWindowRuns::db = nullptr;

TEST_F(MainWindowRuns, SelectAllTicksAndClearsTheSevenOnly) {
    frm->chkall->click(); // cleared
    for (const EngineInfo& info : kEngines)
        EXPECT_FALSE(frm->EngineBox(info.name)->isChecked());
    EXPECT_FALSE(frm->AnyEngineChosen());
    frm->chkall->click(); // ticked
    EXPECT_TRUE(frm->AnyEngineChosen());

    // Clearing the seven one by one leaves "选择所有" ticked, and no engine is chosen.
    for (const EngineInfo& info : kEngines)
        frm->EngineBox(info.name)->click();
    EXPECT_TRUE(frm->chkall->isChecked());
    EXPECT_FALSE(frm->AnyEngineChosen());
    frm->btnStart->click();
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("请至少选择一个搜索引擎!")});
}

TEST_F(MainWindowRuns, PageRangeConfirmAndClose) {
    frm->btnAttribute->click();
    frm->cbbpage->setCurrentIndex(2);
    frm->btn2->click();
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("设置的查询范围为从第1页至3页!")});
    EXPECT_EQ(frm->Engine().PageCount, 3);
    EXPECT_TRUE(frm->tntpnl9->isHidden());

    frm->btnAttribute->click();
    frm->btn1->click();
    EXPECT_TRUE(frm->tntpnl9->isHidden());
    EXPECT_EQ(frm->cbbpage->currentText(), QStringLiteral("1"));
}

TEST_F(MainWindowRuns, StopWithoutARunChangesNothing) {
    frm->btnStop->click();
    frm->tntmntmTrayStop->trigger();
    EXPECT_FALSE(frm->Engine().StopRequested);
    EXPECT_TRUE(frm->btnStop->isEnabled());
}

TEST_F(MainWindowRuns, SearchPagesFromMenuAndDoubleClick) {
    frm->tntmntmGoogle1->trigger();
    frm->tntmntmYoudao1->trigger();
    EXPECT_EQ(opened, (QStringList{FirstPageUrl(u"Google", ToGbk(u"北京")), FirstPageUrl(u"Youdao", ToGbk(u"北京"))}));
    EXPECT_TRUE(opened[0].endsWith(QStringLiteral("&q=%B1%B1%BE%A9&start=0")));

    opened.clear();
    emit frm->dbgrdh1->doubleClicked(Cell("SosoRank"));
    emit frm->dbgrdh1->doubleClicked(Cell("BaiduRank2"));
    emit frm->dbgrdh1->doubleClicked(Cell("KeyWordName"));
    EXPECT_EQ(opened, QStringList{FirstPageUrl(u"Soso", ToGbk(u"北京"))});
}

TEST_F(MainWindowRuns, ClosingTheSettingsDialogReloadsTheList) {
    const ModalRunner previous = SetModalRunner([](QDialog&) {
        db->Exec(QStringLiteral("Insert Into SE_KeyWord (WebID, KeyWordName) Values (1, 'added')"));
        return 0;
    });
    frm->btnAddLink->click();
    SetModalRunner(previous);
    EXPECT_EQ(frm->qry_mission.RecordCount(), 2);
}

TEST_F(MainWindowRuns, BatchRunShowsRanksThenSuccessThenBalloon) {
    TickOnly(u"Bing");
    server.ServePage(Target(u"Bing", 0),
                     test::ResultPage(u"Bing", test::LinksWithSiteAt(6, 4, QStringLiteral("http://www.mysite.com/"))));
    frm->btnStart->click();

    EXPECT_EQ(frm->qry_mission.FieldText(QStringLiteral("BingRank")), QStringLiteral("4"));
    EXPECT_EQ(db->Scalar(QStringLiteral("Select BingRank From SE_RankHistory Where KeyWordID=1")), QStringLiteral("4"));
    EXPECT_EQ(events, (QStringList{QStringLiteral("更新排名成功!"), QStringLiteral("提示/完成批量查询任务")}));
    EXPECT_FALSE(startEnabledAtMessage); // the controls come back after the message
    EXPECT_TRUE(frm->btnStart->isEnabled());
    EXPECT_TRUE(frm->btnAddLink->isEnabled());
    EXPECT_TRUE(frm->dbgrdh1->isEnabled());
}

TEST_F(MainWindowRuns, TrayStopEndsARunWithinAPoll) {
    TickOnly(u"Google");
    test::HttpServer::Response stall;
    stall.mode = test::HttpServer::Mode::Stall;
    server.Serve(Target(u"Google", 0), stall);
    bool disabledDuringRun = false;
    QTimer::singleShot(300, [&] {
        disabledDuringRun = !frm->btnStart->isEnabled() && !frm->btnAddLink->isEnabled() && !frm->dbgrdh1->isEnabled();
        frm->tntmntmTrayStop->trigger();
        EXPECT_FALSE(frm->btnStop->isEnabled());
    });
    QElapsedTimer clock;
    clock.start();
    frm->btnStart->click();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(disabledDuringRun);
    EXPECT_EQ(events, QStringList{QStringLiteral("提示/批量任务停止")});
    EXPECT_FALSE(frm->Engine().StopRequested);
    EXPECT_TRUE(frm->btnStop->isEnabled());
    EXPECT_TRUE(frm->btnStart->isEnabled());
}

} // namespace
} // namespace quorvane
