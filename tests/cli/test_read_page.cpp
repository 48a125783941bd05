// Quorvane --read-page as users run it: the real program on saved pages, its lines and exit statuses; and
// --update against loopback stand-ins of the engines answering with real pages of today.
#include "../runs/EngineFixture.h"
#include "Installation.h"

#include "pages/BodyInflater.h"
#include "platform/QStringPrinter.h"
#include "support/Files.h"
#include "support/LoopbackEndpoints.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::Installation;
using test::ProcessResult;

class ReadPage : public ::testing::Test {
protected:
    ProcessResult Read(const QByteArray& page, const QString& engine) {
        const QString path = installation.Folder() + QStringLiteral("/saved page.html");
        EXPECT_TRUE(test::WriteFile(path, page));
        return test::RunProgram(installation.Program(),
                                {QStringLiteral("--read-page"), path, QStringLiteral("--engine"), engine},
                                test::CronEnvironment());
    }

    Installation installation; // with its database: a copy beside its data, which reads Engines.ini beside it
};

TEST_F(ReadPage, PrintsOneLinePerResultInPageOrder) {
    const ProcessResult r = Read(R"(<html><head><meta charset=utf-8></head><body><div id=content_left>
<div id=1 data-tuiguang=x><h3><a href="http://www.baidu.com/baidu.php?url=ad">推广</a></h3><a class=c-showurl>ad.example</a></div>
<div id=2><h3><a href="http://www.baidu.com/link?url=AbC">一</a></h3><div class=f13><a class=c-showurl>www.example.com/...</a></div></div>
<div id=3><h3><a href="http://www.baidu.com/link?url=DeF">二</a></h3></div>
</div></body></html>)",
                                 QStringLiteral("baidu"));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("1\thttp://www.baidu.com/baidu.php?url=ad\tad.example\tpromoted\n"
                                    "2\thttp://www.baidu.com/link?url=AbC\twww.example.com/...\n"
                                    "3\thttp://www.baidu.com/link?url=DeF\t\n"));
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
}

// A page of the period markup reads as the markers read it; GBK bytes without a declaration decode as GBK.
TEST_F(ReadPage, APeriodPageReadsAsTheMarkersReadIt) {
    const ProcessResult r = Read(test::ResultPage(u"Sogou", {QStringLiteral("http://a.example/"),
                                                             QStringLiteral("http://b.example/")}),
                                 QStringLiteral("Sogou"));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("1\thttp://a.example/\t\n2\thttp://b.example/\t\n"));
}

struct EndCase {
    const char* name;
    QByteArray page;
    const char* engine;
    int exitCode;
    const char* said; // in standard error
};

class ReadPageEnds : public ReadPage, public ::testing::WithParamInterface<EndCase> {};

TEST_P(ReadPageEnds, SayWhyOnStandardErrorWithTheirStatus) {
    const EndCase& c = GetParam();
    const ProcessResult r = Read(c.page, QString::fromLatin1(c.engine));
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.said))) << r.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Pages, ReadPageEnds,
    ::testing::Values(
        EndCase{"not_understood", "<html><body><p>a layout nobody knows</p></body></html>", "Bing", 1,
                "无法识别结果页"},
        EndCase{"verification",
                "<html><head><meta charset=utf-8><title>百度安全验证</title></head><body></body></html>",
                "Baidu", 1, "验证页面"},
        EndCase{
            "no_results",
            "<html><head><meta charset=utf-8></head><body><ol id=b_results><li class=b_no><h1>There are no "
            "results for <strong>qqzzx</strong></h1></li></ol></body></html>",
            "Bing", 0, "没有找到结果"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReadPage, ArgumentsItCannotUseEndWithTwo) {
    const QString missing = installation.Folder() + QStringLiteral("/no such page.html");
    const struct {
        QStringList arguments;
        const char* said;
    } cases[] = {
        {{QStringLiteral("--read-page"), missing, QStringLiteral("--engine"), QStringLiteral("Bing")},
         "no such page.html"},
        {{QStringLiteral("--read-page"), missing, QStringLiteral("--engine"), QStringLiteral("Altavista")},
         "未知的搜索引擎: Altavista"},
        {{QStringLiteral("--read-page"), missing}, "--read-page 和 --engine 须一起使用"},
        {{QStringLiteral("--read-page"), missing, QStringLiteral("--engine"), QStringLiteral("Bing"),
          QStringLiteral("--update")},
         "不能与 --update"},
    };
    for (const auto& c : cases) {
        const ProcessResult r =
            test::RunProgram(installation.Program(), c.arguments, test::CronEnvironment());
        EXPECT_EQ(r.exitCode, 2) << c.arguments.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.said))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}

