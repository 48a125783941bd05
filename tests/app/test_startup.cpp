#include "app/MainWindow.h"
#include "platform/Messages.h"
#include "support/MessageRecorder.h"
#include "support/TempDatabase.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::DatabaseHolder;
using test::MessageRecorder;
using test::TempDatabase;

TEST(Startup, MissingDatabaseSaysSoAndEnds) {
    MessageRecorder messages;
    QTemporaryDir dir;
    Database database;
    MainWindow window(database, dir.filePath(QStringLiteral("DataBase/Trevanid.mdb")));
    window.startUp();
    EXPECT_TRUE(window.terminateRequested());
    EXPECT_FALSE(database.isOpen());
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Error);
    EXPECT_EQ(messages.Messages()[0].text, QStringLiteral("连接数据库失败!"));
}

TEST(Startup, OlderDatabaseIsUpgradedAndTheWindowIsReady) {
    MessageRecorder messages;
    TempDatabase db(SchemaVersion::Older, false);
    Database database;
    MainWindow window(database, db.Path());
    window.startUp();
    EXPECT_FALSE(window.terminateRequested());
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Velmora-Quorvane Ver1.3"));
    EXPECT_EQ(window.dbPassword(), QStringLiteral("pvx5203846"));
    Recordset rs;
    database.openQuery(rs, QStringLiteral("Select * From SE_KeyWord Where 1=2"));
    EXPECT_TRUE(rs.fieldNames().contains(QStringLiteral("YoudaoRank")));
}

TEST(Startup, MissingTableIsReportedAndTheWindowStillOpens) {
    MessageRecorder messages;
    TempDatabase db;
    db.Exec(QStringLiteral("Drop Table SE_RankHistory"));
    Database database;
    MainWindow window(database, db.Path());
    window.startUp();
    EXPECT_FALSE(window.terminateRequested());
    ASSERT_FALSE(messages.Messages().empty());
    EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Report);
    EXPECT_TRUE(messages.Messages()[0].text.contains(QStringLiteral("SE_RankHistory")));
}

// Another program holding the database is named as the cause, instead of "连接数据库失败!".
TEST(Startup, ADatabaseHeldByAnotherProgramIsNamedAsTheCause) {
    MessageRecorder messages;
    TempDatabase db(SchemaVersion::Full, false);
    DatabaseHolder other;
    ASSERT_TRUE(other.Hold(db.Path(), QString::fromUtf16(kDbPassword)));
    Database database;
    MainWindow window(database, db.Path());
    window.startUp();
    EXPECT_TRUE(window.terminateRequested());
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0].text,
              QStringLiteral("数据库正被其他程序使用，无法打开。请关闭该程序后再启动本程序。"));
}

struct CloseCase {
    const char* name;
    int answer;
    bool closes;
};

class CloseQuery : public ::testing::TestWithParam<CloseCase> {};

TEST_P(CloseQuery, OnlyYesCloses) {
    MessageRecorder messages;
    Database database;
    MainWindow window(database);
    messages.AnswerNext(GetParam().answer);
    QCloseEvent event;
    QCoreApplication::sendEvent(&window, &event);
    EXPECT_EQ(event.isAccepted(), GetParam().closes);
    ASSERT_EQ(messages.Texts(), QStringList{QStringLiteral("你确定要退出程序吗?")});
    EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Question);
}

const CloseCase kCloseCases[] = {
    {"yes", IdYes, true},
    {"no", IdNo, false},
    {"closed_from_title_bar", IdCancel, false},
};

INSTANTIATE_TEST_SUITE_P(Answers, CloseQuery, ::testing::ValuesIn(kCloseCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quorvane
