// Sites and keywords managed from the command line: what each command adds, skips and why, what it refuses
// (leaving the database as it was), and --list read back as a script would read it.
#include "cli/CommandLineOptions.h"
#include "cli/SiteCommands.h"
#include "platform/QStringPrinter.h"
#include "support/TempDatabase.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::TempDatabase;

class SiteCommands : public ::testing::Test {
protected:
    // Parses the arguments as the program does and runs the command they ask for.
    SiteCommandResult Run(const QStringList& arguments) {
        const ParsedCommandLine parsed = parseCommandLine(arguments);
        EXPECT_TRUE(parsed.options) << (parsed.error).toStdString();
        if (!parsed.options)
            return {ExitBadArguments, {}, {parsed.error}};
        return runSiteCommand(db.connection(), *parsed.options);
    }
    // Everything stored in the three tables: what a refused command must leave as it was.
    QString Everything() {
        return test::QueryRowsText(db.connection(),
                                   QStringLiteral("Select * From SE_KeyUrl Order By WebID")) +
               u'#' +
               test::QueryRowsText(db.connection(),
                                   QStringLiteral("Select * From SE_KeyWord Order By KeyWordID")) +
               u'#' + test::QueryRowsText(db.connection(), QStringLiteral("Select * From SE_RankHistory"));
    }
    QString Sites() {
        return test::QueryRowsText(db.connection(),
                                   QStringLiteral("Select UrlName,MatchRule From SE_KeyUrl Order By WebID"));
    }
    QString Keywords() {
        return test::QueryRowsText(
            db.connection(), QStringLiteral("Select WebID,KeyWordName From SE_KeyWord Order By KeyWordID"));
    }
    QString WriteFile(const QByteArray& bytes) {
        const QString path = dir.filePath(QStringLiteral("keywords.txt"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    TempDatabase db;
    QTemporaryDir dir;
};

TEST_F(SiteCommands, AddSiteAddsTheSiteWithItsRuleAndTheKeywordsNotYetThere) {
    const SiteCommandResult result =
        Run({"--add-site", "www.example.com", "--match", "domain", "关键词", "另一个", "关键词", " "});
    EXPECT_EQ(result.status, ExitCompleted) << (result.err.join(u'\n')).toStdString();
    EXPECT_EQ(result.out, (QStringList{"已添加网址: www.example.com (整个域名)", "已添加关键词: 关键词",
                                       "已添加关键词: 另一个", "跳过关键词 关键词: 出现重复关键词!"}));
    EXPECT_EQ(Sites(), QStringLiteral("www.example.com|2"));
    EXPECT_EQ(Keywords(), QStringLiteral("1|关键词\n1|另一个"));
    EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_KeyUrl Where isCheck=-1 And State='删除'")),
              QStringLiteral("1"));

    // Again, with one more keyword: the site is there, the known keyword is skipped and says why.
    const SiteCommandResult again = Run({"--add-site", "www.example.com", "关键词", "第三个"});
    EXPECT_EQ(again.status, ExitCompleted);
    EXPECT_EQ(again.out, (QStringList{"网址已存在: www.example.com (整个域名)",
                                      "跳过关键词 关键词: 出现重复关键词!", "已添加关键词: 第三个"}));
    EXPECT_EQ(Sites(), QStringLiteral("www.example.com|2")) << "no --match keeps the rule";
}

TEST_F(SiteCommands, TheSiteIsItsHostUnderTheHostRulesAndItsCanonicalFormUnderTheAddressRule) {
    EXPECT_EQ(Run({"--add-site", "https://www.example.com/blog", "--match", "host"}).status, ExitCompleted);
    EXPECT_EQ(Run({"--add-site", "https://www.example.com/blog"}).out,
              QStringList{"已添加网址: https:www.example.comblog (完整网址)"});
    EXPECT_EQ(Sites(), QStringLiteral("www.example.com|1\nhttps:www.example.comblog|"));
}

TEST_F(SiteCommands, AStoredSiteSwitchedToAHostRuleBecomesItsHost) {
    db.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName,isCheck)Values('https:www.example.com',-1)"));
    db.Exec(QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName,GoogleRank)Values(1,'k','7')"));
    const SiteCommandResult result = Run({"--add-site", "https://www.example.com", "--match=host"});
    EXPECT_EQ(result.status, ExitCompleted) << (result.err.join(u'\n')).toStdString();
    EXPECT_EQ(result.out, QStringList{"网址已存在, 匹配方式改为 同一主机: www.example.com"});
    EXPECT_EQ(Sites(), QStringLiteral("www.example.com|1"));
    EXPECT_EQ(Keywords(), QStringLiteral("1|k")) << "its keywords stay with it";

    // And back to the whole address: the text stays as it is now.
    EXPECT_EQ(Run({"--add-site", "www.example.com", "--match", "address"}).status, ExitCompleted);
    EXPECT_EQ(Sites(), QStringLiteral("www.example.com|0"));
}

TEST_F(SiteCommands, RefusedArgumentsLeaveTheDatabaseAsItWas) {
    db.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName,isCheck)Values('www.a.cn',-1)"));
    db.Exec(QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName)Values(1,'k')"));
    const QString before = Everything();
    struct Refused {
        QStringList arguments;
        QString says;
    };
    const Refused cases[] = {
        {{"--add-site", "  "}, QStringLiteral("链接不能为空!")},
        {{"--add-site", QString(51, u'x') + QStringLiteral(".cn")}, QStringLiteral("链接超过 50 个字符")},
        // The keyword too long for its column refuses the site and the other keywords with it.
        {{"--add-site", "www.b.cn", "好", QString(21, u'长')}, QStringLiteral("关键词超过 20 个字符")},
        {{"--add-site", "www.a.cn", "新", QString(21, u'长')}, QStringLiteral("关键词超过 20 个字符")},
        {{"--add-site", "not a host", "--match", "domain", "k2"}, QStringLiteral("链接中没有有效的主机名!")},
        {{"--add-keywords", "www.nowhere.cn", "/no/such/file"}, QStringLiteral("找不到网址: www.nowhere.cn")},
        {{"--add-keywords", "www.a.cn", "/no/such/file"}, QStringLiteral("导入文件不存在或无法读取!")},
        {{"--remove-site", "www.nowhere.cn"}, QStringLiteral("找不到网址")},
        {{"--remove-keyword", "www.a.cn", "nothing"}, QStringLiteral("找不到关键词: nothing")},
    };
    for (const Refused& c : cases) {
        const SiteCommandResult result = Run(c.arguments);
        EXPECT_EQ(result.status, ExitBadArguments) << (c.arguments.join(u' ')).toStdString();
        EXPECT_TRUE(result.out.isEmpty()) << (result.out.join(u'\n')).toStdString();
        ASSERT_EQ(result.err.size(), 1) << (c.arguments.join(u' ')).toStdString();
        EXPECT_TRUE(result.err[0].contains(c.says)) << (result.err[0]).toStdString();
        EXPECT_EQ(Everything(), before) << (c.arguments.join(u' ')).toStdString();
    }
}

