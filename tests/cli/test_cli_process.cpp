// The command-line run as users start it: the real program, copied into a folder with its database and an
// Endpoints.ini, run in cron's environment (no display) against loopback servers for the engines and the
// proxy.
#include "../runs/EngineFixture.h"
#include "Installation.h"

#include "engine/PageLoading.h"
#include "platform/SingleInstanceGuard.h"
#include "store/Schema.h"
#include "store/SqlText.h"
#include "support/Files.h"
#include "support/LoopbackEndpoints.h"
#include "support/RawServer.h"
#include "support/TempDatabase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>

#include <QTest>

namespace quorvane {
namespace {

using namespace std::chrono_literals;
using test::Installation;
using test::kSite;
using test::LinksWithSiteAt;
using test::ProcessResult;

const QStringList kKeywords = {QStringLiteral("北京"), QStringLiteral("上海"), QStringLiteral("广州")};

QString today() {
    return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
}

// The same missions in any database: one site, three keywords with stored cells.
void addMissions(const std::function<void(const QString&)>& exec) {
    exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName,isCheck)Values('www.mysite.com',-1)"));
    for (const QString& keyword : kKeywords)
        exec(QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName,BaiduRank,BaiduRank2,GoogleRank,"
                            "YahooRank,SosoRank,BingRank,SogouRank,YoudaoRank,UpdateTime)Values(1,") +
             quotedStr(keyword) +
             QStringLiteral(",'5','old','old','9','>100','old','old','old','2020-01-01')"));
}

const QString kCellsSql = QStringLiteral(
    "Select KeyWordID,KeyWordName,BaiduRank,BaiduRank2,GoogleRank,YahooRank,SosoRank,BingRank,SogouRank,"
    "YoudaoRank,UpdateTime From SE_KeyWord Order By KeyWordID");
const QString kHistorySql = QStringLiteral(
    "Select KeyWordID,WebID,KeyWordName,UrlName,GoogleRank,BaiduRank,BaiduRank2,SogouRank,SosoRank,"
    "YahooRank,YoudaoRank,BingRank,UpdateTime From SE_RankHistory Order By KeyWordID");

QByteArray endpointsIni(const QString& address, const QByteArray& network = {}) {
    QByteArray text = test::LoopbackEndpoints::Text(address);
    if (!network.isEmpty())
        text += "[Network]\n" + network;
    return text;
}

// A port on which nothing listens.
quint16 deadPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

class CommandLineRun : public test::EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        installation.WriteEndpointsIni(endpointsIni(server.BaseUrl()));
        addMissions([this](const QString& sql) { installation.Exec(sql); });
        // Different ranks per keyword and engine; pages not set up show ten links without the site.
        server.SetFallback(test::Answer(200, test::ResultPage(u"Bing", LinksWithSiteAt(10, 0, kSite))));
        int position = 1;
        for (const QString& keyword : kKeywords)
            for (const EngineInfo& info : engines())
                ServeResults(info.name, keyword, 0, LinksWithSiteAt(10, (position++ % 9) + 1, kSite));
    }

    ProcessResult Update(const QStringList& arguments,
                         const QProcessEnvironment& environment = test::CronEnvironment(),
                         const std::function<void(QProcess&)>& whileRunning = {}) {
        return test::RunProgram(installation.Program(), arguments, environment, whileRunning);
    }

    Installation installation;
};

TEST_F(CommandLineRun, FillsTheSameCellsAndHistoryAsTheWindowsRun) {
    const ProcessResult result = Update({QStringLiteral("--update")});
    ASSERT_FALSE(result.crashed) << result.err.toStdString();
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QList<QByteArray> commandLineRequests = server.RequestTargets();

    // The window's run on an identical database, against the same server.
    test::TempDatabase window;
    addMissions([&window](const QString& sql) { window.Exec(sql); });
    Recordset missions;
    test::RecordingHost host(window.connection(), missions);
    for (const EngineInfo& info : engines())
        host.ticked.insert(info.name.toString());
    test::MessageRecorder recorder;
    RankRuns runs(window.connection(), missions, engine, host);
    const qsizetype before = server.Requests().size();
    runs.runBatch();
    ASSERT_EQ(recorder.Texts(), QStringList{QStringLiteral("更新排名成功!")});

    // The engines of a keyword are asked side by side, so only the pages, not their interleaving, compare.
    QList<QByteArray> windowRequests = server.RequestTargets().mid(before);
    QList<QByteArray> lineRequests = commandLineRequests;
    std::sort(windowRequests.begin(), windowRequests.end());
    std::sort(lineRequests.begin(), lineRequests.end());
    EXPECT_EQ(windowRequests, lineRequests) << "the same pages";
    auto rows = [&window](const QString& sql) { return test::QueryRowsText(window.connection(), sql); };
    const QString cells = installation.Rows(kCellsSql);
    EXPECT_EQ(cells, rows(kCellsSql));
    EXPECT_EQ(installation.Rows(kHistorySql), rows(kHistorySql));
    EXPECT_FALSE(cells.contains(QStringLiteral("old"))) << "every engine was checked";
    EXPECT_EQ(installation.Scalar(QStringLiteral("Select count(*) From SE_RankHistory Where UpdateTime='") +
                                  today() + u'\''),
              QStringLiteral("3"));

    // A line per keyword with its ranks, then the summary.
    const QStringList lines = result.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << result.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("[1/3] 北京 www.mysite.com  Baidu ")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("完成: 3/3 个关键词, 读到 21 页, 未读到 0 页")))
        << lines[3].toStdString();
    EXPECT_TRUE(result.err.contains(QStringLiteral("更新排名成功!")));
}

