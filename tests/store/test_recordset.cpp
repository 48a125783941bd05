#include "store/DbError.h"
#include "store/MissionList.h"
#include "support/TempDatabase.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::TempDatabase;

class RecordsetTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName)Values('a.com')"));
        const char16_t* ranks[] = {u"10", u"2", u">100", u"1"};
        for (int i = 0; i < 4; ++i)
            db.Exec(
                QStringLiteral("Insert into SE_KeyWord(WebID,KeyWordName,GoogleRank,UpdateTime)values(1,'k") +
                QString::number(i) + QStringLiteral("','") + QString::fromUtf16(ranks[i]) +
                QStringLiteral("','2010-05-1") + QString::number(i) + QStringLiteral("')"));
        openMissionList(db.connection(), rs);
    }

    QStringList column(const char16_t* field) const {
        QStringList values;
        const int f = rs.fieldIndex(QStringView(field));
        for (int r = 0; r < rs.recordCount(); ++r)
            values << rs.value(r, f).toString();
        return values;
    }

    TempDatabase db;
    Recordset rs;
};

TEST_F(RecordsetTest, RankTextSortsAsTextBothWays) {
    rs.sort(QStringLiteral("GoogleRank ASC"));
    EXPECT_EQ(column(u"GoogleRank"), (QStringList{"1", "10", "2", ">100"}));
    rs.sort(QStringLiteral("GoogleRank DESC"));
    EXPECT_EQ(column(u"GoogleRank"), (QStringList{">100", "2", "10", "1"}));
}

TEST_F(RecordsetTest, CurrentRowFollowsItsRecordThroughASort) {
    rs.setCurrentRow(1); // k1, rank 2
    ASSERT_EQ(rs.fieldText(QStringLiteral("KeyWordName")), QStringLiteral("k1"));
    rs.sort(QStringLiteral("UpdateTime DESC"));
    EXPECT_EQ(rs.fieldText(QStringLiteral("KeyWordName")), QStringLiteral("k1"));
    EXPECT_EQ(rs.currentRow(), 2);
}

TEST_F(RecordsetTest, BadSortTextThrowsAndKeepsOrder) {
    const QStringList before = column(u"KeyWordName");
    EXPECT_THROW(rs.sort(QStringLiteral("NoField ASC")), DbError);
    EXPECT_THROW(rs.sort(QStringLiteral("GoogleRank SIDEWAYS")), DbError);
    EXPECT_EQ(column(u"KeyWordName"), before);
}

TEST_F(RecordsetTest, PostWritesOnlyChangedFieldsByKey) {
    rs.setCurrentRow(2);
    const QString id = rs.fieldText(QStringLiteral("KeyWordID"));
    rs.edit();
    rs.setFieldValue(QStringLiteral("BaiduRank"), QStringLiteral("稍候"));
    rs.setFieldValue(QStringLiteral("UpdateTime"), QStringLiteral("2026-12-10"));
    rs.post();
    EXPECT_EQ(db.Scalar(QStringLiteral("Select BaiduRank From SE_KeyWord Where KeyWordID=") + id),
              QStringLiteral("稍候"));
    EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_KeyWord Where BaiduRank='稍候'")),
              QStringLiteral("1"));
    EXPECT_EQ(db.Scalar(QStringLiteral("Select UpdateTime From SE_KeyWord Where KeyWordID=") + id),
              QStringLiteral("2026-12-10"));
}

TEST_F(RecordsetTest, FailedPostThrowsAndCancelRestores) {
    rs.setCurrentRow(0);
    const QString before = rs.fieldText(QStringLiteral("GoogleRank"));
    rs.edit();
    rs.setFieldValue(QStringLiteral("GoogleRank"), QString(21, u'x')); // wider than the column
    EXPECT_THROW(rs.post(), DbError);
    rs.cancel();
    EXPECT_EQ(rs.fieldText(QStringLiteral("GoogleRank")), before);
}

TEST_F(RecordsetTest, DeleteRowRemovesRecordAndKeepsACurrentRow) {
    QSignalSpy removed(&rs, &Recordset::rowRemoved);
    rs.setCurrentRow(3);
    rs.deleteRow(3);
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(rs.recordCount(), 3);
    EXPECT_EQ(rs.currentRow(), 2);
    EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_KeyWord")), QStringLiteral("3"));
}

TEST_F(RecordsetTest, ReopenSignalsAReset) {
    QSignalSpy reset(&rs, &Recordset::resetDone);
    rs.sort(QStringLiteral("GoogleRank ASC"));
    openMissionList(db.connection(), rs);
    EXPECT_EQ(reset.count(), 2);
    EXPECT_EQ(column(u"KeyWordName"), (QStringList{"k0", "k1", "k2", "k3"}));
}

} // namespace
} // namespace quorvane
