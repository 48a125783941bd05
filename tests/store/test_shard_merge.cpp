// Shards of the mission list, the record a shard's run keeps, and the merge of workers' copies into one
// database: only the keywords their runs checked, matched by site and keyword text; refused files change
// nothing.
#include "store/MissionList.h"
#include "store/ShardMerge.h"
#include "store/ShardRecord.h"
#include "store/SqlText.h"
#include "support/Files.h"
#include "support/TempDatabase.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(Shards, EverySwitchedOnKeywordIsInExactlyOneShard) {
    test::TempDatabase db;
    db.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName)Values('www.mysite.com')"));
    for (int i = 1; i <= 23; ++i)
        db.Exec(QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName)Values(1,'词%1')").arg(i));
    // Gaps in the numbers, and a keyword switched off, which no shard runs.
    db.Exec(QStringLiteral("Delete From SE_KeyWord Where KeyWordID In (4,5,6,17)"));
    db.Exec(QStringLiteral("Update SE_KeyWord Set Valid='0' Where KeyWordID=9"));
    Recordset whole;
    const int all = openMissionList(db.connection(), whole);
    ASSERT_EQ(all, 18);

    for (const int count : {1, 2, 3, 4, 7, 30}) {
        QSet<qint64> seen;
        for (int index = 0; index < count; ++index) {
            Recordset part;
            const int rows = openMissionList(db.connection(), part, Shard{index, count});
            for (int r = 0; r < rows; ++r) {
                const qint64 id = part.value(r, part.fieldIndex(u"KeyWordID")).toLongLong();
                EXPECT_EQ(id % count, index) << "shard " << index << "/" << count;
                EXPECT_FALSE(seen.contains(id)) << "keyword " << id << " in two shards of " << count;
                seen.insert(id);
            }
        }
        EXPECT_EQ(seen.size(), all) << "the shards of " << count << " miss a keyword";
        EXPECT_FALSE(seen.contains(9));
    }
    EXPECT_EQ(missionListSql(Shard{}), wholeMissionListSql()) << "the whole list as before";
}

const QString kToday = QStringLiteral("2026-12-11");
const QString kYesterday = QStringLiteral("2026-12-10");

// Every row of the rank tables, in a fixed order.
QString dumpOf(test::TempDatabase& db) {
    QString dump;
    for (const QString& sql :
         {QStringLiteral(
              "Select k.KeyWordID,u.UrlName,k.KeyWordName,GoogleRank,BaiduRank,BaiduRank2,YahooRank,"
              "SosoRank,BingRank,SogouRank,YoudaoRank,k.UpdateTime From SE_KeyWord k Left Join "
              "SE_KeyUrl u On u.WebID=k.WebID Order By k.KeyWordID"),
          QStringLiteral(
              "Select KeyWordID,WebID,KeyWordName,UrlName,GoogleRank,BaiduRank,BaiduRank2,SogouRank,"
              "SosoRank,YahooRank,YoudaoRank,BingRank,UpdateTime From SE_RankHistory Order By KeyWordID,"
              "UpdateTime")}) {
        Recordset rs;
        const int rows = db.connection().openQuery(rs, sql);
        for (int r = 0; r < rows; ++r) {
            QStringList fields;
            for (int f = 0; f < rs.fieldCount(); ++f)
                fields << rs.value(r, f).toString();
            dump += fields.join(u'|') + u'\n';
        }
    }
    return dump;
}

// A database with the sites and keywords of the fixture, in an order of its own so that their numbers
// differ between the copies and this database.
void addKeywords(test::TempDatabase& db, const QStringList& pairs, const QString& cell, const QString& day) {
    for (const QString& pair : pairs) {
        const QString site = quotedStr(pair.section(u' ', 0, 0));
        const QString bySite = QStringLiteral("Select WebID From SE_KeyUrl Where UrlName=") + site;
        if (db.Scalar(bySite).isEmpty())
            db.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName)Values(") + site + u')');
        db.Exec(
            QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName,GoogleRank,BaiduRank,UpdateTime)"
                           "Values(%1,%2,%3,%3,%4)")
                .arg(db.Scalar(bySite), quotedStr(pair.section(u' ', 1)), quotedStr(cell), quotedStr(day)));
    }
}