// A site added from the command line with the whole-domain rule is found on an inner page of a subdomain;
// with the whole-address rule the same page does not hold it.
TEST_F(CommandLineRun, ASiteAddedWithItsRuleIsFoundAsTheRuleSays) {
    const QString keyword = QStringLiteral("关键词");
    ServeResults(u"Google", keyword, 0,
                 {QStringLiteral("http://one.example.org/"), QStringLiteral("http://two.example.org/"),
                  QStringLiteral("https://blog.example.com/p/1"),
                  QStringLiteral("http://four.example.org/")});
    const QString googleRank = QStringLiteral("Select GoogleRank From SE_KeyWord Where KeyWordName='关键词'");

    const ProcessResult added = Update({QStringLiteral("--add-site"), QStringLiteral("www.example.com"),
                                        QStringLiteral("--match"), QStringLiteral("domain"), keyword});
    ASSERT_EQ(added.exitCode, 0) << added.err.toStdString();
    EXPECT_EQ(added.out, QStringLiteral("已添加网址: www.example.com (整个域名)\n已添加关键词: 关键词\n"));
    const ProcessResult domain = Update({QStringLiteral("--update"), QStringLiteral("--engines=google")});
    ASSERT_EQ(domain.exitCode, 0) << domain.err.toStdString();
    EXPECT_EQ(installation.Scalar(googleRank), QStringLiteral("3")) << domain.out.toStdString();

    const ProcessResult address = Update({QStringLiteral("--add-site"), QStringLiteral("www.example.com"),
                                          QStringLiteral("--match"), QStringLiteral("address")});
    ASSERT_EQ(address.exitCode, 0) << address.err.toStdString();
    ASSERT_EQ(Update({QStringLiteral("--update"), QStringLiteral("--engines=google")}).exitCode, 0);
    EXPECT_TRUE(installation.Scalar(googleRank).startsWith(u'>'))
        << installation.Scalar(googleRank).toStdString();

    // --list shows the pair with its rule and rank, as a spreadsheet reads it.
    const ProcessResult list = Update({QStringLiteral("--list")});
    ASSERT_EQ(list.exitCode, 0);
    const QStringList lines = list.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << list.out.toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("www.example.com\taddress\t关键词\t1\t")))
        << lines[1].toStdString();
}

// A database of the version before match rules: the run upgrades it, and every site keeps comparing whole
// addresses, so its ranks are what they were (an inner page is no hit, the site's own address is).
TEST_F(CommandLineRun, AnEarlierDatabaseGainsTheRuleAndKeepsItsRanks) {
    test::TempDatabase earlier(SchemaVersion::BeforeMatchRule);
    addMissions([&earlier](const QString& sql) { earlier.Exec(sql); });
    earlier.connection().closeDatabase();
    installation.CopyDatabaseFrom(earlier.Path());
    ServeResults(
        u"Google", kKeywords[0], 0,
        {QStringLiteral("http://www.mysite.com/inner/page.html"), QStringLiteral("http://www.mysite.com/")});
    ServeResults(u"Google", kKeywords[1], 0, {QStringLiteral("http://www.mysite.com/inner/page.html")});

    const ProcessResult result = Update({QStringLiteral("--update"), QStringLiteral("--engines=google")});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(installation.Rows(QStringLiteral("Select UrlName,MatchRule From SE_KeyUrl")),
              QStringLiteral("www.mysite.com|"));
    const QString ranks = QStringLiteral("Select GoogleRank From SE_KeyWord Where KeyWordName=");
    EXPECT_EQ(installation.Scalar(ranks + quotedStr(kKeywords[0])), QStringLiteral("2"));
    EXPECT_TRUE(installation.Scalar(ranks + quotedStr(kKeywords[1])).startsWith(u'>'));
}

