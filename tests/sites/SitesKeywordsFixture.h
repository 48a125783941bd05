#pragma once

#include "sites/RecordGrid.h"
#include "sites/RecordModel.h"
#include "sites/SitesKeywordsDialog.h"
#include "support/MessageRecorder.h"
#include "support/TempDatabase.h"

#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace quorvane::test {

// Columns of the URL grid and of the keyword grid.
constexpr int kUrlCheckColumn = 0;
constexpr int kUrlNameColumn = 1;
constexpr int kUrlDeleteColumn = 3;
constexpr int kKeywordNameColumn = 0;
constexpr int kKeywordDeleteColumn = 2;

// One database per test suite (opening one costs a key derivation); every test starts with empty tables
// and a freshly opened, shown dialog.
class SettingsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { database() = std::make_unique<TempDatabase>(); }
    static void TearDownTestSuite() { database().reset(); }

    void SetUp() override {
        Db().Exec(QStringLiteral("Delete From SE_KeyUrl"));
        Db().Exec(QStringLiteral("Delete From SE_KeyWord"));
        Db().Exec(QStringLiteral("Delete From SE_RankHistory"));
    }

    static TempDatabase& Db() { return *database(); }
    static Database& connection() { return database()->connection(); }

    SitesKeywordsDialog& Open() {
        dialog_ = std::make_unique<SitesKeywordsDialog>(connection());
        dialog_->show();
        dialog_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
        return *dialog_;
    }
    SitesKeywordsDialog& dialog() { return *dialog_; }

    // A URL row as the dialog stores it; returns its WebID.
    static int AddUrl(const QString& name, bool checked = true) {
        Db().Exec(QStringLiteral("Insert Into SE_KeyUrl(UrlName,AddTime,State,UpdateTime,isCheck)Values('") +
                  name + QStringLiteral("','2024-01-01','删除','2024-01-01',") +
                  (checked ? QStringLiteral("-1") : QStringLiteral("0")) + u')');
        return Db().Scalar(QStringLiteral("Select max(WebID) From SE_KeyUrl")).toInt();
    }
    static int AddKeyWord(int webId, const QString& name, const QString& valid = QStringLiteral("1")) {
        Db().Exec(QStringLiteral(
                      "Insert Into SE_KeyWord(WebID,KeyWordName,AddTime,State,UpdateTime,Valid)values(") +
                  QString::number(webId) + QStringLiteral(",'") + name +
                  QStringLiteral("','2024-01-01','删除','2024-01-01','") + valid + QStringLiteral("')"));
        return Db().Scalar(QStringLiteral("Select max(KeyWordID) From SE_KeyWord")).toInt();
    }

    // Every value of the first column of a query, in its order.
    static QStringList Column(const QString& sql) {
        Recordset rs;
        connection().openQuery(rs, sql);
        QStringList values;
        for (int row = 0; row < rs.recordCount(); ++row)
            values << rs.value(row, 0).toString();
        return values;
    }
    static int Count(const QString& sql) {
        return Db().Scalar(QStringLiteral("Select count(*) From ") + sql).toInt();
    }

    // Mouse actions on a list cell, as a user makes them.
    static QPoint CellCentre(RecordGrid* grid, int row, int column) {
        const QModelIndex index = grid->model()->index(row, column);
        grid->scrollTo(index);
        return grid->visualRect(index).center();
    }
    static void Click(RecordGrid* grid, int row, int column,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, CellCentre(grid, row, column));
    }
    static void DoubleClick(RecordGrid* grid, int row, int column) {
        const QPoint at = CellCentre(grid, row, column);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }
    // The values of a field in the rows of a list, as shown.
    static QStringList Shown(RecordGrid* grid, const QString& field) {
        QStringList values;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            values << grid->recordModel()->rowValue(row, field).toString();
        return values;
    }

    MessageRecorder messages;

private:
    static std::unique_ptr<TempDatabase>& database() {
        static std::unique_ptr<TempDatabase> db;
        return db;
    }
    std::unique_ptr<SitesKeywordsDialog> dialog_;
};

} // namespace quorvane::test