qint64 idOf(test::TempDatabase& db, const QString& pair) {
    return db
        .Scalar(
            QStringLiteral("Select k.KeyWordID From SE_KeyWord k Join SE_KeyUrl u On u.WebID=k.WebID Where "
                           "u.UrlName=%1 and k.KeyWordName=%2")
                .arg(quotedStr(pair.section(u' ', 0, 0)), quotedStr(pair.section(u' ', 1))))
        .toLongLong();
}

// What a shard's run leaves in its copy for one keyword: its cells, the day's history row, the note.
void checkInCopy(test::TempDatabase& copy, const QString& pair, int rank, const QString& day, int shard = 0) {
    const qint64 id = idOf(copy, pair);
    ASSERT_GT(id, 0) << pair.toStdString();
    const QString webId =
        copy.Scalar(QStringLiteral("Select WebID From SE_KeyWord Where KeyWordID=%1").arg(id));
    copy.Exec(QStringLiteral(
                  "Update SE_KeyWord Set GoogleRank='%1',BaiduRank='%1',UpdateTime=%2 Where KeyWordID=%3")
                  .arg(rank)
                  .arg(quotedStr(day))
                  .arg(id));
    copy.Exec(QStringLiteral("Delete From SE_RankHistory Where KeyWordID=%1 and UpdateTime=%2")
                  .arg(id)
                  .arg(quotedStr(day)));
    copy.Exec(QStringLiteral("Insert Into SE_RankHistory(KeyWordName,UrlName,GoogleRank,BaiduRank,UpdateTime,"
                             "KeyWordID,WebID)Values(%1,%2,%3,%3,%4,%5,%6)")
                  .arg(quotedStr(pair.section(u' ', 1)), quotedStr(pair.section(u' ', 0, 0)))
                  .arg(rank)
                  .arg(quotedStr(day))
                  .arg(id)
                  .arg(webId));
    ASSERT_TRUE(ensureShardRecord(copy.connection()));
    ASSERT_TRUE(
        recordShardKeyword(copy.connection(), Shard{shard, 2}, QDate::fromString(day, Qt::ISODate), id));
}

const QStringList kPairs = {QStringLiteral("www.a.com 北京"), QStringLiteral("www.a.com 上海"),
                            QStringLiteral("www.b.com 北京"), QStringLiteral("www.b.com 广州")};

class ShardMerge : public ::testing::Test {
protected:
    void SetUp() override {
        addKeywords(here, kPairs, QStringLiteral("old"), kToday);
        // The copies were made of this database: the same keywords, numbered otherwise here.
        QStringList reversed = kPairs;
        std::reverse(reversed.begin(), reversed.end());
        for (test::TempDatabase* copy : {&first, &second})
            addKeywords(*copy, reversed, QStringLiteral("old"), kToday);
        checkInCopy(first, kPairs[0], 3, kToday, 0);
        checkInCopy(first, kPairs[2], 4, kToday, 0);
        // The second copy also ran yesterday.
        checkInCopy(second, kPairs[1], 7, kYesterday, 1);
        checkInCopy(second, kPairs[1], 5, kToday, 1);
        checkInCopy(second, kPairs[3], 6, kToday, 1);
        // An older history row the copy only holds because this database had it when the copy was made:
        // not noted, never taken.
        second.Exec(
            QStringLiteral("Insert Into SE_RankHistory(KeyWordName,UrlName,GoogleRank,UpdateTime,KeyWordID,"
                           "WebID)Values('北京','www.a.com',99,'2026-01-01',%1,1)")
                .arg(idOf(second, kPairs[0])));
    }

