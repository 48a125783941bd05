#include "store/Database.h"
#include "store/DbError.h"
#include "store/MissionList.h"
#include "store/Schema.h"
#include "support/TempDatabase.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quorvane {
namespace {

using test::TempDatabase;

const QString kPassword = QString::fromUtf16(kDbPassword);

QStringList columnsOf(Database& database, const QString& table) {
    Recordset rs;
    database.OpenSQL(rs, QStringLiteral("Select * From ") + table + QStringLiteral(" Where 1=2"));
    return rs.FieldNames();
}

TEST(SchemaUpgrade, AddsTwelveColumnsOnceThenOnlyProbes) {
    TempDatabase db(SchemaVersion::Older);
    QStringList sent;
    db.connection().SetStatementObserver([&](const QString& sql) { sent << sql; });

    db.connection().UpgradeSchema();
    const QStringList alters = sent.filter(QStringLiteral("Alter Table"));
    ASSERT_EQ(alters.size(), 12);
    EXPECT_EQ(alters.first(), QStringLiteral("Alter Table SE_RankHistory Add BaiduRank2 long"));
    EXPECT_EQ(alters.last(), QStringLiteral("Alter Table SE_KeyWord Add YoudaoRank Text(50)"));
    EXPECT_TRUE(
        columnsOf(db.connection(), QStringLiteral("SE_KeyWord")).contains(QStringLiteral("SogouRank")));
    EXPECT_TRUE(
        columnsOf(db.connection(), QStringLiteral("SE_RankHistory")).contains(QStringLiteral("YoudaoRank")));

    // The second start only probes.
    sent.clear();
    db.connection().UpgradeSchema();
    EXPECT_EQ(sent.filter(QStringLiteral("Alter Table")).size(), 0);
    EXPECT_EQ(sent.filter(QStringLiteral("Where 1=2")).size(), 12);
}

TEST(SchemaUpgrade, AddedTextColumnsKeepTheirWidth) {
    TempDatabase db(SchemaVersion::Older);
    db.connection().UpgradeSchema();
    db.Exec(QStringLiteral("Insert into SE_KeyWord(WebID,KeyWordName)values(1,'k')"));
    EXPECT_TRUE(db.connection().ExecSQLInTrans(db.connection().execQuery,
                                               QStringLiteral("Update SE_KeyWord Set YahooRank='") +
                                                   QString(50, u'9') + u'\''));
    EXPECT_FALSE(db.connection().ExecSQLInTrans(db.connection().execQuery,
                                                QStringLiteral("Update SE_KeyWord Set YahooRank='") +
                                                    QString(51, u'9') + u'\''));
    EXPECT_EQ(db.Scalar(QStringLiteral("Select YahooRank From SE_KeyWord")), QString(50, u'9'));
}

TEST(EnsureColumn, ColumnUnderAnotherCaseIsReportedFalse) {
    TempDatabase db;
    EXPECT_FALSE(db.connection().EnsureColumn(QStringLiteral("SE_KeyWord"), QStringLiteral("YahooRank"),
                                              QStringLiteral("Text(50)")));
    // Another letter case is not the same name to the probe, and the ALTER fails: false, nothing thrown.
    EXPECT_FALSE(db.connection().EnsureColumn(QStringLiteral("SE_KeyWord"), QStringLiteral("yahoorank"),
                                              QStringLiteral("Text(50)")));
    EXPECT_THROW(db.connection().EnsureColumn(QStringLiteral("NoSuchTable"), QStringLiteral("X"),
                                              QStringLiteral("long")),
                 DbError);
}

TEST(ExecSQLInTrans, FailureRollsBackAndTheNextStatementWorks) {
    TempDatabase db;
    EXPECT_FALSE(db.connection().ExecSQLInTrans(db.connection().execQuery,
                                                QStringLiteral("Update NoSuchTable Set x=1")));
    EXPECT_FALSE(
        db.connection().ExecSQLInTrans(db.connection().execQuery, QStringLiteral("this is not sql")));
    EXPECT_TRUE(db.connection().ExecSQLInTrans(
        db.connection().execQuery,
        QStringLiteral("Insert Into SE_KeyUrl(UrlName,isCheck)Values('a.com',-1)")));
    EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_KeyUrl")), QStringLiteral("1"));
}

TEST(ExecSQLInTrans, RefusesASecondStatementInOneText) {
    TempDatabase db;
    db.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName)Values('a.com')"));
    EXPECT_FALSE(db.connection().ExecSQLInTrans(
        db.connection().execQuery,
        QStringLiteral("Insert Into SE_KeyUrl(UrlName)Values('b.com'); Delete From SE_KeyUrl")));
    EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_KeyUrl")), QStringLiteral("1"));
}