TEST_F(CommandLineRun, QuietLeavesOnlyTheSummary) {
    const ProcessResult result =
        Update({QStringLiteral("--update"), QStringLiteral("--quiet"), QStringLiteral("--engines=bing")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out.count(u'\n'), 1) << result.out.toStdString();
    EXPECT_TRUE(result.out.startsWith(QStringLiteral("完成: 3/3 个关键词, 读到 3 页")));
    EXPECT_TRUE(result.err.isEmpty()) << result.err.toStdString();
}

// An engine whose pages the browser engine loads makes the program a GUI application: without a display
// it runs on the offscreen platform instead of failing for want of one, and reads the result lists that the
// pages' scripts build, which the plain loader never sees.
TEST_F(CommandLineRun, TheBrowserLoaderRunsWithoutADisplay) {
    int position = 2;
    for (const QString& keyword : kKeywords)
        server.ServePage(Target(u"Bing", keyword, 0),
                         test::ScriptBuiltResultPage(u"Bing", LinksWithSiteAt(10, position++, kSite)));
    ASSERT_TRUE(test::WriteFile(QDir(installation.Folder()).filePath(QStringLiteral("Engines.ini")),
                                "[Bing]\nLoader=Browser\n"));
    const ProcessResult result =
        Update({QStringLiteral("--update"), QStringLiteral("--quiet"), QStringLiteral("--engines=bing")});
    ASSERT_FALSE(result.crashed) << result.err.toStdString();
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.startsWith(QStringLiteral("完成: 3/3 个关键词, 读到 3 页")))
        << result.out.toStdString();
    position = 2;
    for (const QString& keyword : kKeywords)
        EXPECT_EQ(installation.Scalar(QStringLiteral("Select BingRank From SE_KeyWord Where KeyWordName=") +
                                      quotedStr(keyword)),
                  QString::number(position++))
            << keyword.toStdString();
    EXPECT_FALSE(result.err.contains(QStringLiteral("Expect troubles"))) << result.err.toStdString();
}

TEST_F(CommandLineRun, OnlyTheChosenEnginesCellsChange) {
    const ProcessResult result =
        Update({QStringLiteral("--update"), QStringLiteral("--engines"), QStringLiteral("Google"),
                QStringLiteral("--pages"), QStringLiteral("2")});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    for (const QString& keyword : kKeywords) {
        const QString where = QStringLiteral(" From SE_KeyWord Where KeyWordName=") + quotedStr(keyword);
        EXPECT_EQ(installation.Rows(QStringLiteral("Select BaiduRank,BaiduRank2,YahooRank,SosoRank,BingRank,"
                                                   "SogouRank,YoudaoRank") +
                                    where),
                  QStringLiteral("5|old|9|>100|old|old|old"));
        const int google = installation.Scalar(QStringLiteral("Select GoogleRank") + where).toInt();
        EXPECT_GE(google, 1) << keyword.toStdString();
        // The history takes the other engines' numbers from their cells.
        EXPECT_EQ(
            installation.Rows(QStringLiteral("Select GoogleRank,BaiduRank,BaiduRank2,YahooRank,SosoRank "
                                             "From SE_RankHistory Where KeyWordName=") +
                              quotedStr(keyword)),
            QString::number(google) + QStringLiteral("|5|0|9|0"));
    }
    // Only Google was asked; the site is on its first page, so no second page is read.
    EXPECT_EQ(server.Requests().size(), 3);
    for (const QByteArray& target : server.RequestTargets())
        EXPECT_TRUE(target.startsWith("/search?num=100")) << target.constData();
}

TEST_F(CommandLineRun, TerminatedMidRunKeepsTheRowInProgressAndEndsWithOne) {
    for (const QString& keyword : kKeywords)
        server.Serve(Target(u"Bing", keyword, 0),
                     test::Answer(200, test::ResultPage(u"Bing", LinksWithSiteAt(5, 3, kSite)), 400));
    const QString before = installation.Rows(kCellsSql);

    // SIGTERM as soon as the second keyword's page is asked for: that row is in progress.
    bool sent = false;
    const ProcessResult result =
        Update({QStringLiteral("--update"), QStringLiteral("--engines"), QStringLiteral("Bing")},
               test::CronEnvironment(), [&](QProcess& process) {
                   if (!sent && server.Requests().size() >= 2) {
                       process.terminate();
                       sent = true;
                   }
               });
    ASSERT_TRUE(sent);
    ASSERT_FALSE(result.crashed) << "the signal must stop the run, not kill the program";
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.out.contains(QStringLiteral("已停止: 1/3 个关键词"))) << result.out.toStdString();
    EXPECT_EQ(server.Requests().size(), 2) << "no page is asked for after the stop";

    EXPECT_EQ(installation.Scalar(QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
    const QStringList rowsBefore = before.split(u'\n');
    const QStringList rowsAfter = installation.Rows(kCellsSql).split(u'\n');
    ASSERT_EQ(rowsAfter.size(), 3);
    // The first row is done.
    EXPECT_TRUE(rowsAfter[0].contains(QStringLiteral("|3|old|old|") + today())) << rowsAfter[0].toStdString();
    // The row in progress, whose one check the stop cut off, keeps its stored texts and its date: it was
    // not checked today.
    EXPECT_EQ(rowsAfter[1], rowsBefore[1]);
    // The row after it is untouched.
    EXPECT_EQ(rowsAfter[2], rowsBefore[2]);
    EXPECT_EQ(installation.Scalar(QStringLiteral("Select count(*) From SE_RankHistory")),
              QStringLiteral("1"));
}

TEST_F(CommandLineRun, WrongArgumentsEndWithTwoAndTheUsage) {
    const QStringList cases[] = {
        {QStringLiteral("--updat")},
        {QStringLiteral("--update"), QStringLiteral("--pages"), QStringLiteral("11")},
        {QStringLiteral("--update"), QStringLiteral("--engines"), QStringLiteral("Altavista")},
        {QStringLiteral("--update"), QStringLiteral("--pages")},
        {QStringLiteral("--engines"), QStringLiteral("Bing")},
        {QStringLiteral("--update"), QStringLiteral("extra")},
    };
    for (const QStringList& arguments : cases) {
        const ProcessResult result = Update(arguments);
        EXPECT_EQ(result.exitCode, 2) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(result.err.contains(QStringLiteral("用法: Quorvane --update")))
            << arguments.join(u' ').toStdString();
        EXPECT_TRUE(result.out.isEmpty());
    }
    EXPECT_TRUE(server.Requests().isEmpty());
    EXPECT_EQ(installation.Scalar(QStringLiteral("Select count(*) From SE_KeyWord Where UpdateTime='") +
                                  today() + u'\''),
              QStringLiteral("0"));
}

TEST(CommandLine, HelpAndVersionGoToStandardOutput) {
    Installation installation(false);
    const ProcessResult version =
        test::RunProgram(installation.Program(), {QStringLiteral("--version")}, test::CronEnvironment());
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith(QStringLiteral("Quorvane 1.3\n"))) << version.out.toStdString();
    const ProcessResult help =
        test::RunProgram(installation.Program(), {QStringLiteral("--help")}, test::CronEnvironment());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("--engines")));
    EXPECT_TRUE(help.err.isEmpty()) << help.err.toStdString();
}