    MergeReport Merge(const QStringList& files) {
        return mergeShardCopies(here.connection(), files, QString::fromUtf16(kDbPassword));
    }
    QString Cells(const QString& pair) {
        return here.Scalar(
            QStringLiteral("Select GoogleRank||'/'||UpdateTime From SE_KeyWord Where KeyWordID=%1")
                .arg(idOf(here, pair)));
    }
    QString History(const QString& pair) {
        Recordset rs;
        const int rows = here.connection().openQuery(
            rs,
            QStringLiteral("Select GoogleRank,UpdateTime,KeyWordName,UrlName,WebID From SE_RankHistory Where "
                           "KeyWordID=%1 Order By UpdateTime")
                .arg(idOf(here, pair)));
        QStringList lines;
        for (int r = 0; r < rows; ++r)
            lines << QStringLiteral("%1@%2 %3 %4 #%5")
                         .arg(rs.value(r, 0).toString(), rs.value(r, 1).toString(), rs.value(r, 2).toString(),
                              rs.value(r, 3).toString(), rs.value(r, 4).toString());
        return lines.join(u';');
    }

    test::TempDatabase here;
    test::TempDatabase first;
    test::TempDatabase second;
};

// Every copy also holds the other shard's keywords untouched, dated today as well: only the noted ones
// count, so either order gives the same database.
TEST_F(ShardMerge, TakesOnlyTheKeywordsTheRunsCheckedInEitherOrder) {
    // One order here; the other on a twin of this database.
    test::TempDatabase twin;
    addKeywords(twin, kPairs, QStringLiteral("old"), kToday);
    const MergeReport report = Merge({first.Path(), second.Path()});
    const MergeReport other =
        mergeShardCopies(twin.connection(), {second.Path(), first.Path()}, QString::fromUtf16(kDbPassword));
    ASSERT_EQ(report.end, MergeEnd::Merged);
    ASSERT_EQ(other.end, MergeEnd::Merged);
    EXPECT_EQ(dumpOf(here), dumpOf(twin));

    EXPECT_EQ(report.files, 2);
    EXPECT_EQ(report.keywords, 4);
    EXPECT_EQ(report.keywordsUpdated, 4);
    EXPECT_EQ(report.historyRows, 5);
    EXPECT_TRUE(report.unknownKeywords.isEmpty());
    EXPECT_EQ(Cells(kPairs[0]), QStringLiteral("3/") + kToday);
    EXPECT_EQ(Cells(kPairs[1]), QStringLiteral("5/") + kToday);
    EXPECT_EQ(Cells(kPairs[2]), QStringLiteral("4/") + kToday);
    EXPECT_EQ(Cells(kPairs[3]), QStringLiteral("6/") + kToday);
    // History rows carry this database's numbers and texts; the copy's unnoted old row stays out.
    const QString webA = here.Scalar(QStringLiteral("Select WebID From SE_KeyUrl Where UrlName='www.a.com'"));
    EXPECT_EQ(History(kPairs[0]), QStringLiteral("3@%1 北京 www.a.com #%2").arg(kToday, webA));
    EXPECT_EQ(
        History(kPairs[1]),
        QStringLiteral("7@%1 上海 www.a.com #%3;5@%2 上海 www.a.com #%3").arg(kYesterday, kToday, webA));
}