struct RoundTripCase {
    const char* name;
    const char16_t* keyword;
};

class TextRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(TextRoundTrip, StoredAndFoundUnchanged) {
    TempDatabase db;
    const QString keyword = QString::fromUtf16(GetParam().keyword);
    QString quoted = keyword;
    quoted.replace(u'\'', QStringLiteral("''"));
    db.Exec(QStringLiteral("Insert into SE_KeyWord(WebID,KeyWordName,AddTime,State,UpdateTime)values(1,'") +
            quoted + QStringLiteral("','2010-05-12','删除','2010-05-12')"));
    Recordset rs;
    ASSERT_EQ(db.connection().OpenSQL(rs, QStringLiteral("Select * From SE_KeyWord Where KeyWordName='") +
                                              quoted + u'\''),
              1);
    EXPECT_EQ(rs.FieldText(QStringLiteral("KeyWordName")), keyword);
    EXPECT_EQ(rs.FieldText(QStringLiteral("Valid")),
              QStringLiteral("1")); // the default lets it take part at once
    EXPECT_TRUE(rs.FieldByName(QStringLiteral("GoogleRank")).isNull());
}

const RoundTripCase kRoundTrips[] = {
    {"apostrophe", u"it's"},
    {"chinese", u"北京 旅游"},
    {"two_quotes", u"''"},
    {"hash_date_in_text", u"#2010-05-12#"},
    {"twenty_chars", u"一二三四五六七八九十一二三四五六七八九十"},
};

INSTANTIATE_TEST_SUITE_P(Keywords, TextRoundTrip, ::testing::ValuesIn(kRoundTrips),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TextWidth, TooLongIsRefusedNotCut) {
    TempDatabase db;
    EXPECT_FALSE(db.connection().ExecSQLInTrans(
        db.connection().execQuery, QStringLiteral("Insert into SE_KeyWord(WebID,KeyWordName)values(1,'") +
                                       QString(21, u'字') + QStringLiteral("')")));
    EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_KeyWord")), QStringLiteral("0"));
}

TEST(Dates, WrittenAsTextFoundByJetLiteral) {
    TempDatabase db;
    db.Exec(QStringLiteral(
        "Insert Into SE_RankHistory(KeyWordName,UrlName,GoogleRank,BaiduRank,UpdateTime,KeyWordID,WebID)"
        "Values('k','u',3,0,'2010-05-12',1,1)"));
    EXPECT_EQ(
        db.Scalar(QStringLiteral("Select UpdateTime From SE_RankHistory Where UpdateTime=#2010-05-12#")),
        QStringLiteral("2010-05-12"));
    EXPECT_EQ(db.Scalar(QStringLiteral(
                  "Select count(*) From SE_RankHistory Where UpdateTime Between #2010-05-12# and "
                  "#2010-05-12#")),
              QStringLiteral("1"));
    EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_RankHistory Where UpdateTime=#2010-05-13#")),
              QStringLiteral("0"));
}

TEST(Collation, TextComparesWithoutCase) {
    TempDatabase db;
    db.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName)Values('Example.COM')"));
    EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_KeyUrl Where UrlName='example.com'")),
              QStringLiteral("1"));
}

