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
        OpenMissionList(db.connection(), rs);
    }

    QStringList column(const char16_t* field) const {
        QStringList values;
        const int f = rs.FieldIndex(QStringView(field));
        for (int r = 0; r < rs.RecordCount(); ++r)
            values << rs.Value(r, f).toString();
        return values;
    }

    TempDatabase db;
    Recordset rs;
};

TEST_F(RecordsetTest, RankTextSortsAsTextBothWays) {
    rs.Sort(QStringLiteral("GoogleRank ASC"));
    EXPECT_EQ(column(u"GoogleRank"), (QStringList{"1", "10", "2", ">100"}));
    rs.Sort(QStringLiteral("GoogleRank DESC"));
    EXPECT_EQ(column(u"GoogleRank"), (QStringList{">100", "2", "10", "1"}));
}

TEST_F(RecordsetTest, CurrentRowFollowsItsRecordThroughASort) {
    rs.SetCurrentRow(1); // k1, rank 2
    ASSERT_EQ(rs.FieldText(QStringLiteral("KeyWordName")), QStringLiteral("k1"));
    rs.Sort(QStringLiteral("UpdateTime DESC"));
    EXPECT_EQ(rs.FieldText(QStringLiteral("KeyWordName")), QStringLiteral("k1"));
    EXPECT_EQ(rs.CurrentRow(), 2);
}

TEST_F(RecordsetTest, BadSortTextThrowsAndKeepsOrder) {
    const QStringList before = column(u"KeyWordName");
    EXPECT_THROW(rs.Sort(QStringLiteral("NoField ASC")), DbError);
    EXPECT_THROW(rs.Sort(QStringLiteral("GoogleRank SIDEWAYS")), DbError);
    EXPECT_EQ(column(u"KeyWordName"), before);
}

TEST_F(RecordsetTest, PostWritesOnlyChangedFieldsByKey) {
    rs.SetCurrentRow(2);
    const QString id = rs.FieldText(QStringLiteral("KeyWordID"));
    rs.Edit();
    rs.SetFieldValue(QStringLiteral("BaiduRank"), QStringLiteral("稍候"));
    rs.SetFieldValue(QStringLiteral("UpdateTime"), QStringLiteral("2026-12-10"));
    rs.Post();
    EXPECT_EQ(db.Scalar(QStringLiteral("Select BaiduRank From SE_KeyWord Where KeyWordID=") + id),
              QStringLiteral("稍候"));
    EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_KeyWord Where BaiduRank='稍候'")),
              QStringLiteral("1"));
    EXPECT_EQ(db.Scalar(QStringLiteral("Select UpdateTime From SE_KeyWord Where KeyWordID=") + id),
              QStringLiteral("2026-12-10"));
}

TEST_F(RecordsetTest, FailedPostThrowsAndCancelRestores) {
    rs.SetCurrentRow(0);
    const QString before = rs.FieldText(QStringLiteral("GoogleRank"));
    rs.Edit();
    rs.SetFieldValue(QStringLiteral("GoogleRank"), QString(21, u'x')); // wider than the column
    EXPECT_THROW(rs.Post(), DbError);
    rs.Cancel();
    EXPECT_EQ(rs.FieldText(QStringLiteral("GoogleRank")), before);
}

TEST_F(RecordsetTest, DeleteRowRemovesRecordAndKeepsACurrentRow) {
    QSignalSpy removed(&rs, &Recordset::rowRemoved);
    rs.SetCurrentRow(3);
    rs.DeleteRow(3);
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(rs.RecordCount(), 3);
    EXPECT_EQ(rs.CurrentRow(), 2);
    EXPECT_EQ(db.Scalar(QStringLiteral("Select count(*) From SE_KeyWord")), QStringLiteral("3"));
}

TEST_F(RecordsetTest, ReopenSignalsAReset) {
    QSignalSpy reset(&rs, &Recordset::resetDone);
    rs.Sort(QStringLiteral("GoogleRank ASC"));
    OpenMissionList(db.connection(), rs);
    EXPECT_EQ(reset.count(), 2);
    EXPECT_EQ(column(u"KeyWordName"), (QStringList{"k0", "k1", "k2", "k3"}));
}

} // namespace
} // namespace quorvane