TEST_F(ShardMerge, HistoryOfTheSameDayIsReplacedAndANewerUpdateHereKept) {
    // A row of the same keyword and day here, and a keyword updated here after the copies' runs.
    // Two rows of that day here, even: the day keeps one.
    const qint64 shanghai = idOf(here, kPairs[1]);
    for (const int rank : {42, 5})
        here.Exec(QStringLiteral(
                      "Insert Into SE_RankHistory(KeyWordName,UrlName,GoogleRank,UpdateTime,KeyWordID,WebID)"
                      "Values('上海','www.a.com',%3,%1,%2,1)")
                      .arg(quotedStr(kToday))
                      .arg(shanghai)
                      .arg(rank));
    here.Exec(
        QStringLiteral("Update SE_KeyWord Set GoogleRank='1',UpdateTime='2026-12-12' Where KeyWordID=%1")
            .arg(idOf(here, kPairs[3])));

    const MergeReport report = Merge({first.Path(), second.Path()});
    ASSERT_EQ(report.end, MergeEnd::Merged);
    EXPECT_EQ(report.keywordsNewerHere, 1);
    EXPECT_EQ(report.keywordsUpdated, 3);
    EXPECT_EQ(Cells(kPairs[3]), QStringLiteral("1/2026-12-12"));
    EXPECT_EQ(
        here.Scalar(QStringLiteral("Select Count(*) From SE_RankHistory Where KeyWordID=%1 and UpdateTime=%2")
                        .arg(shanghai)
                        .arg(quotedStr(kToday))),
        QStringLiteral("1"));
    EXPECT_TRUE(
        History(kPairs[1]).endsWith(QStringLiteral(";5@") + kToday + QStringLiteral(" 上海 www.a.com #1")))
        << History(kPairs[1]).toStdString();
}

TEST_F(ShardMerge, MergingTheSameFilesAgainChangesNothing) {
    ASSERT_EQ(Merge({first.Path(), second.Path()}).end, MergeEnd::Merged);
    const QString once = dumpOf(here);
    const QString rowIds = here.Scalar(QStringLiteral("Select group_concat(rowid) From SE_RankHistory"));
    const MergeReport again = Merge({second.Path(), first.Path()});
    ASSERT_EQ(again.end, MergeEnd::Merged);
    EXPECT_EQ(again.keywords, 4);
    EXPECT_EQ(again.keywordsUpdated, 0);
    EXPECT_EQ(again.historyRows, 0);
    EXPECT_EQ(dumpOf(here), once);
    EXPECT_EQ(here.Scalar(QStringLiteral("Select group_concat(rowid) From SE_RankHistory")), rowIds)
        << "no row deleted and written again";
}

TEST_F(ShardMerge, KeywordsThisDatabaseLacksAreCountedNotAdded) {
    addKeywords(first, {QStringLiteral("www.c.com 深圳")}, QStringLiteral("old"), kToday);
    checkInCopy(first, QStringLiteral("www.c.com 深圳"), 8, kToday);
    // The same text under another site is another keyword.
    addKeywords(second, {QStringLiteral("www.b.com 上海")}, QStringLiteral("old"), kToday);
    checkInCopy(second, QStringLiteral("www.b.com 上海"), 9, kToday, 1);
    const QString keywordsBefore = here.Scalar(QStringLiteral("Select Count(*) From SE_KeyWord"));

    const MergeReport report = Merge({first.Path(), second.Path()});
    ASSERT_EQ(report.end, MergeEnd::Merged);
    EXPECT_EQ(report.unknownKeywords,
              (QStringList{QStringLiteral("www.c.com 深圳"), QStringLiteral("www.b.com 上海")}));
    EXPECT_EQ(report.keywords, 4);
    EXPECT_EQ(here.Scalar(QStringLiteral("Select Count(*) From SE_KeyWord")), keywordsBefore);
    EXPECT_EQ(here.Scalar(QStringLiteral("Select Count(*) From SE_RankHistory Where GoogleRank In (8,9)")),
              QStringLiteral("0"));
}

// Keywords match by their text as the columns compare it: ASCII without regard to case.
TEST_F(ShardMerge, SitesMatchWithoutRegardToCase) {
    here.Exec(QStringLiteral("Update SE_KeyUrl Set UrlName='WWW.A.COM' Where UrlName='www.a.com'"));
    const MergeReport report = Merge({first.Path()});
    ASSERT_EQ(report.end, MergeEnd::Merged);
    EXPECT_TRUE(report.unknownKeywords.isEmpty()) << report.unknownKeywords.join(u',').toStdString();
    EXPECT_EQ(report.keywordsUpdated, 2);
}

// A copy's bad value, put into the first copy's row of its first keyword (checked today), for a column.
struct BadValue {
    const char* name;
    QString sql; // run on the first copy; %1 is the keyword's number there
    QString column;
};