TEST(MissionList, FilterLeftJoinAndOrder) {
    TempDatabase db;
    db.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName)Values('b.com')")); // WebID 1
    db.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName)Values('a.com')")); // WebID 2
    db.Exec(QStringLiteral("Insert into SE_KeyWord(WebID,KeyWordName)values(1,'kb')"));
    db.Exec(QStringLiteral("Insert into SE_KeyWord(WebID,KeyWordName)values(2,'ka')"));
    db.Exec(QStringLiteral("Insert into SE_KeyWord(WebID,KeyWordName,Valid)values(2,'off','0')"));
    db.Exec(QStringLiteral("Insert into SE_KeyWord(WebID,KeyWordName)values(99,'orphan')"));
    Recordset mission;
    ASSERT_EQ(OpenMissionList(db.connection(), mission), 3);
    const int name = mission.FieldIndex(u"KeyWordName");
    const int url = mission.FieldIndex(u"UrlName");
    EXPECT_EQ(mission.FieldNames().size(), 13);
    EXPECT_EQ(mission.Value(0, name).toString(), QStringLiteral("orphan"));
    EXPECT_TRUE(mission.Value(0, url).toString().isEmpty());
    EXPECT_EQ(mission.Value(1, url).toString(), QStringLiteral("a.com"));
    EXPECT_EQ(mission.Value(2, url).toString(), QStringLiteral("b.com"));
}

class ConnectFailure : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Database database;
};

TEST_F(ConnectFailure, MissingFileIsNotCreated) {
    const QString path = dir.filePath(QStringLiteral("DataBase/Trevanid.mdb"));
    EXPECT_FALSE(database.ConnectDB(path, kPassword));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(ConnectFailure, WrongPassword) {
    const QString path = dir.filePath(QStringLiteral("t.mdb"));
    ASSERT_TRUE(CreateDatabase(path, kPassword, SchemaVersion::Full, nullptr));
    EXPECT_FALSE(database.ConnectDB(path, QStringLiteral("wrong")));
    EXPECT_FALSE(database.IsConnected());
    EXPECT_TRUE(database.ConnectDB(path, kPassword));
}

TEST_F(ConnectFailure, NotADatabaseAndTruncated) {
    const QString text = dir.filePath(QStringLiteral("text.mdb"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(5000, 'x'));
    f.close();
    EXPECT_FALSE(database.ConnectDB(text, kPassword));

    const QString truncated = dir.filePath(QStringLiteral("cut.mdb"));
    ASSERT_TRUE(CreateDatabase(truncated, kPassword, SchemaVersion::Full, nullptr));
    QFile g(truncated);
    ASSERT_TRUE(g.resize(100));
    EXPECT_FALSE(database.ConnectDB(truncated, kPassword));
}

TEST_F(ConnectFailure, ReadOnlyFileIsRefused) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes read-only files";
    const QString path = dir.filePath(QStringLiteral("ro.mdb"));
    ASSERT_TRUE(CreateDatabase(path, kPassword, SchemaVersion::Full, nullptr));
    ::chmod(QFile::encodeName(path).constData(), 0444);
    EXPECT_FALSE(database.ConnectDB(path, kPassword));
}

TEST(CreateDatabase, RefusesToOverwrite) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.mdb"));
    ASSERT_TRUE(CreateDatabase(path, kPassword, SchemaVersion::Full, nullptr));
    QString error;
    EXPECT_FALSE(CreateDatabase(path, kPassword, SchemaVersion::Full, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("overwrite")));
    Database database;
    EXPECT_TRUE(database.ConnectDB(path, kPassword)); // the first file is intact
}

TEST(CreateDatabase, FileIsUnreadableWithoutPassword) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.mdb"));
    ASSERT_TRUE(CreateDatabase(path, kPassword, SchemaVersion::Full, nullptr));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_FALSE(bytes.startsWith("SQLite format 3"));
    EXPECT_FALSE(bytes.contains("SE_KeyWord"));
}

TEST(Durability, CommittedRowsSurviveAReconnect) {
    TempDatabase db;
    db.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName)Values('kept.com')"));
    Database other;
    ASSERT_TRUE(other.ConnectDB(db.Path(), kPassword));
    Recordset rs;
    EXPECT_EQ(other.OpenSQL(rs, QStringLiteral("Select * From SE_KeyUrl")), 1);
}

} // namespace
} // namespace quorvane
