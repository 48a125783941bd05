#include "store/Database.h"
#include "store/DbError.h"
#include "store/MissionList.h"
#include "store/Schema.h"
#include "support/TempDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <functional>

namespace quorvane {
namespace {

using test::TempDatabase;

const QString kPassword = QString::fromUtf16(kDbPassword);

QStringList columnsOf(Database& database, const QString& table) {
    Recordset rs;
    database.openQuery(rs, QStringLiteral("Select * From ") + table + QStringLiteral(" Where 1=2"));
    return rs.fieldNames();
}

TEST(SchemaUpgrade, AddsThirteenColumnsOnceThenOnlyProbes) {
    TempDatabase db(SchemaVersion::Older);
    QStringList sent;
    db.connection().setStatementObserver([&](const QString& sql) { sent << sql; });

    db.connection().upgradeSchema();
    const QStringList alters = sent.filter(QStringLiteral("Alter Table"));
    ASSERT_EQ(alters.size(), 13);
    EXPECT_EQ(alters.first(), QStringLiteral("Alter Table SE_RankHistory Add BaiduRank2 long"));
    EXPECT_EQ(alters[11], QStringLiteral("Alter Table SE_KeyWord Add YoudaoRank Text(50)"));
    EXPECT_EQ(alters.last(), QStringLiteral("Alter Table SE_KeyUrl Add MatchRule long"));
    EXPECT_TRUE(
        columnsOf(db.connection(), QStringLiteral("SE_KeyWord")).contains(QStringLiteral("SogouRank")));
    EXPECT_TRUE(
        columnsOf(db.connection(), QStringLiteral("SE_RankHistory")).contains(QStringLiteral("YoudaoRank")));

    // The second start only probes.
    sent.clear();
    db.connection().upgradeSchema();
    EXPECT_EQ(sent.filter(QStringLiteral("Alter Table")).size(), 0);
    EXPECT_EQ(sent.filter(QStringLiteral("Where 1=2")).size(), 13);
}

// A file of the version before sites had match rules: the upgrade adds only the rule, empty for every site,
// which the mission list gives as the whole-address rule; nothing stored changes.
TEST(SchemaUpgrade, SitesOfAnEarlierFileGainTheAddressRuleAndKeepTheirRows) {
    TempDatabase db(SchemaVersion::BeforeMatchRule);
    ASSERT_FALSE(
        columnsOf(db.connection(), QStringLiteral("SE_KeyUrl")).contains(QStringLiteral("MatchRule")));
    db.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName,isCheck)Values('www.mysite.cn',-1)"));
    db.Exec(QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName,GoogleRank,BaiduRank,YahooRank,Valid)"
                           "Values(1,'k','3','>100','7','1')"));
    const QString keywords = QStringLiteral("Select * From SE_KeyWord");
    const QString before = test::QueryRowsText(db.connection(), keywords);
    QStringList sent;
    db.connection().setStatementObserver([&](const QString& sql) { sent << sql; });
    db.connection().upgradeSchema();
    EXPECT_EQ(sent.filter(QStringLiteral("Alter Table")),
              QStringList{QStringLiteral("Alter Table SE_KeyUrl Add MatchRule long")});
    EXPECT_EQ(test::QueryRowsText(db.connection(), keywords), before);
    EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_KeyUrl Where MatchRule Is Null")),
              QStringLiteral("1"));
    Recordset missions;
    ASSERT_EQ(openMissionList(db.connection(), missions), 1);
    EXPECT_TRUE(missions.fieldByName(QStringLiteral("MatchRule")).isNull());
    EXPECT_EQ(missions.fieldText(QStringLiteral("GoogleRank")), QStringLiteral("3"));

    // What the previous version sends still works on the upgraded file: its mission list and its add of a
    // site, which leaves the rule empty (the whole address).
    Recordset previousList;
    EXPECT_EQ(
        db.connection().openQuery(
            previousList,
            QStringLiteral("select a.KeyWordID,a.WebID,KeyWordName,b.UrlName,a.GoogleRank,a.BaiduRank,"
                           "a.BaiduRank2,a.SogouRank,a.SosoRank,a.YahooRank,a.YoudaoRank,a.BingRank,"
                           "a.UpdateTime from SE_KeyWord a left join SE_KeyUrl b on a.WebID=b.WebID Where "
                           "Valid='1'  Order By b.UrlName")),
        1);
    EXPECT_TRUE(db.connection().execInTransaction(
        db.connection().execQuery,
        QStringLiteral("Insert Into SE_KeyUrl(UrlName,AddTime,State,UpdateTime,isCheck)"
                       "Values('www.b.cn','2026-12-11','删除','2026-12-11',-1)")));
    EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_KeyUrl Where MatchRule Is Null")),
              QStringLiteral("2"));
}