void PrintTo(const BadValue& c, std::ostream* os) {
    *os << c.name;
}

class ShardMergeOfBadValues : public ShardMerge, public ::testing::WithParamInterface<BadValue> {
protected:
    MergeReport MergeOnTheDay(const QStringList& files) {
        return mergeShardCopies(here.connection(), files, QString::fromUtf16(kDbPassword),
                                QDate::fromString(kToday, Qt::ISODate));
    }
};

// Nothing of the bad value reaches this database, the row that holds it is named, and the rest of the copy
// and the other copy are merged as without it. A good copy merged afterwards is taken as ever.
TEST_P(ShardMergeOfBadValues, AreSkippedNamedAndTheRestMerged) {
    const BadValue& c = GetParam();
    const qint64 id = idOf(first, kPairs[0]);
    for (const QString& sql : c.sql.arg(id).split(u';'))
        first.Exec(sql);
    const bool historyRow = c.column.startsWith(u"SE_RankHistory");
    const QString keywordBefore = here.Scalar(
        QStringLiteral(
            "Select GoogleRank||'/'||BaiduRank||'/'||UpdateTime From SE_KeyWord Where KeyWordID=%1")
            .arg(idOf(here, kPairs[0])));

    const MergeReport report = MergeOnTheDay({first.Path(), second.Path()});
    ASSERT_EQ(report.end, MergeEnd::Merged);
    ASSERT_EQ(report.skippedRows.size(), 1u);
    EXPECT_EQ(report.skippedRows[0].file, first.Path());
    EXPECT_EQ(report.skippedRows[0].keyword, kPairs[0]);
    EXPECT_EQ(report.skippedRows[0].column, c.column);
    // No trace of the value: every date a day, every counter small, every cell a run's text.
    EXPECT_EQ(here.Scalar(QStringLiteral(
                  "Select Count(*) From SE_RankHistory Where UpdateTime Not Like '____-__-__' or "
                  "abs(GoogleRank)>1000 or abs(BaiduRank)>1000 or GoogleRank<0 or BaiduRank<0")),
              QStringLiteral("0"));
    EXPECT_EQ(here.Scalar(QStringLiteral("Select Count(*) From SE_KeyWord Where UpdateTime Not Like "
                                         "'____-__-__' or UpdateTime>%1")
                              .arg(quotedStr(kToday))),
              QStringLiteral("0"));
    // The skipped row alone is missing: the keyword keeps its cells, or its day's history row is not written.
    const QString webA = here.Scalar(QStringLiteral("Select WebID From SE_KeyUrl Where UrlName='www.a.com'"));
    if (historyRow) {
        EXPECT_EQ(Cells(kPairs[0]), QStringLiteral("3/") + kToday);
        EXPECT_EQ(History(kPairs[0]), QString());
    } else {
        EXPECT_EQ(here.Scalar(QStringLiteral(
                                  "Select GoogleRank||'/'||BaiduRank||'/'||UpdateTime From SE_KeyWord Where "
                                  "KeyWordID=%1")
                                  .arg(idOf(here, kPairs[0]))),
                  keywordBefore);
        EXPECT_EQ(History(kPairs[0]), QStringLiteral("3@%1 北京 www.a.com #%2").arg(kToday, webA));
    }
    EXPECT_EQ(Cells(kPairs[1]), QStringLiteral("5/") + kToday);
    EXPECT_EQ(Cells(kPairs[2]), QStringLiteral("4/") + kToday);
    EXPECT_EQ(Cells(kPairs[3]), QStringLiteral("6/") + kToday);

    // A good copy of the same keyword afterwards is merged: nothing bad here makes it look older.
    test::TempDatabase good;
    addKeywords(good, kPairs, QStringLiteral("old"), kToday);
    checkInCopy(good, kPairs[0], 2, kToday);
    const MergeReport after = MergeOnTheDay({good.Path()});
    EXPECT_EQ(after.keywordsNewerHere, 0);
    EXPECT_EQ(Cells(kPairs[0]), QStringLiteral("2/") + kToday);
    EXPECT_EQ(History(kPairs[0]), QStringLiteral("2@%1 北京 www.a.com #%2").arg(kToday, webA));
}