// The way a user checks an Engines.ini change against a page that a run could not read.
TEST_F(ReadPage, EnginesIniBesideTheProgramIsReadFirst) {
    const QByteArray page = R"(<html><body><div id=web-results><article class=result><a class=title
href="http://one.example/">1</a></article><article class=result><a class=title href="http://two.example/">2</a>
</article></div></body></html>)";
    EXPECT_EQ(Read(page, QStringLiteral("Bing")).exitCode, 1);
    ASSERT_TRUE(test::WriteFile(installation.Folder() + QStringLiteral("/Engines.ini"),
                                "[Bing]\nResults=#web-results > article.result\nResultLink=a.title\n"));
    const ProcessResult r = Read(page, QStringLiteral("Bing"));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("1\thttp://one.example/\t\n2\thttp://two.example/\t\n"));
}

// --update against loopback stand-ins answering with real pages of today: a site stored as one of a page's
// annotated result addresses (exact rule) gets that result's annotated position as its rank.
// The real program with its database, its engines pointed at the loopback server.
class LoopbackUpdate : public test::EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        installation.WriteEndpointsIni(test::LoopbackEndpoints::Text(server.BaseUrl()));
    }

    Installation installation;
};

class RealPagesUpdate : public LoopbackUpdate {
protected:
    void SetUp() override {
        if (!QDir(QStringLiteral(QUORVANE_REAL_SERPS_DIR)).exists())
            GTEST_SKIP()
                << "the real result pages are not beside this clone: they are shared material, not part "
                   "of the repository";
        LoopbackUpdate::SetUp();
    }
};

TEST_F(RealPagesUpdate, SitesStoredAsResultAddressesGetTheirAnnotatedRank) {
    const QString folder = QStringLiteral(QUORVANE_REAL_SERPS_DIR);
    const struct {
        const char16_t* engine;
        const char* page;
    } pages[] = {// Baidu's result addresses (its /link?url= links) are longer than a stored site may be.
                 {u"Google", "google-2021-10-02-1"},
                 {u"Yahoo", "yahoo-2021-06-27-1"},
                 {u"Bing", "bing-2021-04-16-1"}};
    installation.Exec(QStringLiteral("Delete From SE_KeyWord"));
    installation.Exec(QStringLiteral("Delete From SE_KeyUrl"));
    QStringList engines;
    int site = 0;
    std::vector<std::pair<QString, int>> wanted; // the engine's rank column and the annotated position
    for (const auto& p : pages) {
        const QString engine = QString::fromUtf16(p.engine);
        const QString name = QString::fromLatin1(p.page);
        QFile gz(folder + QStringLiteral("/pages/") + name + QStringLiteral(".html.gz"));
        ASSERT_TRUE(gz.open(QIODevice::ReadOnly));
        QByteArray html;
        BodyInflater inflater(BodyInflater::Encoding::Gzip);
        inflater.append(gz.readAll(), html, 64 * 1024 * 1024);
        QFile expected(folder + QStringLiteral("/expected/") + name + QStringLiteral(".txt"));
        ASSERT_TRUE(expected.open(QIODevice::ReadOnly));
        const QStringList addresses = QString::fromUtf8(expected.readAll()).split(u'\n', Qt::SkipEmptyParts);
        // The first annotated address short enough for the site column (50 characters), from the third on.
        int position = 0;
        for (qsizetype i = 2; i < addresses.size() && position == 0; ++i)
            if (addresses[i].size() <= 50)
                position = static_cast<int>(i + 1);
        ASSERT_GT(position, 0) << name.toStdString();
        const QString keyword = QStringLiteral("词") + QString::number(++site);
        installation.Exec(QStringLiteral("Insert Into SE_KeyUrl(WebID,UrlName,isCheck)Values(%1,'%2',-1)")
                              .arg(site)
                              .arg(addresses[position - 1]));
        installation.Exec(QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName)Values(%1,'%2')")
                              .arg(site)
                              .arg(keyword));
        for (const auto& other : pages)
            server.ServePage(Target(other.engine, keyword, 0), html, "text/html; charset=utf-8");
        engines << engine;
        wanted.emplace_back(findEngine(engine)->rankColumn.toString(), position);
    }
    const ProcessResult r = test::RunProgram(installation.Program(),
                                             {QStringLiteral("--update"), QStringLiteral("--engines"),
                                              engines.join(u','), QStringLiteral("--quiet")},
                                             test::CronEnvironment());
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString() << r.out.toStdString();
    for (int i = 0; i < static_cast<int>(wanted.size()); ++i)
        EXPECT_EQ(installation.Scalar(QStringLiteral("Select %1 From SE_KeyWord Where WebID=%2")
                                          .arg(wanted[static_cast<size_t>(i)].first)
                                          .arg(i + 1)),
                  QString::number(wanted[static_cast<size_t>(i)].second))
            << wanted[static_cast<size_t>(i)].first.toStdString();
}