// A copy with its database beside it keeps everything there, as the program always did: --version says so,
// and the run's log goes beside it, not into the user's folders.
TEST_F(CommandLineRun, ACopyWithItsDatabaseKeepsEverythingBesideIt) {
    const QProcessEnvironment environment = test::CronEnvironment();
    const ProcessResult version = Update({QStringLiteral("--version")}, environment);
    const QString folder = QDir(installation.Folder()).canonicalPath() + u'/';
    EXPECT_TRUE(version.out.contains(QStringLiteral("数据文件夹: ") + folder)) << version.out.toStdString();
    EXPECT_TRUE(version.out.contains(QStringLiteral("设置文件夹: ") + folder)) << version.out.toStdString();

    const ProcessResult run = Update(
        {QStringLiteral("--update"), QStringLiteral("--engines"), QStringLiteral("Bing")}, environment);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(installation.Scalar(QStringLiteral("Select count(*) From SE_KeyWord Where UpdateTime='") +
                                  today() + u'\''),
              QStringLiteral("3"));
    EXPECT_TRUE(QFileInfo::exists(installation.Folder() + QStringLiteral("/Logs/run-") + today() +
                                  QStringLiteral(".log")));
    const QString home = environment.value(QStringLiteral("HOME"));
    EXPECT_FALSE(QFileInfo::exists(home + QStringLiteral("/.local/share/Quorvane"))) << "nothing in the home";
}

// A file beside the program that is not a database (here an empty one) is not replaced, nor is the user's
// folder used instead: the run says so and ends with 3.
TEST(CommandLine, ADatabaseFileThatIsNoDatabaseEndsWithThree) {
    Installation installation(false);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(installation.DatabasePath()).absolutePath()));
    ASSERT_TRUE(test::WriteFile(installation.DatabasePath(), {}));
    const ProcessResult result =
        test::RunProgram(installation.Program(), {QStringLiteral("--update")}, test::CronEnvironment());
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_TRUE(result.err.contains(QStringLiteral("连接数据库失败!"))) << result.err.toStdString();
    EXPECT_EQ(QFileInfo(installation.DatabasePath()).size(), 0) << "the run never rewrites a file it refuses";
}

// A database held by another program is named as the cause, in the window's words.
TEST(CommandLine, ADatabaseHeldByAnotherProgramIsNamedAsTheCause) {
    Installation installation;
    test::DatabaseHolder other;
    ASSERT_TRUE(other.Hold(installation.DatabasePath(), QString::fromUtf16(kDbPassword)));
    const ProcessResult result =
        test::RunProgram(installation.Program(), {QStringLiteral("--update")}, test::CronEnvironment());
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_TRUE(result.err.contains(QStringLiteral("数据库正被其他程序使用"))) << result.err.toStdString();
}