TEST_F(SiteCommands, ArgumentsTheParserRefuses) {
    const QList<QStringList> wrong = {
        {"--match", "host"},
        {"--add-site", "a.cn", "--match", "exact"},
        {"--add-site", "a.cn", "--list"},
        {"--add-site", "a.cn", "--update"},
        {"--add-keywords", "a.cn"},
        {"--add-keywords", "a.cn", "one.txt", "two.txt"},
        {"--remove-keyword", "a.cn"},
        {"--remove-site", "a.cn", "extra"},
        {"--list", "extra"},
        {"--list", "--quiet"},
        {"--list", "--pages", "2"},
    };
    for (const QStringList& arguments : wrong) {
        const ParsedCommandLine parsed = parseCommandLine(arguments);
        EXPECT_FALSE(parsed.options) << (arguments.join(u' ')).toStdString();
        EXPECT_FALSE(parsed.error.isEmpty());
    }
    const QString usage = usageText();
    for (const char* option :
         {"--add-site", "--match", "--add-keywords", "--list", "--remove-site", "--remove-keyword"})
        EXPECT_TRUE(usage.contains(QString::fromLatin1(option) + u' ')) << option;
}

TEST_F(SiteCommands, AddKeywordsReadsOneKeywordPerLineAsTheImportDoes) {
    db.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName,isCheck,MatchRule)Values('www.a.cn',-1,1)"));
    db.Exec(QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName)Values(1,'旧的')"));
    const QString file = WriteFile(QStringLiteral("新的\r\n\r\n旧的\n  有空格 \n新的\n").toUtf8() +
                                   QString(21, u'长').toUtf8() + "\n");
    // The site is found by the address as typed with a scheme.
    const SiteCommandResult result = Run({"--add-keywords", "http://www.a.cn/", file});
    EXPECT_EQ(result.status, ExitCompleted) << (result.err.join(u'\n')).toStdString();
    EXPECT_EQ(result.out, (QStringList{"网址: www.a.cn (同一主机)", "已添加关键词: 新的",
                                       "跳过关键词 旧的: 出现重复关键词!", "已添加关键词:   有空格 ",
                                       "跳过关键词 新的: 出现重复关键词!",
                                       "跳过关键词 " + QString(21, u'长') + ": 关键词超过 20 个字符"}));
    EXPECT_EQ(Keywords(), QStringLiteral("1|旧的\n1|新的\n1|  有空格 "));

    // A GBK file, as Windows editors save Chinese text.
    const QString gbk = WriteFile(QByteArray("\xb1\xb1\xbe\xa9\r\n"));
    EXPECT_EQ(Run({"--add-keywords", "www.a.cn", gbk}).out,
              (QStringList{"网址: www.a.cn (同一主机)", "已添加关键词: 北京"}));
}

