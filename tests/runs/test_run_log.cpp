// Why a check found nothing: every result page is classified (read, not loaded, not understood), written to
// the run log, and pages no marker matched are kept; a run names the engines whose pages were not
// understood. Against a loopback server with a real browser.
#include "EngineFixture.h"

#include "engine/EngineDefinitions.h"
#include "pages/PageReader.h"
#include "runs/RunLog.h"
#include "store/SqlText.h"

#include "platform/QStringPrinter.h"
#include "support/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>

#include <ostream>

namespace quorvane {

void PrintTo(const PageCounts& c, std::ostream* os) {
    *os << "{read " << c.read << ", not loaded " << c.notLoaded << ", not understood " << c.notUnderstood
        << '}';
}

namespace {

using test::kKeyword;
using test::kSite;
using test::LinksWithSiteAt;

const QDateTime kNow(QDate(2026, 12, 10), QTime(9, 30, 5));

QByteArray fixture(const char* name) {
    QFile file(qEnvironmentVariable("QUORVANE_FIXTURES") + QStringLiteral("/Bing/") +
               QString::fromLatin1(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The data lines of a run log (the header line left out), split into their fields.
QList<QStringList> logLines(const QString& path) {
    QFile file(path);
    QList<QStringList> lines;
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.isEmpty() && !line.startsWith('#'))
            lines << QString::fromUtf8(line).split(u'\t');
    return lines;
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

// Warnings on standard error, counted.
int g_warnings = 0;
void countWarnings(QtMsgType type, const QMessageLogContext&, const QString&) {
    if (type == QtWarningMsg)
        ++g_warnings;
}

class RunLogTest : public test::EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        loadEngineDefinitions(QString());
        log.now = [this] { return now; };
        engine.runLog = &log;
    }
    void TearDown() override { loadEngineDefinitions(QString()); }

    void UseDefinitions(const QByteArray& text) {
        const QString path = dir.filePath(QStringLiteral("Engines.ini"));
        ASSERT_TRUE(test::WriteFile(path, text));
        ASSERT_TRUE(loadEngineDefinitions(path));
    }

    QTemporaryDir dir;
    RunLog log{dir.filePath(QStringLiteral("Logs"))};
    QDateTime now = kNow;
    test::MessageRecorder messages;
};

// A Bing page in a newer layout: the compiled markers find nothing, the README's two lines find the links.
struct LayoutCase {
    const char* name;
    QByteArray definitions;
    QStringList links;
    int rank;
    PageCounts pages;
};

class NewLayout : public RunLogTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(NewLayout, OverrideOfTheItemMarkersReadsThePage) {
    const LayoutCase& c = GetParam();
    if (!c.definitions.isEmpty())
        UseDefinitions(c.definitions);
    server.ServePage(Target(u"Bing", kKeyword, 0), fixture("results-new-layout.html"),
                     "text/html; charset=utf-8");

    const auto result = engine.checkEngineRank(kKeyword, kSite, u"Bing");
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(result.readAnyPage, c.rank > 0);
    EXPECT_EQ(result.pages, c.pages);
    EXPECT_EQ(result.rank, c.rank);
    QStringList addresses;
    for (const PageResult& r : engine.lastPageResults())
        addresses << r.address;
    EXPECT_EQ(addresses, c.links);
}

const LayoutCase kLayouts[] = {
    // The period markers find nothing; the compiled result definitions read today's layout.
    {"compiled_definitions",
     {},
     {"http://www.site-n1.com/", "http://www.site-n2.com/", "http://www.mysite.com/"},
     3,
     {1, 0, 0}},
    {"readme_override",
     "[Bing]\nItemStart=<LI class=b_algo>\nItemEnd=</A></H2>\n",
     {"http://www.site-n1.com/", "http://www.site-n2.com/", "http://www.mysite.com/"},
     3,
     {1, 0, 0}},
};

INSTANTIATE_TEST_SUITE_P(Bing, NewLayout, ::testing::ValuesIn(kLayouts),
                         [](const auto& info) { return std::string(info.param.name); });

using RunLogLines = RunLogTest;

// Page 0 answers 503, page 1 is a page without result items, page 2 holds the site as its 4th link.
TEST_F(RunLogLines, OneLinePerPageWithItsOutcome) {
    pageRange = 3;
    test::HttpServer::Response busy;
    busy.status = 503;
    busy.body = "<html><body>Service Unavailable</body></html>";
    server.Serve(Target(u"Bing", kKeyword, 0), busy);
    const QByteArray verification = "<html><head><meta charset=\"utf-8\"></head><body><div "
                                    "id=\"captcha\">请输入验证码</div></body></html>";
    server.ServePage(Target(u"Bing", kKeyword, 1), verification);
    ServeResults(u"Bing", kKeyword, 2, LinksWithSiteAt(8, 4, kSite));

    log.startRun();
    const auto result = engine.checkEngineRank(kKeyword, kSite, u"Bing");
    EXPECT_EQ(result.rank, 104);
    EXPECT_EQ(result.pages, (PageCounts{1, 1, 1}));

    const QString logPath = log.logPath(now.date());
    EXPECT_TRUE(logPath.endsWith(QStringLiteral("/Logs/run-2026-12-10.log")));
    const QList<QStringList> lines = logLines(logPath);
    ASSERT_EQ(lines.size(), 3);
    const QString base = server.BaseUrl();
    // time, engine, keyword, page, address, status, bytes, outcome, items, match, note
    const QStringList& unread = lines[0];
    ASSERT_EQ(unread.size(), 11);
    EXPECT_EQ(unread.mid(0, 4), (QStringList{QStringLiteral("2026-12-10T09:30:05"), QStringLiteral("Bing"),
                                             kKeyword, QStringLiteral("0")}));
    EXPECT_EQ(unread[4], resultPageUrl(u"Bing", kKeyword, 0));
    EXPECT_TRUE(unread[4].startsWith(base));
    EXPECT_EQ(unread.mid(5, 5),
              (QStringList{QStringLiteral("503"), QString::number(busy.body.size()),
                           QStringLiteral("not-loaded"), QStringLiteral("0"), QStringLiteral("none")}));
    EXPECT_FALSE(unread[10].isEmpty());

    const QStringList& unparsed = lines[1];
    EXPECT_EQ(unparsed.mid(3, 7),
              (QStringList{QStringLiteral("1"), resultPageUrl(u"Bing", kKeyword, 50), QStringLiteral("200"),
                           QString::number(verification.size()), QStringLiteral("not-understood"),
                           QStringLiteral("0"), QStringLiteral("none")}));
    const QStringList& read = lines[2];
    EXPECT_EQ(
        read.mid(3, 7).mid(0, 3),
        (QStringList{QStringLiteral("2"), resultPageUrl(u"Bing", kKeyword, 100), QStringLiteral("200")}));
    EXPECT_EQ(read.mid(7, 3),
              (QStringList{QStringLiteral("read"), QStringLiteral("8"), QStringLiteral("4")}));

    // The page nobody understood is kept as the scanners saw it.
    const QString unparsedFolder = dir.filePath(QStringLiteral("Logs/unparsed"));
    ASSERT_EQ(filesIn(unparsedFolder), QStringList{QStringLiteral("Bing-20261210-093005-000.html")});
    QFile kept(unparsedFolder + QStringLiteral("/Bing-20261210-093005-000.html"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    const QByteArray keptBytes = kept.readAll();
    EXPECT_TRUE(keptBytes.contains(toGbk(u"<DIV id=captcha>请输入验证码</DIV>"))) << keptBytes.toStdString();
    EXPECT_TRUE(keptBytes.contains(resultPageUrl(u"Bing", kKeyword, 50).toUtf8()));
}

TEST_F(RunLogLines, LinesOfLaterChecksAreAppended) {
    ServeResults(u"Bing", kKeyword, 0, LinksWithSiteAt(3, 0, kSite));
    log.startRun();
    engine.checkEngineRank(kKeyword, kSite, u"Bing");
    log.startRun();
    engine.checkEngineRank(kKeyword, kSite, u"Bing");
    const QList<QStringList> lines = logLines(log.logPath(now.date()));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1][7], QStringLiteral("read"));
    EXPECT_EQ(lines[1][9], QStringLiteral("none"));
}

TEST_F(RunLogLines, EachEngineKeepsItsTwentyNewestUnparsedPages) {
    for (int i = 0; i < 25; ++i) {
        now = kNow.addSecs(i);
        log.keepUnparsed(u"Bing", QStringLiteral("http://x/"), QByteArray("<BODY>" + QByteArray::number(i)));
    }
    log.keepUnparsed(u"Baidu", QStringLiteral("http://x/"), "<BODY>");
    const QStringList files = filesIn(dir.filePath(QStringLiteral("Logs/unparsed")));
    EXPECT_EQ(files.filter(QStringLiteral("Baidu-")).size(), 1);
    const QStringList bing = files.filter(QStringLiteral("Bing-"));
    ASSERT_EQ(bing.size(), RunLog::kUnparsedPerEngine);
    EXPECT_EQ(bing.first(), QStringLiteral("Bing-20261210-093010-000.html")); // the five oldest went
    EXPECT_EQ(bing.last(), QStringLiteral("Bing-20261210-093029-000.html"));
}

TEST_F(RunLogLines, StartOfARunRemovesFilesOlderThanThirtyDays) {
    const QString logs = dir.filePath(QStringLiteral("Logs"));
    ASSERT_TRUE(QDir().mkpath(logs + QStringLiteral("/unparsed")));
    const QStringList names{QStringLiteral("run-2026-11-09.log"),
                            QStringLiteral("run-2026-11-10.log"),
                            QStringLiteral("run-2026-12-09.log"),
                            QStringLiteral("run-2026-12-10.log"),
                            QStringLiteral("notes.txt"),
                            QStringLiteral("unparsed/Bing-20261001-120000-000.html"),
                            QStringLiteral("unparsed/Bing-20261208-120000-000.html")};
    for (const QString& name : names) {
        QFile file(logs + u'/' + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    log.startRun();
    EXPECT_EQ(filesIn(logs),
              (QStringList{QStringLiteral("notes.txt"), QStringLiteral("run-2026-11-10.log"),
                           QStringLiteral("run-2026-12-09.log"), QStringLiteral("run-2026-12-10.log")}));
    EXPECT_EQ(filesIn(logs + QStringLiteral("/unparsed")),
              QStringList{QStringLiteral("Bing-20261208-120000-000.html")});
}

// A log folder that cannot be written: the check goes on and finds the rank, one warning, no message box.
TEST_F(RunLogLines, UnwritableFolderDoesNotStopTheCheck) {
    const QString logs = dir.filePath(QStringLiteral("Logs"));
    QFile inTheWay(logs); // a file where the folder should be
    ASSERT_TRUE(inTheWay.open(QIODevice::WriteOnly));
    inTheWay.close();
    pageRange = 3;
    server.ServePage(Target(u"Bing", kKeyword, 0), "<html><body>nothing</body></html>");
    server.ServePage(Target(u"Bing", kKeyword, 1), "<html><body>nothing</body></html>");
    ServeResults(u"Bing", kKeyword, 2, LinksWithSiteAt(8, 2, kSite));

    g_warnings = 0;
    const QtMessageHandler previous = qInstallMessageHandler(countWarnings);
    log.startRun();
    const auto result = engine.checkEngineRank(kKeyword, kSite, u"Bing");
    qInstallMessageHandler(previous);

    EXPECT_TRUE(result.completed);
    EXPECT_EQ(result.rank, 102);
    EXPECT_EQ(result.pages, (PageCounts{1, 0, 2}));
    EXPECT_EQ(g_warnings, 1);
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_TRUE(QFileInfo(logs).isFile());
}

// A read-only folder, where permissions bind (not for the superuser).
TEST_F(RunLogLines, ReadOnlyFolderDoesNotStopTheCheck) {
    const QString logs = dir.filePath(QStringLiteral("Logs"));
    ASSERT_TRUE(QDir().mkpath(logs));
    QFile::setPermissions(logs, QFile::ReadOwner | QFile::ExeOwner);
    QFile probe(logs + QStringLiteral("/probe"));
    if (probe.open(QIODevice::WriteOnly)) {
        QFile::setPermissions(logs, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        GTEST_SKIP() << "permissions do not bind for this user";
    }
    ServeResults(u"Bing", kKeyword, 0, LinksWithSiteAt(8, 5, kSite));
    g_warnings = 0;
    const QtMessageHandler previous = qInstallMessageHandler(countWarnings);
    log.startRun();
    engine.checkEngineRank(kKeyword, kSite, u"Bing");
    const auto result = engine.checkEngineRank(kKeyword, kSite, u"Bing");
    qInstallMessageHandler(previous);
    QFile::setPermissions(logs, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(result.rank, 5);
    EXPECT_EQ(g_warnings, 1);
    EXPECT_TRUE(messages.Messages().empty());
}

// The end of a run tells the user which engines gave pages that were not understood.
class RunBalloon : public RunLogLines {
protected:
    void SetUp() override {
        RunLogLines::SetUp();
        db.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName,isCheck)Values('www.mysite.com',-1)"));
        db.Exec(QStringLiteral("Insert into SE_KeyWord(WebID,KeyWordName)values(1,") + quotedStr(kKeyword) +
                u')');
        runs.today = [] { return kNow.date(); };
        host.ticked = {QStringLiteral("Bing"), QStringLiteral("Google")};
    }
    QString Cell(const char* column) {
        return db.Scalar(QStringLiteral("Select ") + QString::fromLatin1(column) +
                         QStringLiteral(" From SE_KeyWord"));
    }

    test::TempDatabase db;
    Recordset missions;
    test::RecordingHost host{db.connection(), missions};
    RankRuns runs{db.connection(), missions, engine, host};
};

TEST_F(RunBalloon, NamesTheEnginesWhosePagesWereNotUnderstood) {
    // Without its result definitions, Bing's compiled period markers do not read today's layout.
    UseDefinitions("[Bing]\nResults=\n");
    server.ServePage(Target(u"Bing", kKeyword, 0), fixture("results-new-layout.html"),
                     "text/html; charset=utf-8");
    ServeResults(u"Google", kKeyword, 0, LinksWithSiteAt(5, 0, kSite));
    runs.runBatch();
    EXPECT_EQ(host.balloons,
              QStringList{QStringLiteral("提示/完成批量查询任务\nBing: 1 页无法识别，见 Logs")});
    EXPECT_EQ(runs.runPages().of(u"Bing"), (PageCounts{0, 0, 1}));
    EXPECT_EQ(runs.runPages().of(u"Google"), (PageCounts{1, 0, 0}));
    EXPECT_EQ(Cell("GoogleRank"), QStringLiteral(">100"));
    EXPECT_EQ(Cell("BingRank"), QString::fromUtf16(kNotUnderstoodText));

    // With the newer layout's markers the same run finds the rank, and the balloon is the plain one.
    UseDefinitions("[Bing]\nItemStart=<LI class=b_algo>\nItemEnd=</A></H2>\n");
    host.balloons.clear();
    runs.runBatch();
    EXPECT_EQ(host.balloons, QStringList{QStringLiteral("提示/完成批量查询任务")});
    EXPECT_EQ(Cell("BingRank"), QStringLiteral("3"));
    EXPECT_EQ(runs.runPages().of(u"Bing"), (PageCounts{1, 0, 0}));
}

// A page that ends its reader (a signal, its time, its memory) is a page not understood, with the reason in
// the log's note and the page kept as it came; the next keyword's page is read by a new reader and the run
// ends as any run does, naming the pages not understood.
TEST_F(RunBalloon, APageThatEndsItsReaderIsNotUnderstoodAndTheRunGoesOn) {
    PageReader::setTestHooksForNewReaders(true);
    // The hanging page's deadline, and a memory limit the allocating page reaches well within it.
    PageReader::Limits limits;
    limits.addressSpaceBytes = qint64(256) << 20;
    limits.deadline = std::chrono::seconds(5);
    PageReader::setLimitsForNewReaders(limits);
    const auto restore = qScopeGuard([] {
        PageReader::setTestHooksForNewReaders(false);
        PageReader::setLimitsForNewReaders({});
    });
    host.ticked = {QStringLiteral("Bing")};
    struct Keyword {
        QString name;
        const char* mark; // none: a page that reads
        const char16_t* note;
    };
    const QList<Keyword> keywords{
        {kKeyword, "signal-11", u"解析进程异常结束 (signal 11)"},
        {QStringLiteral("二"), "hang", u"超时"},
        {QStringLiteral("三"), "allocate", u"超过内存限制"},
        {QStringLiteral("四"), nullptr, u""},
    };
    for (const Keyword& k : keywords) {
        if (k.name != kKeyword)
            db.Exec(QStringLiteral("Insert into SE_KeyWord(WebID,KeyWordName)values(1,") + quotedStr(k.name) +
                    u')');
        QByteArray page = test::ResultPage(u"Bing", LinksWithSiteAt(5, 3, kSite));
        if (k.mark)
            page += "<!--quorvane-reader-test:" + QByteArray(k.mark) + "-->";
        server.ServePage(Target(u"Bing", k.name, 0), page);
    }

    EXPECT_EQ(runs.runBatch(), RunEnd::Completed);
    EXPECT_EQ(host.balloons,
              QStringList{QStringLiteral("提示/完成批量查询任务\nBing: 3 页无法识别，见 Logs")});
    EXPECT_EQ(runs.runPages().of(u"Bing"), (PageCounts{1, 0, 3}));
    for (const Keyword& k : keywords)
        EXPECT_EQ(db.Scalar(QStringLiteral("Select BingRank From SE_KeyWord Where KeyWordName=") +
                            quotedStr(k.name)),
                  k.mark ? QString::fromUtf16(kNotUnderstoodText) : QStringLiteral("3"))
            << k.name.toStdString();

    const QList<QStringList> lines = logLines(log.logPath(kNow.date()));
    ASSERT_EQ(lines.size(), keywords.size());
    for (const Keyword& k : keywords) {
        const auto line =
            std::find_if(lines.begin(), lines.end(), [&](const QStringList& l) { return l[2] == k.name; });
        ASSERT_NE(line, lines.end()) << k.name.toStdString();
        EXPECT_EQ(line->last(), QString::fromUtf16(k.note)) << k.name.toStdString();
    }
    // The pages that ended readers are kept as they came, test mark and all.
    const QStringList kept = filesIn(log.unparsedFolder());
    ASSERT_EQ(kept.size(), 3);
    for (const QString& name : kept)
        EXPECT_TRUE(
            test::ReadFileBytes(QDir(log.unparsedFolder()).filePath(name)).contains("quorvane-reader-test:"));
}

TEST_F(RunBalloon, PagesThatDidNotLoadAreNotCalledNotUnderstood) {
    test::HttpServer::Response busy;
    busy.status = 503;
    server.SetFallback(busy);
    runs.runBatch();
    EXPECT_EQ(host.balloons, QStringList{QStringLiteral("提示/完成批量查询任务")});
    EXPECT_EQ(runs.runPages().of(u"Bing"), (PageCounts{0, 1, 0}));
}

} // namespace
} // namespace quorvane