// The window and the command line share the guard of their folder.
TEST_F(CommandLineRun, WindowAndCommandLineOfOneFolderExcludeEachOther) {
    QProcessEnvironment windowEnvironment = test::CronEnvironment();
    windowEnvironment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QString guardFile = SingleInstanceGuard::guardFilePath(installation.Program());
    // The guard writes its owner's pid once it holds the lock; reading it takes no lock of the probe's own.
    auto guardHeldBy = [&](qint64 pid) {
        QFile file(guardFile);
        return file.open(QIODevice::ReadOnly) && file.readAll().trimmed() == QByteArray::number(pid);
    };

    {
        QProcess window;
        window.setProcessEnvironment(windowEnvironment);
        window.start(installation.Program(), {});
        ASSERT_TRUE(window.waitForStarted());
        ASSERT_TRUE(QTest::qWaitFor([&] { return guardHeldBy(window.processId()); }, 20000))
            << "the window never took the guard";

        const ProcessResult result = Update({QStringLiteral("--update")});
        EXPECT_EQ(result.exitCode, 4);
        EXPECT_TRUE(result.err.contains(QStringLiteral("程序正在运行！"))) << result.err.toStdString();
        EXPECT_TRUE(server.Requests().isEmpty());
        // Nor are sites and keywords changed behind the window's back.
        const ProcessResult addSite =
            Update({QStringLiteral("--add-site"), QStringLiteral("www.new.cn"), QStringLiteral("k")});
        EXPECT_EQ(addSite.exitCode, 4);
        EXPECT_EQ(Update({QStringLiteral("--list")}).exitCode, 4);
        EXPECT_EQ(installation.Scalar(QStringLiteral("Select count(*) From SE_KeyUrl")), QStringLiteral("1"));
        window.kill();
        window.waitForFinished();
    }

    // A window started during a command-line run is refused as a second window is.
    test::HttpServer::Response stall;
    stall.mode = test::HttpServer::Mode::Stall;
    server.SetFallback(stall);
    for (const QString& keyword : kKeywords)
        for (const EngineInfo& info : engines())
            server.Serve(Target(info.name, keyword, 0), stall);
    QString windowSaid;
    const ProcessResult run =
        Update({QStringLiteral("--update")}, test::CronEnvironment(), [&](QProcess& cli) {
            if (server.Requests().isEmpty() || !windowSaid.isEmpty())
                return;
            QProcess window;
            window.setProcessEnvironment(windowEnvironment);
            window.start(installation.Program(), {});
            window.waitForFinished(20000);
            windowSaid = QString::fromUtf8(window.readAllStandardError());
            cli.terminate();
        });
    EXPECT_TRUE(windowSaid.contains(QStringLiteral("程序正在运行！"))) << windowSaid.toStdString();
    EXPECT_EQ(run.exitCode, 1);
}

// The agency's way: workers each run one shard on their own copy of the database, and the folder's database
// takes their results in; the grid and history are those of one ordinary run over every keyword.
class ShardedRun : public CommandLineRun {
protected:
    // Seven keywords over two sites, so that every shard of three has some; the file closed for copying.
    void SetUp() override {
        CommandLineRun::SetUp();
        const QStringList more = {QStringLiteral("深圳"), QStringLiteral("杭州"), QStringLiteral("成都"),
                                  QStringLiteral("武汉")};
        installation.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName,isCheck)Values('www.other.com',-1)"));
        int position = 3;
        for (const QString& keyword : more) {
            installation.Exec(
                QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName,UpdateTime)Values(2,") +
                quotedStr(keyword) + QStringLiteral(",'2020-01-01')"));
            for (const EngineInfo& info : engines())
                ServeResults(
                    info.name, keyword, 0,
                    LinksWithSiteAt(10, (position++ % 7) + 1, QStringLiteral("http://www.other.com/")));
        }
        installation.CloseConnection();
        oneRun.CopyDatabaseFrom(installation.DatabasePath());
        oneRun.WriteEndpointsIni(endpointsIni(server.BaseUrl()));
    }

    // The ordinary run over every keyword, on a copy of the same database.
    void RunOnce() {
        const ProcessResult whole =
            test::RunProgram(oneRun.Program(), {QStringLiteral("--update")}, test::CronEnvironment());
        ASSERT_EQ(whole.exitCode, 0) << whole.err.toStdString();
    }

    Installation oneRun{false};
};

