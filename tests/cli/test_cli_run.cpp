// The command-line run's parts, in a test binary without the widgets library: the options, the run over a
// mission list with its lines and summary, and the stop signals.
#include "cli/CommandLineOptions.h"
#include "cli/ConsoleRun.h"
#include "engine/EngineTable.h"
#include "platform/StopSignals.h"
#include "store/SqlText.h"
#include "support/HttpServer.h"
#include "support/LoopbackEndpoints.h"
#include "support/ResultPages.h"
#include "support/TempDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryFile>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace quorvane {
namespace {

const QStringList kAll = {QStringLiteral("Baidu"), QStringLiteral("Google"), QStringLiteral("Yahoo"),
                          QStringLiteral("Soso"),  QStringLiteral("Bing"),   QStringLiteral("Sogou"),
                          QStringLiteral("Youdao")};

struct GoodArguments {
    QStringList arguments;
    CommandLineOptions::Action action;
    QStringList engines;
    int pages;
    bool quiet;
    std::optional<Shard> shard = {};
    QStringList mergeFiles = {};
};

TEST(CommandLineOptions, ArgumentsThatWork) {
    const GoodArguments cases[] = {
        {{QStringLiteral("--update")}, CommandLineOptions::Action::Update, kAll, 1, false},
        {{QStringLiteral("--update"), QStringLiteral("--engines"), QStringLiteral("google,Baidu")},
         CommandLineOptions::Action::Update,
         {QStringLiteral("Baidu"), QStringLiteral("Google")},
         1,
         false},
        {{QStringLiteral("--pages=10"), QStringLiteral("--update"), QStringLiteral("--quiet")},
         CommandLineOptions::Action::Update,
         kAll,
         10,
         true},
        {{QStringLiteral("--update"), QStringLiteral("--engines=Bing,bing")},
         CommandLineOptions::Action::Update,
         {QStringLiteral("Bing")},
         1,
         false},
        {{QStringLiteral("--update"), QStringLiteral("--help")},
         CommandLineOptions::Action::Help,
         kAll,
         1,
         false},
        {{QStringLiteral("-h")}, CommandLineOptions::Action::Help, kAll, 1, false},
        {{QStringLiteral("--version")}, CommandLineOptions::Action::Version, kAll, 1, false},
        {{QStringLiteral("--print-engines")}, CommandLineOptions::Action::PrintEngines, kAll, 1, false},
        {{QStringLiteral("--update"), QStringLiteral("--shard"), QStringLiteral("2/3")},
         CommandLineOptions::Action::Update,
         kAll,
         1,
         false,
         Shard{2, 3}},
        {{QStringLiteral("--shard=0/1"), QStringLiteral("--update"), QStringLiteral("--engines=Bing")},
         CommandLineOptions::Action::Update,
         {QStringLiteral("Bing")},
         1,
         false,
         Shard{0, 1}},
        {{QStringLiteral("--merge"), QStringLiteral("w0.mdb"), QStringLiteral("/tmp/w 1.mdb")},
         CommandLineOptions::Action::Merge,
         kAll,
         1,
         false,
         {},
         {QStringLiteral("w0.mdb"), QStringLiteral("/tmp/w 1.mdb")}},
        {{QStringLiteral("w0.mdb"), QStringLiteral("--quiet"), QStringLiteral("--merge")},
         CommandLineOptions::Action::Merge,
         kAll,
         1,
         true,
         {},
         {QStringLiteral("w0.mdb")}},
    };
    for (const GoodArguments& c : cases) {
        const QString shown = c.arguments.join(u' ');
        EXPECT_TRUE(isCommandLineRun(c.arguments)) << shown.toStdString();
        const ParsedCommandLine parsed = parseCommandLine(c.arguments);
        ASSERT_TRUE(parsed.options) << shown.toStdString() << ": " << parsed.error.toStdString();
        EXPECT_EQ(parsed.options->action, c.action) << shown.toStdString();
        EXPECT_EQ(parsed.options->engines, c.engines) << shown.toStdString();
        EXPECT_EQ(parsed.options->pages, c.pages) << shown.toStdString();
        EXPECT_EQ(parsed.options->quiet, c.quiet) << shown.toStdString();
        EXPECT_EQ(parsed.options->shard.has_value(), c.shard.has_value()) << shown.toStdString();
        if (parsed.options->shard && c.shard) {
            EXPECT_EQ(parsed.options->shard->index, c.shard->index) << shown.toStdString();
            EXPECT_EQ(parsed.options->shard->count, c.shard->count) << shown.toStdString();
        }
        EXPECT_EQ(parsed.options->mergeFiles, c.mergeFiles) << shown.toStdString();
    }
}

TEST(CommandLineOptions, ArgumentsThatDoNot) {
    const QStringList cases[] = {
        {QStringLiteral("--updat")},
        {QStringLiteral("--update"), QStringLiteral("--pages"), QStringLiteral("0")},
        {QStringLiteral("--update"), QStringLiteral("--pages"), QStringLiteral("11")},
        {QStringLiteral("--update"), QStringLiteral("--pages"), QStringLiteral("two")},
        {QStringLiteral("--update"), QStringLiteral("--pages")},
        {QStringLiteral("--update"), QStringLiteral("--engines"), QStringLiteral("Bing,,Yahoo")},
        {QStringLiteral("--update"), QStringLiteral("--engines"), QStringLiteral("Lycos")},
        {QStringLiteral("--update"), QStringLiteral("--update")},
        {QStringLiteral("--update=yes")},
        {QStringLiteral("--quiet")},
        {QStringLiteral("--update"), QStringLiteral("file.txt")},
        {QStringLiteral("--update"), QStringLiteral("--shard"), QStringLiteral("3/3")},
        {QStringLiteral("--update"), QStringLiteral("--shard"), QStringLiteral("-1/3")},
        {QStringLiteral("--update"), QStringLiteral("--shard"), QStringLiteral("0/0")},
        {QStringLiteral("--update"), QStringLiteral("--shard"), QStringLiteral("1")},
        {QStringLiteral("--update"), QStringLiteral("--shard"), QStringLiteral("a/b")},
        {QStringLiteral("--update"), QStringLiteral("--shard"), QStringLiteral("0/2/3")},
        {QStringLiteral("--update"), QStringLiteral("--shard=")},
        {QStringLiteral("--shard"), QStringLiteral("0/2")},
        {QStringLiteral("--merge")},
        {QStringLiteral("--merge"), QStringLiteral("w0.mdb"), QStringLiteral("--update")},
        {QStringLiteral("--merge"), QStringLiteral("w0.mdb"), QStringLiteral("--shard=0/2")},
        {QStringLiteral("--merge=w0.mdb")},
        {QStringLiteral("--print-engines=yes")},
        {QStringLiteral("-x"), QStringLiteral("--update")},
    };
    for (const QStringList& arguments : cases) {
        const ParsedCommandLine parsed = parseCommandLine(arguments);
        EXPECT_FALSE(parsed.options) << arguments.join(u' ').toStdString();
        EXPECT_FALSE(parsed.error.isEmpty()) << arguments.join(u' ').toStdString();
    }
}

// The parser's own complaints come in the program's words, as they did before it.
TEST(CommandLineOptions, MistakesAreNamedInChinese) {
    const std::pair<QStringList, QString> cases[] = {
        {{QStringLiteral("--updat")}, QStringLiteral("无法识别的参数: --updat")},
        {{QStringLiteral("--update"), QStringLiteral("-v")}, QStringLiteral("无法识别的参数: -v")},
        {{QStringLiteral("--update=yes")}, QStringLiteral("参数不带值: --update")},
        {{QStringLiteral("--update"), QStringLiteral("--pages")}, QStringLiteral("缺少参数的值: --pages")},
        {{QStringLiteral("--update"), QStringLiteral("--quiet"), QStringLiteral("--quiet")},
         QStringLiteral("参数重复: --quiet")},
        {{QStringLiteral("--update"), QStringLiteral("extra")}, QStringLiteral("无法识别的参数: extra")},
        {{QStringLiteral("--update"), QStringLiteral("--shard"), QStringLiteral("3/3")},
         QStringLiteral("--shard 应为 K/N, N 为正整数, K 为 0 至 N-1 之间的整数: 3/3")},
        {{QStringLiteral("--shard=1/2")}, QStringLiteral("--shard 只能与 --update 一起使用")},
        {{QStringLiteral("--merge")}, QStringLiteral("--merge 缺少要合并的文件")},
    };
    for (const auto& [arguments, error] : cases) {
        const ParsedCommandLine parsed = parseCommandLine(arguments);
        EXPECT_FALSE(parsed.options) << arguments.join(u' ').toStdString();
        EXPECT_EQ(parsed.error, error) << arguments.join(u' ').toStdString();
    }
}

TEST(CommandLineOptions, TheUsageListsEveryOption) {
    const QString usage = usageText();
    for (const char* option : {"--update", "--engines 列表", "--pages N", "--shard K/N", "--merge 文件...",
                               "--quiet", "--print-engines", "--help", "--version"})
        EXPECT_TRUE(usage.contains(QStringLiteral("\n  ") + QString::fromUtf8(option) + u' ')) << option;
    EXPECT_TRUE(isCommandLineRun({QStringLiteral("--print-engines")}));
    EXPECT_TRUE(isCommandLineRun({QStringLiteral("--merge"), QStringLiteral("w0.mdb")}));
}

TEST(CommandLineOptions, TheWindowKeepsItsOwnArguments) {
    EXPECT_FALSE(isCommandLineRun(QStringList{}));
    EXPECT_FALSE(isCommandLineRun({QStringLiteral("-platform"), QStringLiteral("offscreen")}));
    EXPECT_TRUE(isCommandLineRun(
        {QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("--update")}));
}

// A run over a database in this process, printing into a temporary file.
class ConsoleRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(output.open());
        stream = ::fdopen(::dup(output.handle()), "w");
        ASSERT_NE(stream, nullptr);
        errors = std::fopen("/dev/null", "w");
        db.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName)Values('www.mysite.com')"));
    }
    void TearDown() override {
        std::fclose(stream);
        std::fclose(errors);
    }
    void AddKeyword(const QString& keyword) {
        db.Exec(QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName)Values(1,") + quotedStr(keyword) +
                u')');
    }
    QString Printed() {
        std::fflush(stream);
        QFile file(output.fileName());
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }
    CommandLineOptions Options(const QStringList& engines) {
        CommandLineOptions options;
        options.engines = engines;
        return options;
    }

    test::HttpServer server;
    test::LoopbackEndpoints endpoints{server.BaseUrl()};
    test::TempDatabase db;
    QTemporaryFile output;
    std::FILE* stream = nullptr;
    std::FILE* errors = nullptr;
};