TEST_F(SiteCommands, ListGivesEverySiteAndKeywordAsTabSeparatedLines) {
    db.Exec(QStringLiteral("Insert Into SE_KeyUrl(WebID,UrlName,isCheck,MatchRule)Values(1,'www.b.cn',-1,2),"
                           "(2,'www.a.cn',-1,Null),(3,'www.empty.cn',-1,1)"));
    db.Exec(QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName,Valid,BaiduRank,BaiduRank2,GoogleRank,"
                           "YahooRank,SogouRank,BingRank,SosoRank,YoudaoRank,UpdateTime)Values"
                           "(1,'b1','1','3','4','>100','5','6','7','8','9','2026-12-01'),"
                           "(2,'a	tab','0',Null,Null,'2',Null,Null,Null,Null,Null,'2026-12-02'),"
                           "(9,'orphan','1','1',Null,Null,Null,Null,Null,Null,Null,Null)"));
    const SiteCommandResult result = Run({"--list"});
    EXPECT_EQ(result.status, ExitCompleted);
    ASSERT_EQ(result.out.size(), 5) << (result.out.join(u'\n')).toStdString();
    const QStringList header = result.out[0].split(u'\t');
    EXPECT_EQ(header, (QStringList{"UrlName", "MatchRule", "KeyWordName", "Valid", "BaiduRank", "BaiduRank2",
                                   "GoogleRank", "YahooRank", "SogouRank", "BingRank", "SosoRank",
                                   "YoudaoRank", "UpdateTime"}));
    // Read back as a script would: a map per line by the header's names.
    QList<QMap<QString, QString>> rows;
    for (qsizetype i = 1; i < result.out.size(); ++i) {
        const QStringList fields = result.out[i].split(u'\t');
        ASSERT_EQ(fields.size(), header.size()) << (result.out[i]).toStdString();
        QMap<QString, QString> row;
        for (qsizetype f = 0; f < header.size(); ++f)
            row.insert(header[f], fields[f]);
        rows << row;
    }
    EXPECT_EQ(rows[0]["UrlName"], "www.a.cn");
    EXPECT_EQ(rows[0]["MatchRule"], "address");
    EXPECT_EQ(rows[0]["KeyWordName"], "a tab");
    EXPECT_EQ(rows[0]["Valid"], "0");
    EXPECT_EQ(rows[0]["GoogleRank"], "2");
    EXPECT_EQ(rows[1]["UrlName"], "www.b.cn");
    EXPECT_EQ(rows[1]["MatchRule"], "domain");
    EXPECT_EQ(rows[1]["BaiduRank"], "3");
    EXPECT_EQ(rows[1]["GoogleRank"], ">100");
    EXPECT_EQ(rows[1]["YoudaoRank"], "9");
    EXPECT_EQ(rows[1]["UpdateTime"], "2026-12-01");
    EXPECT_EQ(rows[2]["UrlName"], "www.empty.cn");
    EXPECT_EQ(rows[2]["MatchRule"], "host");
    EXPECT_EQ(rows[2]["KeyWordName"], "") << "a site without keywords still has its line";
    EXPECT_EQ(rows[3]["UrlName"], "") << "a keyword whose site is gone comes last";
    EXPECT_EQ(rows[3]["KeyWordName"], "orphan");
}

TEST_F(SiteCommands, RemovingDeletesAsTheDialogDeletesAndKeepsHistory) {
    db.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName,isCheck)Values('www.a.cn',-1),('www.b.cn',-1)"));
    db.Exec(QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName)Values(1,'k1'),(1,'k2'),(2,'k1')"));
    db.Exec(
        QStringLiteral("Insert Into SE_RankHistory(KeyWordName,UrlName,GoogleRank,KeyWordID,WebID,UpdateTime)"
                       "Values('k1','www.a.cn',3,1,1,'2026-12-01')"));
    const SiteCommandResult keyword = Run({"--remove-keyword", "www.a.cn", "k1"});
    EXPECT_EQ(keyword.status, ExitCompleted);
    EXPECT_EQ(keyword.out, QStringList{"已删除关键词: k1"});
    EXPECT_EQ(Keywords(), QStringLiteral("1|k2\n2|k1"));

    const SiteCommandResult site = Run({"--remove-site", "http://www.a.cn"});
    EXPECT_EQ(site.status, ExitCompleted);
    EXPECT_EQ(site.out, QStringList{"已删除网址: www.a.cn"});
    EXPECT_EQ(Sites(), QStringLiteral("www.b.cn|"));
    EXPECT_EQ(Keywords(), QStringLiteral("1|k2\n2|k1")) << "the dialog leaves a deleted site's keywords";
    EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_RankHistory")), QStringLiteral("1"));
}

} // namespace
} // namespace quorvane