TEST_F(ShardedRun, ThreeShardsMergedGiveTheSameGridAndHistoryAsOneRun) {

    std::vector<std::unique_ptr<Installation>> workers;
    for (int i = 0; i < 3; ++i) {
        workers.push_back(std::make_unique<Installation>(false));
        workers.back()->CopyDatabaseFrom(installation.DatabasePath());
        workers.back()->WriteEndpointsIni(endpointsIni(server.BaseUrl()));
    }
    // A keyword only the first worker's copy has (its number puts it in shard 0).
    workers[0]->Exec(QStringLiteral("Insert Into SE_KeyWord(KeyWordID,WebID,KeyWordName)Values(9,2,'西安')"));
    workers[0]->CloseConnection();
    RunOnce();
    QStringList copies;
    int keywordsRun = 0;
    for (int i = 0; i < 3; ++i) {
        const ProcessResult worker = test::RunProgram(
            workers[i]->Program(),
            {QStringLiteral("--update"), QStringLiteral("--shard"), QStringLiteral("%1/3").arg(i)},
            test::CronEnvironment());
        ASSERT_EQ(worker.exitCode, 0) << worker.err.toStdString();
        keywordsRun += worker.out.count(u'\n') - 1; // a line per keyword and the summary
        copies << workers[i]->DatabasePath();
    }
    EXPECT_EQ(keywordsRun, 8) << "seven keywords here and the first copy's own";

    const ProcessResult merged = test::RunProgram(
        installation.Program(), QStringList{QStringLiteral("--merge")} + copies, test::CronEnvironment());
    ASSERT_EQ(merged.exitCode, 0) << merged.err.toStdString();
    EXPECT_TRUE(merged.out.startsWith(
        QStringLiteral("合并完成: 3 个文件, 7 个关键词, 其中 7 个更新了排名, 0 个本数据库的较新而保留, "
                       "写入 7 行历史记录, 本数据库没有的关键词 1 个 (未添加)")))
        << merged.out.toStdString();
    EXPECT_TRUE(merged.err.contains(QStringLiteral("本数据库没有此关键词, 未合并: www.other.com 西安")))
        << merged.err.toStdString();

    const QString cells = installation.Rows(kCellsSql);
    const QString history = installation.Rows(kHistorySql);
    EXPECT_EQ(cells, oneRun.Rows(kCellsSql));
    EXPECT_EQ(history, oneRun.Rows(kHistorySql));
    EXPECT_EQ(history.count(u'\n'), 6) << "a history row per keyword";
    EXPECT_FALSE(cells.contains(QStringLiteral("2020-01-01")));
    installation.CloseConnection();

    // Merging the same copies again changes nothing.
    const ProcessResult again = test::RunProgram(
        installation.Program(), QStringList{QStringLiteral("--merge")} + copies, test::CronEnvironment());
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_TRUE(again.out.contains(
        QStringLiteral("其中 0 个更新了排名, 0 个本数据库的较新而保留, 写入 0 行历史记录")))
        << again.out.toStdString();
    EXPECT_EQ(installation.Rows(kCellsSql), cells);
    EXPECT_EQ(installation.Rows(kHistorySql), history);
}

// Tried as an agency would: three workers through GNU parallel, each on its own copy, merged into the
// program folder's database by the script in deploy/. Once on this host, once through the form for several
// hosts (GNU parallel's ":" is this host without ssh: the jobs' commands, tar files and copies as there).
class ShardedRunThroughParallel : public ShardedRun, public ::testing::WithParamInterface<const char*> {};

TEST_P(ShardedRunThroughParallel, ThreeWorkersGiveTheSameGridAndHistoryAsOneRun) {
    if (QStandardPaths::findExecutable(QStringLiteral("parallel")).isEmpty())
        GTEST_SKIP() << "GNU parallel is not installed";
    RunOnce();
    const QString script =
        qEnvironmentVariable("QUORVANE_FIXTURES") + QStringLiteral("/../../deploy/parallel-shards.sh");
    const QTemporaryDir work;
    QProcessEnvironment environment = test::CronEnvironment();
    if (*GetParam() != '\0')
        environment.insert(QStringLiteral("QUORVANE_HOSTS"), QString::fromUtf8(GetParam()));
    const ProcessResult result =
        test::RunProgram(QStringLiteral("/bin/bash"),
                         {script, installation.Folder(), QStringLiteral("3"), work.path()}, environment);
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString() << result.out.toStdString();
    // Every shard's summary, tagged with its number, then the merge's.
    for (const char* tag : {"0\t完成: 2/2", "1\t完成: 3/3", "2\t完成: 2/2"})
        EXPECT_TRUE(result.out.contains(QString::fromUtf8(tag))) << tag << "\n" << result.out.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("合并完成: 3 个文件, 7 个关键词, 其中 7 个更新了排名")))
        << result.out.toStdString();
    EXPECT_EQ(installation.Rows(kCellsSql), oneRun.Rows(kCellsSql));
    EXPECT_EQ(installation.Rows(kHistorySql), oneRun.Rows(kHistorySql));
    EXPECT_EQ(installation.Scalar(QStringLiteral("Select Count(*) From SE_RankHistory")),
              QStringLiteral("7"));
}

INSTANTIATE_TEST_SUITE_P(Hosts, ShardedRunThroughParallel, ::testing::Values("", ":"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(*info.param ? "SeveralHostsForm" : "ThisHost");
                         });

// A file that is not a copy of this program's database is refused as a whole: status 3, nothing merged.
TEST_F(CommandLineRun, MergeRefusesWhatIsNotACopyOfTheDatabase) {
    installation.CloseConnection();
    Installation worker(false);
    worker.CopyDatabaseFrom(installation.DatabasePath());
    worker.WriteEndpointsIni(endpointsIni(server.BaseUrl()));
    ASSERT_EQ(test::RunProgram(worker.Program(), {QStringLiteral("--update"), QStringLiteral("--shard=0/1")},
                               test::CronEnvironment())
                  .exitCode,
              0);
    const QString notADatabase = QDir(installation.Folder()).filePath(QStringLiteral("keywords.txt"));
    ASSERT_TRUE(test::WriteFile(notADatabase, QByteArray("北京,www.mysite.com\n").repeated(100)));
    const QString otherPassword = QDir(installation.Folder()).filePath(QStringLiteral("other.mdb"));
    ASSERT_TRUE(createDatabase(otherPassword, QStringLiteral("another"), SchemaVersion::Full, nullptr));
    const QString before = installation.Rows(kCellsSql) + installation.Rows(kHistorySql);
    installation.CloseConnection();

    for (const QString& bad : {notADatabase, otherPassword}) {
        const ProcessResult result =
            test::RunProgram(installation.Program(), {QStringLiteral("--merge"), worker.DatabasePath(), bad},
                             test::CronEnvironment());
        EXPECT_EQ(result.exitCode, 3) << bad.toStdString();
        EXPECT_TRUE(
            result.err.contains(bad + QStringLiteral(" 不是本程序的数据库, 或其密码不同; 未合并任何内容")))
            << result.err.toStdString();
        EXPECT_TRUE(result.out.isEmpty()) << result.out.toStdString();
        EXPECT_EQ(installation.Rows(kCellsSql) + installation.Rows(kHistorySql), before);
        installation.CloseConnection();
    }
    // The worker's copy alone merges.
    const ProcessResult good = test::RunProgram(
        installation.Program(), {QStringLiteral("--merge"), worker.DatabasePath()}, test::CronEnvironment());
    EXPECT_EQ(good.exitCode, 0) << good.err.toStdString();
    EXPECT_NE(installation.Rows(kCellsSql) + installation.Rows(kHistorySql), before);
}