TEST(SchemaUpgrade, AddedTextColumnsKeepTheirWidth) {
    TempDatabase db(SchemaVersion::Older);
    db.connection().upgradeSchema();
    db.Exec(QStringLiteral("Insert into SE_KeyWord(WebID,KeyWordName)values(1,'k')"));
    EXPECT_TRUE(db.connection().execInTransaction(db.connection().execQuery,
                                                  QStringLiteral("Update SE_KeyWord Set YahooRank='") +
                                                      QString(50, u'9') + u'\''));
    EXPECT_FALSE(db.connection().execInTransaction(db.connection().execQuery,
                                                   QStringLiteral("Update SE_KeyWord Set YahooRank='") +
                                                       QString(51, u'9') + u'\''));
    EXPECT_EQ(db.Scalar(QStringLiteral("Select YahooRank From SE_KeyWord")), QString(50, u'9'));
}

TEST(EnsureColumn, ColumnUnderAnotherCaseIsReportedFalse) {
    TempDatabase db;
    EXPECT_FALSE(db.connection().ensureColumn(QStringLiteral("SE_KeyWord"), QStringLiteral("YahooRank"),
                                              QStringLiteral("Text(50)")));
    // Another letter case is not the same name to the probe, and the ALTER fails: false, nothing thrown.
    EXPECT_FALSE(db.connection().ensureColumn(QStringLiteral("SE_KeyWord"), QStringLiteral("yahoorank"),
                                              QStringLiteral("Text(50)")));
    EXPECT_THROW(db.connection().ensureColumn(QStringLiteral("NoSuchTable"), QStringLiteral("X"),
                                              QStringLiteral("long")),
                 DbError);
}

// Texts a column repeats are read once and shared; a column of ever new texts, long texts and texts that
// change after a column gave up sharing all still come back exactly, and an edit of one cell leaves the
// cells that shared its text alone.
TEST(OpenQuery, SharedTextsReadBackExactly) {
    TempDatabase db;
    db.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName)Values('www.mysite.com')"));
    // Keywords all different, more than a column shares; a state longer than any shared text; Google's
    // seven texts shared; Bing's shared until new texts come late in the list.
    const QString longState = QString(80, u'长');
    Database& connection = db.connection();
    const auto insert = [&](int first, int last, const QString& bing) {
        return connection.execInTransaction(
            connection.execQuery,
            QStringLiteral("Insert Into SE_KeyWord (WebID, KeyWordName, State, GoogleRank, BingRank) With "
                           "Recursive n(i) As (Select %1 Union All Select i+1 From n Where i < %2) Select 1, "
                           "'词' || i, '%3', i % 7, %4 From n")
                .arg(first)
                .arg(last)
                .arg(longState, bing));
    };
    ASSERT_TRUE(insert(1, 2500, QStringLiteral("'>50'")));
    ASSERT_TRUE(insert(2501, 3000, QStringLiteral("'late' || i")));
    Recordset rows;
    ASSERT_EQ(
        db.connection().openQuery(rows, QStringLiteral("Select KeyWordName, State, GoogleRank, BingRank "
                                                       "From SE_KeyWord Order By KeyWordID")),
        3000);
    for (const int i : {1, 2, 7, 2048, 2049, 2050, 2500, 2501, 3000}) {
        const int r = i - 1;
        EXPECT_EQ(rows.value(r, 0).toString(), QStringLiteral("词") + QString::number(i)) << i;
        EXPECT_EQ(rows.value(r, 1).toString(), longState) << i;
        EXPECT_EQ(rows.value(r, 2).toString(), QString::number(i % 7)) << i;
        EXPECT_EQ(rows.value(r, 3).toString(),
                  i > 2500 ? QStringLiteral("late") + QString::number(i) : QStringLiteral(">50"))
            << i;
    }
    // An edit of one cell leaves the cells that shared its text alone.
    rows.setCurrentRow(0);
    rows.edit();
    rows.setFieldValue(QStringLiteral("BingRank"), QStringLiteral("3"));
    EXPECT_EQ(rows.value(0, 3).toString(), QStringLiteral("3"));
    EXPECT_EQ(rows.value(1, 3).toString(), QStringLiteral(">50"));
    rows.cancel();
}

