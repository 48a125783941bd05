// Killing the program in the middle of a batch run loses nothing it had saved.
#include "store/Database.h"
#include "store/Schema.h"
#include "support/HttpServer.h"
#include "support/LoopbackEndpoints.h"
#include "support/ResultPages.h"
#include "support/TempDatabase.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace quorvane {
namespace {

QString scalar(Database& database, const QString& sql) {
    Recordset rs;
    return database.openQuery(rs, sql) > 0 ? rs.value(0, 0).toString() : QString();
}

TEST(KillDuringRun, SavedRowsSurviveAndTheDatabaseOpensCleanly) {
    test::TempDatabase db;
    db.Exec(QStringLiteral("Insert Into SE_KeyUrl (WebID, UrlName) Values (1, 'www.mysite.com')"));
    constexpr int kKeywords = 200;
    for (int i = 0; i < kKeywords; ++i)
        db.Exec(
            QStringLiteral("Insert Into SE_KeyWord (WebID, KeyWordName, BingRank) Values (1, 'k%1', 'old')")
                .arg(i));

    // Every Bing page has the site at position 3, after a short delay so the run takes a while.
    test::HttpServer server;
    test::HttpServer::Response page;
    page.body =
        test::ResultPage(u"Bing", test::LinksWithSiteAt(5, 3, QStringLiteral("http://www.mysite.com/")));
    page.delayMs = 20;
    server.SetFallback(page);
    const test::LoopbackEndpoints endpoints(server.BaseUrl());

    QProcess victim;
    victim.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    victim.start(QStringLiteral(QUORVANE_RUN_VICTIM), {db.Path(), endpoints.Path()});
    ASSERT_TRUE(victim.waitForStarted());

    // Serve pages until a good part of the run is saved, then kill the program outright.
    QElapsedTimer clock;
    clock.start();
    int saved = 0;
    while (clock.elapsed() < 60000 && victim.state() == QProcess::Running) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        saved = scalar(db.connection(), QStringLiteral("Select count(*) From SE_RankHistory")).toInt();
        if (saved >= 20)
            break;
        QThread::msleep(5);
    }
    ASSERT_GE(saved, 20) << "the run did not get going";
    ASSERT_EQ(victim.state(), QProcess::Running) << "the run ended before it could be killed";
    victim.kill();
    ASSERT_TRUE(victim.waitForFinished(5000));