// The proxy: the engines' host is a name that does not resolve, so a page can only come through a proxy.
struct ProxyCase {
    const char* name;
    QByteArray network; // the [Network] group of Endpoints.ini; %PROXY is the proxy's port, %DEAD a dead port
    QByteArray httpProxy;
    QByteArray noProxy;
    int proxyStatus;   // what the proxy answers
    bool throughProxy; // the proxy sees the request
    int exitCode;
};

void PrintTo(const ProxyCase& c, std::ostream* os) {
    *os << c.name;
}

class CommandLineProxy : public ::testing::TestWithParam<ProxyCase> {};

TEST_P(CommandLineProxy, PagesGoWhereTheSettingsSay) {
    const ProxyCase& c = GetParam();
    test::HttpServer proxy;
    test::HttpServer::Response reply =
        test::Answer(c.proxyStatus, test::ResultPage(u"Bing", LinksWithSiteAt(5, 2, kSite)));
    if (c.proxyStatus == 407) {
        reply.body.clear();
        reply.headers = {{"Proxy-Authenticate", "Basic realm=\"office\""}};
    }
    proxy.SetFallback(reply);
    const QString port = QString::number(proxy.Port());
    const QString dead = QString::number(deadPort());
    auto fill = [&](const QByteArray& text) {
        return QString::fromUtf8(text)
            .replace(QStringLiteral("%PROXY"), port)
            .replace(QStringLiteral("%DEAD"), dead)
            .toUtf8();
    };

    Installation installation;
    installation.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName)Values('www.mysite.com')"));
    installation.Exec(QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName)Values(1,'北京')"));
    installation.WriteEndpointsIni(
        endpointsIni(QStringLiteral("http://quorvane-engines.test"), fill(c.network)));
    QProcessEnvironment environment = test::CronEnvironment();
    if (!c.httpProxy.isEmpty())
        environment.insert(QStringLiteral("http_proxy"), QString::fromUtf8(fill(c.httpProxy)));
    if (!c.noProxy.isEmpty())
        environment.insert(QStringLiteral("no_proxy"), QString::fromUtf8(c.noProxy));

    const ProcessResult result = test::RunProgram(
        installation.Program(),
        {QStringLiteral("--update"), QStringLiteral("--engines"), QStringLiteral("Bing")}, environment);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.err.toStdString();
    // One page, asked for once, and never a wait beyond the page time limit.
    EXPECT_LT(result.elapsedMs, kPageWaitSeconds * 1000);
    const QString cell = installation.Scalar(QStringLiteral("Select BingRank From SE_KeyWord"));
    if (c.throughProxy) {
        ASSERT_EQ(proxy.Requests().size(), 1);
        EXPECT_TRUE(proxy.Requests()[0].target.startsWith("http://quorvane-engines.test/search?q="))
            << proxy.Requests()[0].target.constData();
    } else {
        EXPECT_TRUE(proxy.Requests().isEmpty());
    }
    EXPECT_EQ(cell, c.exitCode == 0 ? QStringLiteral("2") : QString::fromUtf16(kRestrictedText));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, CommandLineProxy,
    ::testing::Values(
        ProxyCase{"ProxyInEndpointsIni", "Proxy=http://127.0.0.1:%PROXY\n", {}, {}, 200, true, 0},
        ProxyCase{"HttpProxyFromTheEnvironment", {}, "http://127.0.0.1:%PROXY", {}, 200, true, 0},
        ProxyCase{"IniOverridesTheEnvironment",
                  "Proxy=http://127.0.0.1:%PROXY\n",
                  "http://127.0.0.1:%DEAD",
                  {},
                  200,
                  true,
                  0},
        ProxyCase{
            "NoProxyExcludesTheHost", {}, "http://127.0.0.1:%PROXY", "quorvane-engines.test", 200, false, 1},
        ProxyCase{"ProxyWantsCredentials", "Proxy=http://127.0.0.1:%PROXY\n", {}, {}, 407, true, 1},
        ProxyCase{"ProxyRefuses", "Proxy=http://127.0.0.1:%DEAD\n", {}, {}, 200, false, 1}),
    [](const ::testing::TestParamInfo<ProxyCase>& info) { return std::string(info.param.name); });