// A bound statement takes its values as they are, whatever characters they hold, and runs again with other
// values; a wrong number of values is an error, after which it still runs.
TEST(BoundStatement, ValuesAsTheyAreAndReuse) {
    TempDatabase db;
    Database& database = db.connection();
    const QString insert = QStringLiteral("Insert Into SE_KeyUrl(UrlName,isCheck)Values(?,?)");
    const QString find = QStringLiteral("Select count(*) From SE_KeyUrl Where UrlName=?");
    const QStringList names{QStringLiteral("it's"), QStringLiteral("a'); Drop Table SE_KeyWord;--"),
                            QStringLiteral("서울😀"), QStringLiteral("#2010-05-12#")};
    for (const QString& name : names)
        database.exec(insert, {name, -1});
    for (const QString& name : names)
        EXPECT_EQ(database.scalar(find, {name}).toInt(), 1) << name.toStdString();
    EXPECT_EQ(database.scalar(find, {QStringLiteral("it")}).toInt(), 0);
    EXPECT_THROW(database.exec(insert, {QStringLiteral("one value")}), DbError);
    EXPECT_THROW(database.exec(insert, {QStringLiteral("three"), -1, 0}), DbError);
    database.exec(insert, {QStringLiteral("after"), -1});
    EXPECT_EQ(database.scalar(find, {QStringLiteral("after")}).toInt(), 1);
    EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_KeyWord")), QStringLiteral("0"));
}

TEST(ExecSQLInTrans, FailureRollsBackAndTheNextStatementWorks) {
    TempDatabase db;
    EXPECT_FALSE(db.connection().execInTransaction(db.connection().execQuery,
                                                   QStringLiteral("Update NoSuchTable Set x=1")));
    EXPECT_FALSE(
        db.connection().execInTransaction(db.connection().execQuery, QStringLiteral("this is not sql")));
    EXPECT_TRUE(db.connection().execInTransaction(
        db.connection().execQuery,
        QStringLiteral("Insert Into SE_KeyUrl(UrlName,isCheck)Values('a.com',-1)")));
    EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_KeyUrl")), QStringLiteral("1"));
}