TEST_F(ConsoleRunTest, PrintsALinePerKeywordAndTheSummary) {
    AddKeyword(QStringLiteral("北京"));
    AddKeyword(QStringLiteral("上海"));
    server.SetFallback(test::Answer(
        200,
        test::ResultPage(u"Bing", test::LinksWithSiteAt(5, 4, QStringLiteral("http://www.mysite.com/")))));
    ConsoleMessages messages(errors);
    ConsoleRun run(db.connection(), Options({QStringLiteral("Baidu"), QStringLiteral("Bing")}), messages,
                   stream);
    const ConsoleRun::Summary summary = run.run();
    EXPECT_EQ(summary.outcome, ConsoleRun::Outcome::Completed);
    EXPECT_EQ(summary.keywordsDone, 2);
    EXPECT_EQ(summary.pagesRequested, 4);
    EXPECT_EQ(summary.pagesLoaded, 4);
    const QStringList lines = Printed().split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    // Baidu does not understand Bing's page: its cells say so.
    EXPECT_EQ(lines[0],
              QStringLiteral("[1/2] 北京 www.mysite.com  Baidu 无法识别结果页/无法识别结果页  Bing 4"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("[2/2] 上海 www.mysite.com  Baidu ")));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("完成: 2/2 个关键词, 读到 4 页, 未读到 0 页, 用时 ")))
        << lines[2].toStdString();
}