// A pool whose every proxy fails: the keyword is not checked, its cell says so, the summary counts the
// proxies set aside and the checks not made, and the run ends with 1, never as a success.
TEST(CommandLinePool, ProxiesThatAllFailEndWithOneAndSaySo) {
    test::HttpServer wantsCredentials;
    test::HttpServer::Response credentials;
    credentials.status = 407;
    credentials.headers = {{"Proxy-Authenticate", "Basic realm=\"office\""}};
    wantsCredentials.SetFallback(credentials);
    test::RawServer closes;
    Installation installation;
    installation.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName)Values('www.mysite.com')"));
    installation.Exec(QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName)Values(1,'北京')"));
    installation.WriteEndpointsIni(
        endpointsIni(QStringLiteral("http://quorvane-engines.test"),
                     QStringLiteral("Proxies=http://127.0.0.1:%1, http://127.0.0.1:%2\n")
                         .arg(wantsCredentials.Port())
                         .arg(closes.Port())
                         .toUtf8()));

    const ProcessResult result =
        test::RunProgram(installation.Program(),
                         {QStringLiteral("--update"), QStringLiteral("--engines"), QStringLiteral("Bing")},
                         test::CronEnvironment());
    EXPECT_EQ(result.exitCode, 1) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("失败: "))) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("停用代理 2 个"))) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("1 项查询因无可用代理未进行")))
        << result.out.toStdString();
    EXPECT_TRUE(result.err.contains(QStringLiteral("没有读到任何结果页"))) << result.err.toStdString();
    EXPECT_EQ(installation.Scalar(QStringLiteral("Select BingRank From SE_KeyWord")),
              QString::fromUtf16(kRestrictedText));
    EXPECT_EQ(wantsCredentials.Requests().size(), 1);
    // The network layer tries a connection closed before any answer again by itself: one request all the
    // same.
    EXPECT_GE(closes.Connections(), 1);
}

TEST_F(CommandLineRun, DelayMsSpacesTheRequestsToOneEngine) {
    installation.WriteEndpointsIni(endpointsIni(server.BaseUrl(), "DelayMs=200\n"));
    // The site is on no page, so every check reads both pages.
    for (const QString& keyword : kKeywords)
        for (QStringView engine : {u"Bing", u"Yahoo"})
            ServeResults(engine, keyword, 0, LinksWithSiteAt(10, 0, kSite));
    const ProcessResult result = Update({QStringLiteral("--update"), QStringLiteral("--engines"),
                                         QStringLiteral("Bing,Yahoo"), QStringLiteral("--pages=2")});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    std::vector<std::chrono::steady_clock::time_point> bing;
    for (const test::HttpServer::Request& request : server.Requests())
        if (request.target.startsWith("/search?q="))
            bing.push_back(request.arrived);
    ASSERT_EQ(bing.size(), 6u); // three keywords, two pages each
    for (size_t i = 1; i < bing.size(); ++i)
        EXPECT_GE(bing[i] - bing[i - 1], 200ms) << "between Bing requests " << i - 1 << " and " << i;
}

// Mistakes in Endpoints.ini are the readers' values and the command line's to show: each once, on standard
// error, before the run, which goes on with what the mistakes leave (here: every engine on the loopback
// server, no pool, no delay, the engines side by side).
TEST_F(CommandLineRun, SettingsMistakesAreShownOnceEachAndTheRunGoesOn) {
    installation.WriteEndpointsIni(
        endpointsIni(server.BaseUrl(), "DelayMs=-5\nSideBySide=2\nProxies=ftp://x:1\n") +
        "[Endpoints]\nMaker=gopher://x\n");
    const ProcessResult result =
        Update({QStringLiteral("--update"), QStringLiteral("--quiet"), QStringLiteral("--engines=bing")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.startsWith(QStringLiteral("完成: 3/3 个关键词"))) << result.out.toStdString();
    const struct {
        const char* name;
        QString said;
    } shown[] = {
        {"endpoints", QStringLiteral(" 中有误, 有误的项已忽略, 仍使用程序内置的地址:")},
        {"pool", QStringLiteral(" 中的代理池设置有误, 有误的项已忽略, 未设时每个搜索引擎只用一个连接:")},
        {"delay", QStringLiteral(" 中的 DelayMs 有误, 有误的项已忽略, 未设时为 0:")},
        {"side by side", QStringLiteral(" 中的 SideBySide 有误, 有误的项已忽略, 未设时各搜索引擎同时查询:")},
    };
    for (const auto& s : shown)
        EXPECT_EQ(result.err.count(s.said), 1) << s.name << "\n" << result.err.toStdString();
    EXPECT_EQ(result.err.count(QStringLiteral("配置文件 ")), static_cast<qsizetype>(std::size(shown)))
        << result.err.toStdString();
}

} // namespace
} // namespace quorvane