const QString kSetCell = QStringLiteral("Update SE_KeyWord Set %1 Where KeyWordID=%2");
const QString kSetHistory = QStringLiteral("Update SE_RankHistory Set %1 Where KeyWordID=%2");

INSTANTIATE_TEST_SUITE_P(
    Values, ShardMergeOfBadValues,
    ::testing::Values(
        BadValue{"UpdateTimeNotADate", kSetCell.arg(QStringLiteral("UpdateTime='zzz'"), QStringLiteral("%1")),
                 QStringLiteral("SE_KeyWord.UpdateTime")},
        BadValue{"UpdateTimeNoSuchDay",
                 kSetCell.arg(QStringLiteral("UpdateTime='2026-02-30'"), QStringLiteral("%1")),
                 QStringLiteral("SE_KeyWord.UpdateTime")},
        BadValue{"UpdateTimeAfterToday",
                 kSetCell.arg(QStringLiteral("UpdateTime='%1'")
                                  .arg(QDate::currentDate().addDays(1).toString(Qt::ISODate)),
                              QStringLiteral("%1")),
                 QStringLiteral("SE_KeyWord.UpdateTime")},
        BadValue{"UpdateTimeWithATime",
                 kSetCell.arg(QStringLiteral("UpdateTime='2026-12-11 23:59'"), QStringLiteral("%1")),
                 QStringLiteral("SE_KeyWord.UpdateTime")},
        BadValue{"CellNotARankText", kSetCell.arg(QStringLiteral("GoogleRank='zzz'"), QStringLiteral("%1")),
                 QStringLiteral("SE_KeyWord.GoogleRank")},
        BadValue{"CellZero", kSetCell.arg(QStringLiteral("BaiduRank='0'"), QStringLiteral("%1")),
                 QStringLiteral("SE_KeyWord.BaiduRank")},
        BadValue{"CellTooLarge",
                 kSetCell.arg(QStringLiteral("YahooRank='100000000000000000000'"), QStringLiteral("%1")),
                 QStringLiteral("SE_KeyWord.YahooRank")},
        BadValue{"CellNotFoundWithoutANumber",
                 kSetCell.arg(QStringLiteral("BingRank='>'"), QStringLiteral("%1")),
                 QStringLiteral("SE_KeyWord.BingRank")},
        BadValue{"CellPendingMark", kSetCell.arg(QStringLiteral("SosoRank='稍候'"), QStringLiteral("%1")),
                 QStringLiteral("SE_KeyWord.SosoRank")},
        BadValue{"HistoryRankHuge", kSetHistory.arg(QStringLiteral("GoogleRank=1e20"), QStringLiteral("%1")),
                 QStringLiteral("SE_RankHistory.GoogleRank")},
        BadValue{"HistoryRankNegative", kSetHistory.arg(QStringLiteral("BaiduRank=-3"), QStringLiteral("%1")),
                 QStringLiteral("SE_RankHistory.BaiduRank")},
        BadValue{"HistoryRankText", kSetHistory.arg(QStringLiteral("YoudaoRank='abc'"), QStringLiteral("%1")),
                 QStringLiteral("SE_RankHistory.YoudaoRank")},
        BadValue{"RunDayNotADate",
                 QStringLiteral("Update SE_RankHistory Set UpdateTime='zzz' Where KeyWordID=%1;"
                                "Update SE_ShardRun Set RunDay='zzz' Where KeyWordID=%1"),
                 QStringLiteral("SE_RankHistory.UpdateTime")}),
    [](const ::testing::TestParamInfo<BadValue>& info) { return std::string(info.param.name); });