    // A fresh connection, as the next start makes it.
    Database next;
    ASSERT_TRUE(next.openDatabase(db.Path(), QString::fromUtf16(kDbPassword)));
    EXPECT_EQ(scalar(next, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    const int history = scalar(next, QStringLiteral("Select count(*) From SE_RankHistory")).toInt();
    EXPECT_GE(history, saved);
    EXPECT_LT(history, kKeywords);
    // Every history row is whole, and belongs to a keyword whose rank cell was saved before it.
    EXPECT_EQ(
        scalar(next, QStringLiteral(
                         "Select count(*) From SE_RankHistory Where BingRank=3 and UrlName='www.mysite.com' "
                         "and UpdateTime='") +
                         QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) + u'\'')
            .toInt(),
        history);
    EXPECT_EQ(scalar(next, QStringLiteral(
                               "Select count(*) From SE_KeyWord k Where BingRank='3' and Exists (Select 1 "
                               "From SE_RankHistory h Where h.KeyWordID=k.KeyWordID)"))
                  .toInt(),
              history);
    // Rows the run had not reached keep their text; no pending mark was ever stored.
    EXPECT_GE(scalar(next, QStringLiteral("Select count(*) From SE_KeyWord Where BingRank='old'")).toInt(),
              kKeywords - history - 1);
    EXPECT_EQ(scalar(next, QStringLiteral("Select count(*) From SE_KeyWord Where BingRank='稍候'")),
              QStringLiteral("0"));
    // And it takes new writes.
    EXPECT_TRUE(next.execInTransaction(next.execQuery, QStringLiteral("Update SE_KeyWord Set BingRank='1'")));
}

// Each row's write is one transaction of three statements: the rank cell with the update time, then the
// day's history row (its delete and insert). Killed just before each of them in turn, the program
// leaves a database that opens cleanly, in which every row has both its new rank and its history row or
// neither, no history row is half there and no pending mark is stored.
class KillBetweenStatements : public ::testing::TestWithParam<int> {};

TEST_P(KillBetweenStatements, EveryRowIsWholeOrUntouched) {
    const int killAt = GetParam();
    test::TempDatabase db;
    db.Exec(QStringLiteral("Insert Into SE_KeyUrl (WebID, UrlName) Values (1, 'www.mysite.com')"));
    for (int i = 0; i < 3; ++i)
        db.Exec(
            QStringLiteral("Insert Into SE_KeyWord (WebID, KeyWordName, BingRank) Values (1, 'k%1', 'old')")
                .arg(i));
    // Yesterday's history of the first keyword must survive whatever happens to today's.
    db.Exec(QStringLiteral("Insert Into SE_RankHistory (KeyWordID, WebID, KeyWordName, UrlName, BingRank, "
                           "UpdateTime) Select KeyWordID, 1, 'k0', 'www.mysite.com', 9, '2000-01-01' From "
                           "SE_KeyWord Where KeyWordName='k0'"));

    test::HttpServer server;
    test::HttpServer::Response page;
    page.body =
        test::ResultPage(u"Bing", test::LinksWithSiteAt(5, 3, QStringLiteral("http://www.mysite.com/")));
    server.SetFallback(page);
    const test::LoopbackEndpoints endpoints(server.BaseUrl());

    QProcess victim;
    QByteArray log;
    QObject::connect(&victim, &QProcess::readyReadStandardError,
                     [&] { log += victim.readAllStandardError(); });
    victim.start(QStringLiteral(QUORVANE_RUN_VICTIM), {db.Path(), endpoints.Path(), QString::number(killAt)});
    ASSERT_TRUE(victim.waitForStarted());
    QElapsedTimer clock;
    clock.start();
    while (victim.state() == QProcess::Running && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(victim.state(), QProcess::NotRunning) << log.toStdString();
    ASSERT_EQ(victim.exitStatus(), QProcess::CrashExit) << "not killed at write " << killAt << "\n"
                                                        << log.toStdString();

    Database next;
    ASSERT_TRUE(next.openDatabase(db.Path(), QString::fromUtf16(kDbPassword)));
    EXPECT_EQ(scalar(next, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    // Writes per row: rank cell and update time, history delete, history insert.
    const int done = killAt - 1;
    const int rowsWithHistory = done / 3;
    const int rowsWithRank = rowsWithHistory;
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    EXPECT_EQ(scalar(next, QStringLiteral("Select count(*) From SE_RankHistory Where UpdateTime='") + today +
                               QStringLiteral("' and BingRank=3 and UrlName='www.mysite.com'"))
                  .toInt(),
              rowsWithHistory)
        << log.toStdString();
    EXPECT_EQ(scalar(next, QStringLiteral("Select count(*) From SE_RankHistory")).toInt(),
              rowsWithHistory + 1);
    EXPECT_EQ(
        scalar(next, QStringLiteral("Select BingRank From SE_RankHistory Where UpdateTime='2000-01-01'")),
        QStringLiteral("9"));
    EXPECT_EQ(scalar(next, QStringLiteral("Select count(*) From SE_KeyWord Where BingRank='3'")).toInt(),
              rowsWithRank);
    EXPECT_EQ(scalar(next, QStringLiteral("Select count(*) From SE_KeyWord Where BingRank='old'")).toInt(),
              3 - rowsWithRank);
    // A row is dated today only with its new rank: an untouched row keeps no date of a check it never got.
    EXPECT_EQ(
        scalar(next, QStringLiteral("Select count(*) From SE_KeyWord Where UpdateTime='") + today + u'\'')
            .toInt(),
        rowsWithRank);
    EXPECT_TRUE(
        next.execInTransaction(next.execQuery, QStringLiteral("Update SE_KeyWord Set BingRank='new'")));
}

// Every statement of the first two rows' writes, and the first of the third.
INSTANTIATE_TEST_SUITE_P(Writes, KillBetweenStatements, ::testing::Range(1, 8));

} // namespace
} // namespace quorvane