TEST(ExecSQLInTrans, RefusesASecondStatementInOneText) {
    TempDatabase db;
    db.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName)Values('a.com')"));
    EXPECT_FALSE(db.connection().execInTransaction(
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
    ASSERT_EQ(db.connection().openQuery(rs, QStringLiteral("Select * From SE_KeyWord Where KeyWordName='") +
                                                quoted + u'\''),
              1);
    EXPECT_EQ(rs.fieldText(QStringLiteral("KeyWordName")), keyword);
    EXPECT_EQ(rs.fieldText(QStringLiteral("Valid")),
              QStringLiteral("1")); // the default lets it take part at once
    EXPECT_TRUE(rs.fieldByName(QStringLiteral("GoogleRank")).isNull());
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
    EXPECT_FALSE(db.connection().execInTransaction(
        db.connection().execQuery, QStringLiteral("Insert into SE_KeyWord(WebID,KeyWordName)values(1,'") +
                                       QString(21, u'字') + QStringLiteral("')")));
    EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_KeyWord")), QStringLiteral("0"));
}

// Days are stored as yyyy-mm-dd text, so a day bound as a date finds its rows, and ranges of days compare as
// the days do.
TEST(Dates, WrittenAsTextFoundByBoundDay) {
    TempDatabase db;
    db.Exec(QStringLiteral(
        "Insert Into SE_RankHistory(KeyWordName,UrlName,GoogleRank,BaiduRank,UpdateTime,KeyWordID,WebID)"
        "Values('k','u',3,0,'2010-05-12',1,1)"));
    Database& database = db.connection();
    EXPECT_EQ(database.scalar(QStringLiteral("Select UpdateTime From SE_RankHistory Where UpdateTime=?"),
                              {QDate(2010, 5, 12)}),
              QVariant(QStringLiteral("2010-05-12")));
    const QString between =
        QStringLiteral("Select count(*) From SE_RankHistory Where UpdateTime Between ? and ?");
    EXPECT_EQ(database.scalar(between, {QDate(2010, 5, 12), QDate(2010, 5, 12)}).toInt(), 1);
    EXPECT_EQ(database.scalar(between, {QDate(2010, 4, 30), QDate(2010, 5, 11)}).toInt(), 0);
    EXPECT_EQ(database.scalar(between, {QDate(2009, 12, 31), QDate(2010, 10, 1)}).toInt(), 1);
    EXPECT_TRUE(database.scalar(QStringLiteral("Select count(*) From SE_RankHistory Where UpdateTime=?"),
                                {QDate(2010, 5, 13)}) == QVariant(qint64(0)));
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
    ASSERT_EQ(openMissionList(db.connection(), mission), 3);
    const int name = mission.fieldIndex(u"KeyWordName");
    const int url = mission.fieldIndex(u"UrlName");
    EXPECT_EQ(mission.fieldNames().size(), 14);
    EXPECT_EQ(mission.value(0, name).toString(), QStringLiteral("orphan"));
    EXPECT_TRUE(mission.value(0, url).toString().isEmpty());
    EXPECT_EQ(mission.value(1, url).toString(), QStringLiteral("a.com"));
    EXPECT_EQ(mission.value(2, url).toString(), QStringLiteral("b.com"));
}

class ConnectFailure : public ::testing::Test {
protected:
    void SetUp() override {
        // The folder must be reachable by an unprivileged user for the permission cases.
        ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    }

    // Runs `connect` as a user whom file permissions bind: in a child process as "nobody" when the tests
    // run as root (root writes read-only files and folders), else right here. Returns its exit value.
    static int asUnprivilegedUser(const std::function<int()>& connect) {
        if (::geteuid() != 0)
            return connect();
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(100);
            ::_exit(connect());
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
    }
    static int connectOutcome(const QString& path) {
        Database database;
        if (database.openDatabase(path, kPassword))
            return 0;
        return 1 + static_cast<int>(database.openFailure());
    }

    QTemporaryDir dir;
    Database database;
};

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

TEST_F(ConnectFailure, MissingFileIsNotCreated) {
    const QString path = dir.filePath(QStringLiteral("DataBase/Trevanid.mdb"));
    EXPECT_FALSE(database.openDatabase(path, kPassword));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(ConnectFailure, WrongPassword) {
    const QString path = dir.filePath(QStringLiteral("t.mdb"));
    ASSERT_TRUE(createDatabase(path, kPassword, SchemaVersion::Full, nullptr));
    EXPECT_FALSE(database.openDatabase(path, QStringLiteral("wrong")));
    EXPECT_FALSE(database.isOpen());
    EXPECT_TRUE(database.openDatabase(path, kPassword));
}

TEST_F(ConnectFailure, NotADatabaseAndTruncated) {
    const QString text = dir.filePath(QStringLiteral("text.mdb"));
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(5000, 'x'));
    f.close();
    EXPECT_FALSE(database.openDatabase(text, kPassword));

    const QString truncated = dir.filePath(QStringLiteral("cut.mdb"));
    ASSERT_TRUE(createDatabase(truncated, kPassword, SchemaVersion::Full, nullptr));
    QFile g(truncated);
    ASSERT_TRUE(g.resize(100));
    EXPECT_FALSE(database.openDatabase(truncated, kPassword));
}

// While it lives, no write of this process may grow a file: as on a disk without room (EFBIG as the system
// says for a file-size limit; SQLite calls both "disk I/O error").
class NoRoomToWrite {
public:
    NoRoomToWrite() {
        getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = previous_;
        limit.rlim_cur = 0;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    ~NoRoomToWrite() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    NoRoomToWrite(const NoRoomToWrite&) = delete;
    NoRoomToWrite& operator=(const NoRoomToWrite&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST_F(ConnectFailure, AFullDiskIsNamedWithItsFolder) {
    const QString path = dir.filePath(QStringLiteral("t.mdb"));
    ASSERT_TRUE(createDatabase(path, kPassword, SchemaVersion::Full, nullptr));
    {
        // Opened once, the database keeps its write-ahead log: opening it again writes beside it.
        Database once;
        ASSERT_TRUE(once.openDatabase(path, kPassword));
    }
    {
        const NoRoomToWrite full;
        EXPECT_FALSE(database.openDatabase(path, kPassword));
    }
    EXPECT_EQ(database.openFailure(), DbFailure::DiskFull);
    const QString text = openFailureText(database.openFailure(), dir.path());
    EXPECT_TRUE(text.startsWith(QStringLiteral("磁盘空间已满"))) << text.toStdString();
    EXPECT_TRUE(text.contains(dir.path())) << text.toStdString();
    // With room again it opens as ever.
    EXPECT_TRUE(database.openDatabase(path, kPassword));
}

TEST(FailureOfSqliteError, TheSystemsReasonNamesAFullDisk) {
    EXPECT_EQ(failureOfSqliteError(SQLITE_IOERR_WRITE, ENOSPC), DbFailure::DiskFull);
    EXPECT_EQ(failureOfSqliteError(SQLITE_IOERR_SHMSIZE, EFBIG), DbFailure::DiskFull);
    EXPECT_EQ(failureOfSqliteError(SQLITE_FULL, 0), DbFailure::DiskFull);
    EXPECT_EQ(failureOfSqliteError(SQLITE_IOERR_READ, EIO), DbFailure::Other);
    EXPECT_EQ(failureOfSqliteError(SQLITE_BUSY, ENOSPC), DbFailure::Busy);
    // A failure at start that the later steps meet is named the same way.
    const DbError full(QStringLiteral("disk I/O error"), DbFailure::DiskFull);
    EXPECT_EQ(startFailureText(full, QStringLiteral("/data/Quorvane/DataBase")),
              openFailureText(DbFailure::DiskFull, QStringLiteral("/data/Quorvane/DataBase")));
    EXPECT_EQ(startFailureText(std::runtime_error("other"), QString()), QStringLiteral("other"));
}

TEST_F(ConnectFailure, ReadOnlyFileIsRefused) {
    const QString path = dir.filePath(QStringLiteral("ro.mdb"));
    ASSERT_TRUE(createDatabase(path, kPassword, SchemaVersion::Full, nullptr));
    ::chmod(QFile::encodeName(path).constData(), 0444);
    EXPECT_EQ(asUnprivilegedUser([&] { return connectOutcome(path); }), 1 + int(DbFailure::ReadOnly));
}

// The journal lives beside the database: a read-only folder would fail the first save, so it fails the
// connection, as a read-only file does.
TEST_F(ConnectFailure, WritableFileInAReadOnlyFolderIsRefused) {
    const QString folder = dir.filePath(QStringLiteral("DataBase"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/Trevanid.mdb");
    ASSERT_TRUE(createDatabase(path, kPassword, SchemaVersion::Full, nullptr));
    ::chmod(QFile::encodeName(path).constData(), 0666);
    ::chmod(QFile::encodeName(folder).constData(), 0555);
    EXPECT_EQ(asUnprivilegedUser([&] { return connectOutcome(path); }), 1 + int(DbFailure::ReadOnly));
    ::chmod(QFile::encodeName(folder).constData(), 0777);
    EXPECT_EQ(asUnprivilegedUser([&] { return connectOutcome(path); }), 0)
        << "the folder made writable again";
}

// The program never creates or rewrites a database: a file with none of the rank tables, an empty one
// included, is refused and left byte for byte as it was.
TEST_F(ConnectFailure, FilesWithoutTheRankTablesAreRefusedAndLeftUntouched) {
    const QString empty = dir.filePath(QStringLiteral("empty.mdb"));
    QFile(empty).open(QIODevice::WriteOnly);
    EXPECT_FALSE(database.openDatabase(empty, kPassword));
    EXPECT_EQ(database.openFailure(), DbFailure::Damaged);
    EXPECT_EQ(QFileInfo(empty).size(), 0);

    const QString other = dir.filePath(QStringLiteral("other.mdb"));
    ASSERT_TRUE(createDatabase(other, kPassword, SchemaVersion::Full, nullptr));
    {
        Database setUp;
        ASSERT_TRUE(setUp.openDatabase(other, kPassword));
        for (const char* table : {"SE_RankHistory", "SE_KeyWord", "SE_KeyUrl"})
            ASSERT_TRUE(setUp.execInTransaction(setUp.execQuery,
                                                QStringLiteral("Drop Table ") + QString::fromLatin1(table)));
    }
    const QByteArray before = fileBytes(other);
    EXPECT_FALSE(database.openDatabase(other, kPassword));
    EXPECT_EQ(database.openFailure(), DbFailure::Damaged);
    EXPECT_EQ(fileBytes(other), before);
    EXPECT_FALSE(QFile::exists(empty + QStringLiteral("-wal")));
}

// Another program holding the database is told apart from a database that cannot be opened.
TEST_F(ConnectFailure, ADatabaseHeldByAnotherProgramIsReportedAsBusy) {
    const QString path = dir.filePath(QStringLiteral("held.mdb"));
    ASSERT_TRUE(createDatabase(path, kPassword, SchemaVersion::Full, nullptr));
    test::DatabaseHolder other;
    ASSERT_TRUE(other.Hold(path, kPassword));
    EXPECT_FALSE(database.openDatabase(path, kPassword));
    EXPECT_EQ(database.openFailure(), DbFailure::Busy);
}

TEST(ExecInOneTransaction, AllStatementsOrNone) {
    TempDatabase db;
    Database& database = db.connection();
    EXPECT_FALSE(
        database.execAllInOneTransaction({QStringLiteral("Insert Into SE_KeyUrl(UrlName) Values('kept?')"),
                                          QStringLiteral("Insert Into SE_KeyUrl(UrlName) Values('") +
                                              QString(300, u'x') + QStringLiteral("')")}));
    EXPECT_EQ(database.lastFailure(), DbFailure::Refused);
    EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_KeyUrl")), QStringLiteral("0"));
    EXPECT_TRUE(
        database.execAllInOneTransaction({QStringLiteral("Insert Into SE_KeyUrl(UrlName) Values('a')"),
                                          QStringLiteral("Insert Into SE_KeyUrl(UrlName) Values('b')")}));
    EXPECT_EQ(database.lastFailure(), DbFailure::None);
    EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_KeyUrl")), QStringLiteral("2"));
}

struct FailureCase {
    const char* name;
    int sqliteCode;
    DbFailure failure;
};

class FailureKinds : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FailureKinds, ResultCodeGivesTheKindAndPlainChineseWords) {
    EXPECT_EQ(failureOfSqliteCode(GetParam().sqliteCode), GetParam().failure);
    const QString words = plainWords(GetParam().failure);
    EXPECT_FALSE(words.isEmpty());
    EXPECT_FALSE(words.contains(QStringLiteral("disk"), Qt::CaseInsensitive)) << "said in Chinese";
    // A database error raised during a command reaches the user in these words, not SQLite's English.
    const DbError error(QStringLiteral("database or disk is full"), GetParam().failure);
    if (GetParam().failure == DbFailure::Other || GetParam().failure == DbFailure::Refused)
        EXPECT_EQ(userTextOf(error), QStringLiteral("database or disk is full"));
    else
        EXPECT_EQ(userTextOf(error), words);
}

INSTANTIATE_TEST_SUITE_P(Codes, FailureKinds,
                         ::testing::Values(FailureCase{"Full", SQLITE_FULL, DbFailure::DiskFull},
                                           FailureCase{"Busy", SQLITE_BUSY, DbFailure::Busy},
                                           FailureCase{"BusySnapshot", SQLITE_BUSY_SNAPSHOT, DbFailure::Busy},
                                           FailureCase{"Locked", SQLITE_LOCKED, DbFailure::Busy},
                                           FailureCase{"Corrupt", SQLITE_CORRUPT, DbFailure::Damaged},
                                           FailureCase{"NotADatabase", SQLITE_NOTADB, DbFailure::Damaged},
                                           FailureCase{"ReadOnly", SQLITE_READONLY, DbFailure::ReadOnly},
                                           FailureCase{"CannotOpen", SQLITE_CANTOPEN, DbFailure::ReadOnly},
                                           FailureCase{"CheckFailed", SQLITE_CONSTRAINT_CHECK,
                                                       DbFailure::Refused},
                                           FailureCase{"IoError", SQLITE_IOERR, DbFailure::Other}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CreateDatabase, RefusesToOverwrite) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.mdb"));
    ASSERT_TRUE(createDatabase(path, kPassword, SchemaVersion::Full, nullptr));
    QString error;
    EXPECT_FALSE(createDatabase(path, kPassword, SchemaVersion::Full, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("overwrite")));
    Database database;
    EXPECT_TRUE(database.openDatabase(path, kPassword)); // the first file is intact
}

TEST(CreateDatabase, FileIsUnreadableWithoutPassword) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.mdb"));
    ASSERT_TRUE(createDatabase(path, kPassword, SchemaVersion::Full, nullptr));
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
    ASSERT_TRUE(other.openDatabase(db.Path(), kPassword));
    Recordset rs;
    EXPECT_EQ(other.openQuery(rs, QStringLiteral("Select * From SE_KeyUrl")), 1);
}

// Values bound to a statement are stored as they are, whatever they hold; the same text gives the same
// prepared statement, reset and unbound, at every use.
TEST(BoundStatements, ValuesReachTheRowsAsTheyAre) {
    TempDatabase db;
    Database& database = db.connection();
    const QString insert = QStringLiteral("Insert Into SE_KeyUrl(UrlName,UpdateTime,isCheck)Values(?,?,?)");
    const struct {
        QVariant url;
        QVariant day;
        QVariant check;
        QString stored; // url|day|check as read back
    } cases[] = {
        {QStringLiteral("it's.cn"), QDate(2010, 5, 2), true, QStringLiteral("it's.cn|2010-05-02|-1")},
        {QStringLiteral("a''b'); Drop Table SE_KeyUrl;--"), QStringLiteral("2011-01-01"), false,
         QStringLiteral("a''b'); Drop Table SE_KeyUrl;--|2011-01-01|0")},
        {QStringLiteral("#2010-05-12#"), QVariant(), qint64(7), QStringLiteral("#2010-05-12#||7")},
        {QStringLiteral("한국어 😀"), QDate(2026, 1, 31), 0, QStringLiteral("한국어 😀|2026-01-31|0")},
    };
    for (const auto& c : cases)
        database.exec(insert, {c.url, c.day, c.check});
    Statement& read =
        database.statement(QStringLiteral("Select UrlName,UpdateTime,isCheck From SE_KeyUrl Order By WebID"));
    QStringList stored;
    while (read.next())
        stored << read.text(0) + u'|' + (read.isNull(1) ? QString() : read.text(1)) + u'|' + read.text(2);
    read.reset();
    ASSERT_EQ(stored.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(stored[static_cast<qsizetype>(i)], cases[i].stored) << i;

    // Named parameters, and a reused statement starts with nothing bound.
    const QString byName = QStringLiteral("Select count(*) From SE_KeyUrl Where UrlName=:url");
    Statement& count = database.statement(byName);
    count.bind(":url", QStringLiteral("it's.cn"));
    ASSERT_TRUE(count.next());
    EXPECT_EQ(count.integer(0), 1);
    EXPECT_EQ(&database.statement(byName), &count);
    ASSERT_TRUE(count.next());
    EXPECT_EQ(count.integer(0), 0); // :url unbound is null, which equals nothing
    count.reset();
    EXPECT_THROW(count.bind(":nosuch", 1), DbError);

    EXPECT_EQ(database.scalar(QStringLiteral("Select UrlName From SE_KeyUrl Where isCheck=?"), {qint64(7)}),
              QVariant(QStringLiteral("#2010-05-12#")));
    Recordset rows;
    EXPECT_EQ(database.openQuery(rows, QStringLiteral("Select * From SE_KeyUrl Where UrlName Like ?"),
                                 {QStringLiteral("%'%")}),
              2);
}

// A statement that breaks the schema's rules is refused as a value the caller reads, rolls its transaction
// back, and leaves the reused statement fit for the next values.
TEST(BoundStatements, ARefusedRowRollsBackAndTheStatementStaysUsable) {
    TempDatabase db;
    Database& database = db.connection();
    const QString insert = QStringLiteral("Insert Into SE_KeyUrl(UrlName)Values(?)");
    EXPECT_FALSE(database.execInTransaction(insert, {QString(300, u'x')}));
    EXPECT_EQ(database.lastFailure(), DbFailure::Refused);
    EXPECT_TRUE(database.inOneTransaction([&] {
        database.exec(insert, {QStringLiteral("ok.cn")});
        database.exec(insert, {QStringLiteral("ok2.cn")});
    }));
    EXPECT_FALSE(database.inOneTransaction([&] {
        database.exec(insert, {QStringLiteral("lost.cn")});
        database.exec(insert, {QString(300, u'y')});
    }));
    EXPECT_EQ(db.Scalar(QStringLiteral("Select group_concat(UrlName) From SE_KeyUrl")),
              QStringLiteral("ok.cn,ok2.cn"));
}

// A file made without the look-ups' indexes gains them at start, once; its rows stay as they were.
TEST(SchemaUpgrade, MissingIndexesAreCreatedOnce) {
    TempDatabase db;
    const QString indexes = QStringLiteral(
        "Select group_concat(name) From (Select name From sqlite_master Where type='index' and "
        "name Like 'IX_%' Order By name)");
    const QString all = db.Scalar(indexes);
    ASSERT_EQ(
        all, QStringLiteral("IX_KeyUrl_UrlName,IX_KeyWord_KeyWordName,IX_KeyWord_WebID,IX_RankHistory_Pair"));
    db.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName)Values('a.cn')"));
    for (const char* name : {"IX_KeyUrl_UrlName", "IX_KeyWord_KeyWordName", "IX_RankHistory_Pair"})
        db.Exec(QStringLiteral("Drop Index ") + QLatin1String(name));
    ASSERT_EQ(db.Scalar(indexes), QStringLiteral("IX_KeyWord_WebID"));
    db.connection().upgradeSchema();
    EXPECT_EQ(db.Scalar(indexes), all);
    db.connection().upgradeSchema();
    EXPECT_EQ(db.Scalar(indexes), all);
    EXPECT_EQ(db.Scalar(QStringLiteral("Select UrlName From SE_KeyUrl")), QStringLiteral("a.cn"));
}

} // namespace
} // namespace quorvane