// Baidu's results link through the engine: under the host rule the address the page shows decides.
TEST_F(LoopbackUpdate, ABaiduResultShowingTheSitesHostCountsUnderTheHostRule) {
    QByteArray page = "<html><head><meta charset=utf-8></head><body><div id=content_left>";
    const char* shown[] = {"www.other.cn/a", "news.example.com/x", "www.example.com/blog/p...",
                           "www.example.com"};
    for (int i = 0; i < 4; ++i)
        page += "<div id=" + QByteArray::number(i + 1) + "><h3><a href=\"http://www.baidu.com/link?url=r" +
                QByteArray::number(i) + "\">t</a></h3><a class=c-showurl>" + shown[i] + "</a></div>";
    page += "</div></body></html>";
    installation.Exec(QStringLiteral(
        "Insert Into SE_KeyUrl(WebID,UrlName,isCheck,MatchRule)Values(1,'www.example.com',-1,1)"));
    installation.Exec(QStringLiteral(
        "Insert Into SE_KeyUrl(WebID,UrlName,isCheck,MatchRule)Values(2,'www.example.com/a',-1,0)"));
    installation.Exec(QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName)Values(1,'k')"));
    installation.Exec(QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName)Values(2,'k')"));
    server.ServePage(Target(u"Baidu", QStringLiteral("k"), 0), page, "text/html; charset=utf-8");
    const ProcessResult r =
        test::RunProgram(installation.Program(),
                         {QStringLiteral("--update"), QStringLiteral("--engines"), QStringLiteral("Baidu")},
                         test::CronEnvironment());
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(installation.Scalar(QStringLiteral("Select BaiduRank From SE_KeyWord Where WebID=1")),
              QStringLiteral("3"));
    // The exact rule compares the link, which is the engine's: no match.
    EXPECT_EQ(installation.Scalar(QStringLiteral("Select BaiduRank From SE_KeyWord Where WebID=2")),
              QStringLiteral(">100"));
}

// A run that reads pages but understands none of them is no success for the command line either.
TEST_F(LoopbackUpdate, ARunThatUnderstoodNoPageEndsWithOne) {
    server.SetFallback(test::Answer(200, "<html><body><p>a layout nobody knows</p></body></html>"));
    installation.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName,isCheck)Values('www.mysite.com',-1)"));
    installation.Exec(QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName)Values(1,'k')"));
    const ProcessResult r =
        test::RunProgram(installation.Program(),
                         {QStringLiteral("--update"), QStringLiteral("--engines"), QStringLiteral("Bing")},
                         test::CronEnvironment());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("所有结果页都无法识别"))) << r.err.toStdString();
    EXPECT_FALSE(QString(r.out + r.err).contains(QStringLiteral("更新排名成功"))) << r.out.toStdString();
}

} // namespace
} // namespace quorvane