// A shard's run checks only its keywords and notes each one it saved, with the run's day, for --merge.
TEST_F(ConsoleRunTest, AShardRunNotesTheKeywordsItSaved) {
    for (const char* keyword : {"北京", "上海", "广州", "深圳", "杭州"})
        AddKeyword(QString::fromUtf8(keyword));
    server.SetFallback(test::Answer(
        200,
        test::ResultPage(u"Bing", test::LinksWithSiteAt(5, 2, QStringLiteral("http://www.mysite.com/")))));
    ConsoleMessages messages(errors);
    CommandLineOptions options = Options({QStringLiteral("Bing")});
    options.shard = Shard{1, 2};
    ConsoleRun run(db.connection(), options, messages, stream);
    run.runs().today = [] { return QDate(2026, 3, 4); };
    const ConsoleRun::Summary summary = run.run();
    EXPECT_EQ(summary.outcome, ConsoleRun::Outcome::Completed);
    EXPECT_EQ(summary.keywords, 3);
    EXPECT_EQ(server.Requests().size(), 3);
    EXPECT_TRUE(Printed().contains(QStringLiteral("[3/3] 杭州 www.mysite.com  Bing 2")))
        << Printed().toStdString();
    Recordset rs;
    const int notes = db.connection().openQuery(
        rs, QStringLiteral("Select KeyWordID||'|'||RunDay||'|'||Shard||'/'||Shards From SE_ShardRun Order By "
                           "KeyWordID"));
    QStringList noted;
    for (int r = 0; r < notes; ++r)
        noted << rs.value(r, 0).toString();
    EXPECT_EQ(noted, (QStringList{QStringLiteral("1|2026-03-04|1/2"), QStringLiteral("3|2026-03-04|1/2"),
                                  QStringLiteral("5|2026-03-04|1/2")}));
    EXPECT_EQ(db.Scalar(QStringLiteral("Select Count(*) From SE_KeyWord Where BingRank='2'")),
              QStringLiteral("3"));
}

