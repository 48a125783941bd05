#include "store/DbError.h"
#include "store/MissionList.h"
#include "support/TempDatabase.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <stdexcept>

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

TEST_F(RecordsetTest, SnapshotKeepsTheRowsWhileTheSetChanges) {
    const int keyword = rs.fieldIndex(u"KeyWordName");
    const RecordSnapshot before = rs.snapshot();
    rs.sort(QStringLiteral("GoogleRank DESC"));
    rs.setCurrentRow(0);
    rs.edit();
    rs.setFieldValue(QStringLiteral("KeyWordName"), QStringLiteral("edited"));
    rs.post();
    rs.deleteRow(3);

    QStringList kept;
    for (int row = 0; row < before.rowCount(); ++row)
        kept << before.row(row).text(keyword);
    EXPECT_EQ(kept, (QStringList{"k0", "k1", "k2", "k3"}));
    EXPECT_EQ(column(u"KeyWordName"), (QStringList{"edited", "k1", "k0"}));
    openMissionList(db.connection(), rs);
    EXPECT_EQ(before.rowCount(), 4);
}

struct StoredValueCase {
    const char* name;
    const char* sqlValue;
    QMetaType::Type type;
    const char* text;
};

class StoredValueTest : public ::testing::TestWithParam<StoredValueCase> {};

// Each kind of value comes back with its type and its text, also beside other kinds in one row.
TEST_P(StoredValueTest, ComesBackWithItsTypeAndText) {
    const StoredValueCase& c = GetParam();
    TempDatabase db;
    Recordset rs;
    db.connection().openQuery(rs, QStringLiteral("Select 7 As Before, ") + QString::fromUtf8(c.sqlValue) +
                                      QStringLiteral(" As Value, 'after' As After"));
    ASSERT_EQ(rs.recordCount(), 1);
    const QVariant value = rs.value(0, 1);
    if (c.type == QMetaType::UnknownType)
        EXPECT_TRUE(value.isNull());
    else
        EXPECT_EQ(value.typeId(), c.type);
    EXPECT_EQ(value.toString(), QString::fromUtf8(c.text));
    EXPECT_EQ(rs.text(0, 1), QString::fromUtf8(c.text));
    EXPECT_EQ(rs.value(0, 0).toLongLong(), 7);
    EXPECT_EQ(rs.text(0, 2), QStringLiteral("after"));
}

const StoredValueCase kStoredValueCases[] = {
    {"integer", "-42", QMetaType::LongLong, "-42"},
    {"large_integer", "9007199254740993", QMetaType::LongLong, "9007199254740993"},
    {"real", "2.5", QMetaType::Double, "2.5"},
    {"text", "'稍候'", QMetaType::QString, "稍候"},
    {"empty_text", "''", QMetaType::QString, ""},
    {"long_text",
     "'"
     "0123456789012345678901234567890123456789012345678901234567890123456789"
     "'",
     QMetaType::QString, "0123456789012345678901234567890123456789012345678901234567890123456789"},
    {"null", "null", QMetaType::UnknownType, ""},
    {"blob", "x'4142'", QMetaType::QByteArray, "AB"},
};

INSTANTIATE_TEST_SUITE_P(Kinds, StoredValueTest, ::testing::ValuesIn(kStoredValueCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordsetTest, ValuesOutsideTheSetAreRefused) {
    // A field past the last must not read the next row's first value.
    EXPECT_THROW(rs.value(0, rs.fieldCount()), std::out_of_range);
    EXPECT_THROW(rs.value(rs.recordCount(), 0), std::out_of_range);
    EXPECT_THROW(rs.value(-1, 0), std::out_of_range);
}

// A table of rows "r0".."r5" with their number in a second column.
RecordTable numberedRows(int count) {
    RecordTable table(2);
    for (int row = 0; row < count; ++row) {
        table.appendPooledText(table.addText(QStringLiteral("r%1").arg(row)));
        table.appendInteger(row);
    }
    return table;
}

QStringList firstColumn(const RecordTable& table) {
    QStringList texts;
    for (int row = 0; row < table.rowCount(); ++row)
        texts << table.text(row, 0) + u'/' + table.text(row, 1);
    return texts;
}

TEST(RecordTable, ReordersRowsWithEveryValue) {
    // Two cycles (0 2 4 and 1 5) and a row that stays.
    RecordTable table = numberedRows(6);
    table.reorder({2, 5, 4, 3, 0, 1});
    EXPECT_EQ(firstColumn(table), (QStringList{"r2/2", "r5/5", "r4/4", "r3/3", "r0/0", "r1/1"}));
    table.removeRow(1);
    table.removeRow(4);
    EXPECT_EQ(firstColumn(table), (QStringList{"r2/2", "r4/4", "r3/3", "r0/0"}));
}

TEST(RecordTable, AnOrderThatIsNoPermutationChangesNothing) {
    RecordTable table = numberedRows(4);
    const QStringList before = firstColumn(table);
    for (const std::vector<int>& order :
         {std::vector<int>{0, 1, 2}, std::vector<int>{0, 1, 1, 3}, std::vector<int>{0, 1, 2, 4}}) {
        EXPECT_THROW(table.reorder(order), std::invalid_argument);
        EXPECT_EQ(firstColumn(table), before);
    }
}

TEST_F(RecordsetTest, EditedValuesKeepTheirType) {
    rs.setCurrentRow(1);
    rs.edit();
    rs.setFieldValue(QStringLiteral("GoogleRank"), true);
    rs.setFieldValue(QStringLiteral("BaiduRank"), 12.5);
    EXPECT_EQ(rs.fieldByName(QStringLiteral("GoogleRank")).typeId(), QMetaType::Bool);
    EXPECT_EQ(rs.fieldByName(QStringLiteral("BaiduRank")).toDouble(), 12.5);
    rs.cancel();
    EXPECT_EQ(rs.fieldText(QStringLiteral("GoogleRank")), QStringLiteral("2"));
}

} // namespace
} // namespace quorvane