// A copy named twice (also by another path to it) is read and counted once.
TEST_F(ShardMerge, ACopyNamedTwiceIsMergedOnce) {
    const QString sameAgain =
        QFileInfo(first.Path()).absolutePath() + QStringLiteral("/./") + QFileInfo(first.Path()).fileName();
    const MergeReport report = Merge({first.Path(), second.Path(), first.Path(), sameAgain});
    ASSERT_EQ(report.end, MergeEnd::Merged);
    EXPECT_EQ(report.files, 2);
    EXPECT_EQ(report.keywords, 4);
    EXPECT_EQ(report.keywordsUpdated, 4);
    EXPECT_EQ(report.historyRows, 5);
}

QByteArray hashOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

struct RefusedFile {
    const char* name;
    std::function<QString(const QString& folder, const QString& here)> make; // returns the file's path
    MergeEnd end;
};

void PrintTo(const RefusedFile& c, std::ostream* os) {
    *os << c.name;
}

class ShardMergeRefusal : public ShardMerge, public ::testing::WithParamInterface<RefusedFile> {};

// A refused file after a good one: nothing of either is written, and the refused file is left as it was.
TEST_P(ShardMergeRefusal, ChangesNothing) {
    const QTemporaryDir folder;
    const QString bad = GetParam().make(folder.path(), here.Path());
    const QByteArray badBefore = hashOf(bad);
    const QString before = dumpOf(here);

    const MergeReport report = Merge({first.Path(), bad});
    EXPECT_EQ(report.end, GetParam().end);
    EXPECT_EQ(report.file, bad);
    EXPECT_EQ(dumpOf(here), before);
    EXPECT_EQ(hashOf(bad), badBefore);
    if (GetParam().end == MergeEnd::FileMissing) {
        EXPECT_FALSE(QFile::exists(bad)) << "attaching must not create it";
    }
    // The connection is usable and nothing is left attached: a good merge afterwards works.
    EXPECT_EQ(Merge({first.Path()}).end, MergeEnd::Merged);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ShardMergeRefusal,
    ::testing::Values(
        RefusedFile{"TextFile",
                    [](const QString& folder, const QString&) {
                        const QString path = folder + QStringLiteral("/notes.mdb");
                        test::WriteFile(path,
                                        QByteArray("KeyWordName,UrlName\n北京,www.a.com\n").repeated(200));
                        return path;
                    },
                    MergeEnd::NotOurs},
        RefusedFile{"AnotherPassword",
                    [](const QString& folder, const QString&) {
                        const QString path = folder + QStringLiteral("/other.mdb");
                        createDatabase(path, QStringLiteral("another"), SchemaVersion::Full, nullptr);
                        return path;
                    },
                    MergeEnd::NotOurs},
        RefusedFile{"SamePasswordOtherTables",
                    [](const QString& folder, const QString&) {
                        const QString path = folder + QStringLiteral("/foreign.mdb");
                        sqlite3* raw = nullptr;
                        sqlite3_open(QFile::encodeName(path).constData(), &raw);
                        SqliteDb db(raw);
                        const QByteArray key = QString::fromUtf16(kDbPassword).toUtf8();
                        sqlite3_key(db.get(), key.constData(), static_cast<int>(key.size()));
                        sqlite3_exec(db.get(), "CREATE TABLE Orders (Id INTEGER)", nullptr, nullptr, nullptr);
                        return path;
                    },
                    MergeEnd::NotOurs},
        RefusedFile{"EmptyFile",
                    [](const QString& folder, const QString&) {
                        const QString path = folder + QStringLiteral("/empty.mdb");
                        test::WriteFile(path, QByteArray());
                        return path;
                    },
                    MergeEnd::NotOurs},
        RefusedFile{"Missing",
                    [](const QString& folder, const QString&) -> QString {
                        return folder + QStringLiteral("/gone.mdb");
                    },
                    MergeEnd::FileMissing},
        RefusedFile{"ThisDatabase", [](const QString&, const QString& here) { return here; },
                    MergeEnd::SameFile}),
    [](const ::testing::TestParamInfo<RefusedFile>& info) { return std::string(info.param.name); });

} // namespace
} // namespace quorvane
