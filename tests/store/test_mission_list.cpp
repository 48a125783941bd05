// The mission list is read without SQLite's join and sort; it must hold exactly what the list's statement
// gives, in the same order, for every kind of site and keyword the tables can hold.
#include "catalog/EngineCatalog.h"
#include "store/MissionList.h"
#include "support/TempDatabase.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::TempDatabase;

// Every value with its type, so that an empty address and a missing one differ.
QStringList listRows(const Recordset& rs) {
    QStringList rows;
    for (int r = 0; r < rs.recordCount(); ++r) {
        QStringList values;
        for (int f = 0; f < rs.fieldCount(); ++f) {
            const QVariant value = rs.value(r, f);
            values << (value.isNull() ? QStringLiteral("<null>")
                                      : QString::fromLatin1(value.typeName()) + u':' + value.toString());
        }
        rows << values.join(u'|');
    }
    return rows;
}

// What the statement itself gives, through SQLite's join and sort.
QStringList statementRows(Database& database, const Shard& shard) {
    Recordset rs;
    database.openQuery(rs, missionListSql(shard));
    return listRows(rs);
}

class MissionListTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Sites whose addresses differ only in the case of A to Z share a place; other letters do not fold;
        // one has no address, one an empty one, one no keywords.
        db.Exec(QStringLiteral(
            "Insert Into SE_KeyUrl(WebID,UrlName) Values (1,'b.com'),(2,'A.com'),(3,'a.com'),(4,Null),"
            "(5,'É.com'),(6,'é.com'),(7,''),(8,'c.com'),(9,'a.COM')"));
    }

    void AddKeyword(const QString& webId, const QString& name, const char* valid = "'1'") {
        db.Exec(QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName,Valid,GoogleRank,UpdateTime) Values "
                               "(%1,'%2',%3,'%4','2026-12-1%5')")
                    .arg(webId, name, QString::fromLatin1(valid), QString::number(name.size()))
                    .arg(name.size() % 10));
    }

    TempDatabase db;
};

TEST_F(MissionListTest, SameRowsInTheSameOrderAsTheStatement) {
    // Keywords of every site stored out of order, keywords of a site that is gone, without a site, with a
    // key that is a text, switched off, and switched on as the number 1.
    const char* webIds[] = {"3", "1", "99", "2", "Null", "5", "9", "4", "6", "7", "2", "'x'", "3", "1", "9"};
    int n = 0;
    for (const char* webId : webIds)
        AddKeyword(QString::fromLatin1(webId), QStringLiteral("k%1").arg(++n));
    AddKeyword(QStringLiteral("1"), QStringLiteral("off"), "'0'");
    AddKeyword(QStringLiteral("2"), QStringLiteral("numeric"), "1");
    // Each keyword carries its own site's rule, also where sites share a place in the order.
    db.Exec(QStringLiteral("Update SE_KeyUrl Set MatchRule=2 Where WebID In (2,5)"));
    db.Exec(QStringLiteral("Update SE_KeyUrl Set MatchRule=1 Where WebID=9"));

    Recordset missions;
    const int count = openMissionList(db.connection(), missions);
    const QStringList expected = statementRows(db.connection(), Shard{});
    EXPECT_EQ(count, expected.size());
    EXPECT_EQ(listRows(missions), expected);
    // The keys and texts first, the engine table's rank columns, the update time and the rule last.
    EXPECT_EQ(missions.fieldNames(), QStringList({"KeyWordID", "WebID", "KeyWordName", "UrlName"}) +
                                         rankColumns() + QStringList({"UpdateTime", "MatchRule"}));
}

TEST_F(MissionListTest, ManyKeywordsAndEveryShardAsTheStatement) {
    // 3,000 keywords spread over the sites in a scrambled order, a few without a site.
    QStringList values;
    for (int i = 1; i <= 3000; ++i)
        values << QStringLiteral("(%1,'kw%2','1')").arg(i % 37 == 0 ? 50 : (i * 7919) % 9 + 1).arg(i);
    db.Exec(QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName,Valid) Values ") + values.join(u','));

    for (const Shard& shard : {Shard{}, Shard{0, 3}, Shard{2, 3}}) {
        Recordset missions;
        openMissionList(db.connection(), missions, shard);
        EXPECT_EQ(listRows(missions), statementRows(db.connection(), shard)) << shard.text().toStdString();
    }
}

TEST_F(MissionListTest, EmptyListOpensEmpty) {
    Recordset missions;
    QSignalSpy reset(&missions, &Recordset::resetDone);
    EXPECT_EQ(openMissionList(db.connection(), missions), 0);
    EXPECT_TRUE(missions.isOpen());
    EXPECT_EQ(missions.currentRow(), -1);
    EXPECT_EQ(missions.fieldCount(), 14);
    EXPECT_EQ(reset.count(), 1);
}

TEST_F(MissionListTest, RowsCanBeEditedAndPostedByKey) {
    AddKeyword(QStringLiteral("2"), QStringLiteral("edited"));
    Recordset missions;
    openMissionList(db.connection(), missions);
    missions.setCurrentRow(0);
    missions.edit();
    missions.setFieldValue(QStringLiteral("GoogleRank"), QStringLiteral("7"));
    missions.post();
    EXPECT_EQ(db.Scalar(QStringLiteral("Select GoogleRank From SE_KeyWord Where KeyWordName='edited'")),
              QStringLiteral("7"));
}

} // namespace
} // namespace quorvane