// A keyword saved but not noted would be missed by the merge: the run must not pass for a good one.
TEST_F(ConsoleRunTest, AShardNoteThatCannotBeWrittenFailsTheRun) {
    AddKeyword(QStringLiteral("北京"));
    db.Exec(
        QStringLiteral("Create Table SE_ShardRun (KeyWordID INTEGER NOT NULL CHECK (KeyWordID < 0), RunDay "
                       "TEXT NOT NULL, Shard INTEGER, Shards INTEGER, Primary Key (KeyWordID, RunDay))"));
    server.SetFallback(test::Answer(
        200,
        test::ResultPage(u"Bing", test::LinksWithSiteAt(5, 2, QStringLiteral("http://www.mysite.com/")))));
    ConsoleMessages messages(errors);
    CommandLineOptions options = Options({QStringLiteral("Bing")});
    options.shard = Shard{0, 1};
    ConsoleRun run(db.connection(), options, messages, stream);
    const ConsoleRun::Summary summary = run.run();
    EXPECT_EQ(summary.outcome, ConsoleRun::Outcome::Failed);
    EXPECT_EQ(summary.keywordsDone, 1);
    EXPECT_EQ(messages.errors(), 1);
}

TEST_F(ConsoleRunTest, EmptyListCompletesWithNothingDone) {
    ConsoleMessages messages(errors);
    ConsoleRun run(db.connection(), Options(kAll), messages, stream);
    const ConsoleRun::Summary summary = run.run();
    EXPECT_EQ(summary.outcome, ConsoleRun::Outcome::Completed);
    EXPECT_EQ(summary.keywords, 0);
    EXPECT_TRUE(Printed().startsWith(QStringLiteral("完成: 0/0 个关键词")));
}

TEST_F(ConsoleRunTest, NoPageReadIsAFailure) {
    AddKeyword(QStringLiteral("北京"));
    server.SetFallback(test::Answer(503, {})); // every engine turns us away
    std::FILE* said = std::tmpfile();
    ASSERT_NE(said, nullptr);
    ConsoleMessages messages(said);
    ConsoleRun run(db.connection(), Options({QStringLiteral("Google")}), messages, stream);
    const ConsoleRun::Summary summary = run.run();
    EXPECT_EQ(summary.outcome, ConsoleRun::Outcome::Failed);
    EXPECT_EQ(messages.errors(), 1);
    // Why, and no success before it.
    std::rewind(said);
    QFile saidFile;
    ASSERT_TRUE(saidFile.open(said, QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(saidFile.readAll());
    saidFile.close();
    std::fclose(said);
    EXPECT_TRUE(text.contains(QStringLiteral("没有读到任何结果页"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("更新排名成功!"))) << text.toStdString();
    EXPECT_EQ(summary.pagesRequested, 1);
    EXPECT_EQ(summary.pagesLoaded, 0);
    EXPECT_EQ(db.Scalar(QStringLiteral("Select GoogleRank From SE_KeyWord")),
              QString::fromUtf16(kRestrictedText));
}

// The summary names the engines that answered with a verification page; the run itself completed.
TEST_F(ConsoleRunTest, TheSummaryNamesTheEnginesThatBlocked) {
    AddKeyword(QStringLiteral("北京"));
    server.SetFallback(test::Answer(429, "<html><body>unusual traffic</body></html>"));
    ConsoleMessages messages(errors);
    ConsoleRun run(db.connection(), Options({QStringLiteral("Bing"), QStringLiteral("Sogou")}), messages,
                   stream);
    const ConsoleRun::Summary summary = run.run();
    EXPECT_EQ(summary.outcome, ConsoleRun::Outcome::Completed);
    EXPECT_EQ(summary.blockedEngines, (QStringList{QStringLiteral("Sogou"), QStringLiteral("Bing")}));
    EXPECT_TRUE(Printed().contains(QStringLiteral(", 返回验证页面: Sogou, Bing"))) << Printed().toStdString();
}

// A stop is a stop also when a page of the run was not understood (which adds a line to the run's end
// text).
TEST_F(ConsoleRunTest, AStopAfterAPageNotUnderstoodIsAStop) {
    AddKeyword(QStringLiteral("北京"));
    AddKeyword(QStringLiteral("上海"));
    // Bing pages without result items are not understood; each takes a while to come.
    server.SetFallback(test::Answer(200, test::ResultPage(u"Bing", {}), 300));
    ConsoleMessages messages(errors);
    ConsoleRun run(db.connection(), Options({QStringLiteral("Bing")}), messages, stream);
    // The stop comes while the second keyword's page loads.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (server.Requests().size() >= 2) {
            run.requestStop();
            watch.stop();
        }
    });
    watch.start(5);
    const ConsoleRun::Summary summary = run.run();
    EXPECT_EQ(summary.outcome, ConsoleRun::Outcome::Stopped);
    EXPECT_EQ(summary.keywordsDone, 1);
    EXPECT_EQ(summary.pagesNotUnderstood, 1);
}

TEST_F(ConsoleRunTest, ASignalStopsTheRunAsStopDoes) {
    AddKeyword(QStringLiteral("北京"));
    AddKeyword(QStringLiteral("上海"));
    server.SetFallback(test::Answer(200, test::ResultPage(u"Bing", {}), 300));
    ConsoleMessages messages(errors);
    ConsoleRun run(db.connection(), Options({QStringLiteral("Bing")}), messages, stream);
    int received = 0;
    {
        StopSignals signalsToStop([&](int signal) {
            received = signal;
            run.requestStop();
        });
        ASSERT_TRUE(signalsToStop.active());
        // The signal arrives while the first page loads.
        QObject timer;
        QTimer::singleShot(100, &timer, [] { std::raise(SIGTERM); });
        const ConsoleRun::Summary summary = run.run();
        EXPECT_EQ(summary.outcome, ConsoleRun::Outcome::Stopped);
        EXPECT_EQ(summary.keywordsDone, 0);
    }
    EXPECT_EQ(received, SIGTERM);
    EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_RankHistory")), QStringLiteral("0"));
    EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_KeyWord Where BingRank<>''")),
              QStringLiteral("0"))
        << "the row in progress keeps its empty cell";
    // The program's own handlers are back once it goes.
    struct sigaction current {};
    ::sigaction(SIGTERM, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
}

} // namespace
} // namespace quorvane
