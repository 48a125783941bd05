// The reusable data grid and its model, over an in-memory recordset.
#include "platform/QStringPrinter.h"
#include "ui/DataGrid.h"
#include "ui/GridFindDialog.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

namespace quorvane {
namespace {

const QStringList kFields = {QStringLiteral("ID"), QStringLiteral("Name"), QStringLiteral("Rank"),
                             QStringLiteral("Note")};

std::vector<Recordset::Row> sampleRows() {
    // Rank holds text, as the rank cells do: "10" sorts before "2".
    return {
        {qlonglong(1), QStringLiteral("delta"), QStringLiteral("2"), QStringLiteral("x")},
        {qlonglong(2), QStringLiteral("alpha"), QStringLiteral("10"), QStringLiteral("稍候")},
        {qlonglong(3), QStringLiteral("charlie"), QStringLiteral("3"), QStringLiteral("y")},
        {qlonglong(4), QStringLiteral("Bravo"), QStringLiteral(">100"), QVariant()},
    };
}

std::vector<DataGridColumn> sampleColumns() {
    return {
        {QStringLiteral("名称"), QStringLiteral("Name"), 80, Qt::AlignCenter, true},
        {QStringLiteral("排名"), QStringLiteral("Rank"), 50, Qt::AlignCenter, true},
        {QStringLiteral("备注"), QStringLiteral("Note"), 60, Qt::AlignLeft, false},
        {QStringLiteral("编号"), QStringLiteral("ID"), 40, Qt::AlignRight, true},
        {QStringLiteral("缺少"), QStringLiteral("Missing"), 40, Qt::AlignCenter, true},
    };
}

class GridTest : public ::testing::Test {
protected:
    void SetUp() override {
        reopen();
        grid = std::make_unique<DataGrid>();
        model = grid->bind(rs, sampleColumns());
        grid->resize(400, 300);
    }
    void reopen() { rs.assign(nullptr, QStringLiteral("select"), kFields, sampleRows()); }
    QStringList column(int c) const {
        QStringList values;
        for (int r = 0; r < model->rowCount(); ++r)
            values << model->index(r, c).data().toString();
        return values;
    }
    QString markers() const {
        QString text;
        for (int c = 0; c < model->columnCount(); ++c)
            text += QStringLiteral("NDU").at(static_cast<int>(model->sortMarker(c)));
        return text;
    }
    void showGrid() {
        grid->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(grid.get()));
    }
    QPoint cellCentre(int row, int column) const {
        return grid->visualRect(model->index(row, column)).center();
    }

    Recordset rs;
    std::unique_ptr<DataGrid> grid;
    RecordsetModel* model = nullptr;
};

TEST_F(GridTest, ModelIsConsistentThroughReopenSortEditAndClose) {
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(model->rowCount(), 4);
    EXPECT_EQ(model->columnCount(), 5);
    rs.sort(QStringLiteral("Name DESC"));
    rs.setCurrentRow(2);
    rs.setFieldValue(QStringLiteral("Rank"), QStringLiteral("1"));
    reopen();
    rs.close();
    EXPECT_EQ(model->rowCount(), 0);
    reopen();
    EXPECT_EQ(model->rowCount(), 4);
}

TEST_F(GridTest, CellsTitlesAndFlags) {
    EXPECT_EQ(column(0), (QStringList{"delta", "alpha", "charlie", "Bravo"}));
    EXPECT_EQ(model->index(3, 2).data().toString(), QString()); // null shows empty
    EXPECT_EQ(column(4), QStringList(4, QString()));            // a field the set lacks shows empty
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("排名"));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::AlignCenter);
    EXPECT_EQ(model->index(0, 2).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_FALSE(model->flags(model->index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(grid->horizontalHeader()->sectionSize(0), 80);
    EXPECT_EQ(grid->horizontalHeader()->sectionSize(1), 50);
    EXPECT_TRUE(grid->horizontalHeader()->sectionsMovable());
    EXPECT_EQ(grid->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
}

TEST_F(GridTest, RowIndicatorFollowsTheCurrentRow) {
    EXPECT_FALSE(model->headerData(0, Qt::Vertical, Qt::DecorationRole).isNull());
    rs.setCurrentRow(2);
    EXPECT_TRUE(model->headerData(0, Qt::Vertical, Qt::DecorationRole).isNull());
    EXPECT_FALSE(model->headerData(2, Qt::Vertical, Qt::DecorationRole).isNull());
}

// A sequence of title clicks and what it leaves: the markers of the five columns (N none, D down, U up)
// and the first column's values.
struct SortCase {
    const char* name;
    std::vector<std::pair<int, bool>> clicks; // column, Ctrl held
    const char* markers;
    QStringList names;
};

class SortCycle : public GridTest, public ::testing::WithParamInterface<SortCase> {};

TEST_P(SortCycle, MarkersAndOrder) {
    for (const auto& [c, ctrl] : GetParam().clicks)
        grid->clickTitle(c, ctrl ? Qt::ControlModifier : Qt::NoModifier);
    EXPECT_EQ(markers(), QString::fromLatin1(GetParam().markers));
    EXPECT_EQ(column(0), GetParam().names);
}

const QStringList kStatementOrder = {"delta", "alpha", "charlie", "Bravo"};
const QStringList kByNameAsc = {"alpha", "Bravo", "charlie", "delta"};
const QStringList kByNameDesc = {"delta", "charlie", "Bravo", "alpha"};
const QStringList kByRankAsc = {"alpha", "delta", "charlie", "Bravo"}; // "10" < "2" < "3" < ">100"

const SortCase kSortCases[] = {
    {"first_click_ascending", {{0, false}}, "UNNNN", kByNameAsc},
    {"second_click_reverses", {{0, false}, {0, false}}, "DNNNN", kByNameDesc},
    {"third_click_ascending_again", {{0, false}, {0, false}, {0, false}}, "UNNNN", kByNameAsc},
    {"rank_sorts_as_text", {{1, false}}, "NUNNN", kByRankAsc},
    {"other_column_starts_ascending", {{0, false}, {0, false}, {1, false}}, "NUNNN", kByRankAsc},
    {"ctrl_keeps_other_markers", {{0, false}, {1, true}}, "UUNNN", kByRankAsc},
    {"ctrl_on_up_sorts_descending_and_clears", {{1, false}, {0, false}, {0, true}}, "NNNNN", kByNameDesc},
    {"ctrl_on_down_goes_up", {{0, false}, {0, false}, {0, true}}, "UNNNN", kByNameAsc},
    {"column_that_does_not_sort", {{0, false}, {2, false}}, "UNNNN", kByNameAsc},
    {"number_column_sorts_as_number",
     {{3, false}, {3, false}},
     "NNNDN",
     {"Bravo", "charlie", "alpha", "delta"}},
    {"failing_sort_leaves_rows_markers_move", {{0, false}, {4, false}}, "NNNNU", kByNameAsc},
};

INSTANTIATE_TEST_SUITE_P(Clicks, SortCycle, ::testing::ValuesIn(kSortCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GridTest, MarkersSurviveAReopenWhichRestoresTheStatementOrder) {
    grid->clickTitle(0, Qt::NoModifier);
    grid->clickTitle(1, Qt::ControlModifier);
    reopen();
    EXPECT_EQ(column(0), kStatementOrder);
    EXPECT_EQ(markers(), QStringLiteral("UUNNN"));
    // The next click on a column whose marker is up sorts descending, although it is the first since then.
    grid->clickTitle(0, Qt::NoModifier);
    EXPECT_EQ(column(0), kByNameDesc);
}

TEST_F(GridTest, SortKeepsTheCurrentRowCurrentInRecordsetAndGrid) {
    rs.setCurrentRow(1); // alpha
    grid->clickTitle(0, Qt::NoModifier);
    EXPECT_EQ(rs.fieldText(QStringLiteral("Name")), QStringLiteral("alpha"));
    EXPECT_EQ(rs.currentRow(), 0);
    EXPECT_EQ(grid->currentIndex().row(), 0);
    grid->clickTitle(0, Qt::NoModifier);
    EXPECT_EQ(rs.fieldText(QStringLiteral("Name")), QStringLiteral("alpha"));
    EXPECT_EQ(grid->currentIndex().row(), 3);
}

TEST_F(GridTest, TitleClicksDoNothingWhileTheSetIsClosed) {
    rs.close();
    QSignalSpy clicks(grid.get(), &DataGrid::titleClicked);
    grid->clickTitle(0, Qt::NoModifier);
    EXPECT_EQ(markers(), QStringLiteral("NNNNN"));
    EXPECT_EQ(clicks.count(), 0);
}

TEST_F(GridTest, MouseClickOnATitleSortsAndCtrlIsSeen) {
    showGrid();
    QHeaderView* titles = grid->horizontalHeader();
    const auto titleCentre = [&](int c) {
        return QPoint(titles->sectionViewportPosition(c) + titles->sectionSize(c) / 2, titles->height() / 2);
    };
    QTest::mouseClick(titles->viewport(), Qt::LeftButton, Qt::NoModifier, titleCentre(0));
    QTest::mouseClick(titles->viewport(), Qt::LeftButton, Qt::ControlModifier, titleCentre(1));
    EXPECT_EQ(markers(), QStringLiteral("UUNNN"));
    EXPECT_EQ(column(0), kByRankAsc);
    EXPECT_EQ(titles->height(), 24);
}

TEST_F(GridTest, CurrentRowFollowsBothWays) {
    showGrid();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(2, 1));
    EXPECT_EQ(rs.currentRow(), 2);
    // A move of the recordset's cursor moves the grid's cursor, not the user's selection.
    rs.setCurrentRow(3);
    EXPECT_EQ(grid->currentIndex().row(), 3);
    EXPECT_TRUE(grid->selectionModel()->isRowSelected(2, {}));
    EXPECT_FALSE(grid->selectionModel()->isRowSelected(3, {}));
    // Gaining the focus does not move the cursor.
    grid->clearFocus();
    grid->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(rs.currentRow(), 3);
    QTest::keyClick(grid.get(), Qt::Key_Up);
    EXPECT_EQ(rs.currentRow(), 2);
}

TEST_F(GridTest, CtrlAndShiftSelectSeveralRows) {
    showGrid();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(0, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, cellCentre(2, 0));
    EXPECT_EQ(grid->selectionModel()->selectedRows().size(), 2);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, cellCentre(3, 0));
    EXPECT_EQ(grid->selectionModel()->selectedRows().size(), 3); // 0, and 2..3 from the Ctrl anchor
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(0, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier, cellCentre(3, 0));
    EXPECT_EQ(grid->selectionModel()->selectedRows().size(), 4);
    EXPECT_EQ(rs.currentRow(), 3);
}

TEST_F(GridTest, TypedCharactersChangeNothing) {
    showGrid();
    grid->setFocus();
    rs.setCurrentRow(0);
    QTest::keyClicks(grid.get(), QStringLiteral("ab1 c"));
    QTest::keyClick(grid.get(), Qt::Key_Return);
    QTest::keyClick(grid.get(), Qt::Key_F2);
    EXPECT_EQ(rs.currentRow(), 0);
    EXPECT_EQ(QApplication::focusWidget(), grid.get()); // no editor opened
    EXPECT_EQ(column(0), kStatementOrder);
    // Navigation keys still work.
    QTest::keyClick(grid.get(), Qt::Key_Down);
    EXPECT_EQ(rs.currentRow(), 1);
}

TEST_F(GridTest, ColoursComeFromTheHookAndSelectionWins) {
    model->setRowColourHook([](const Recordset& set, int row) -> RowColours {
        if (set.value(row, set.fieldIndex(u"Note")).toString() == QStringLiteral("稍候"))
            return {Qt::red, Qt::white};
        return {};
    });
    showGrid();
    const auto optionFor = [&](int row, int c) {
        QStyleOptionViewItem option;
        option.initFrom(grid->viewport());
        static_cast<GridItemDelegate*>(grid->itemDelegate())->initStyleOption(&option, model->index(row, c));
        return option;
    };
    for (int c = 0; c < model->columnCount(); ++c) {
        EXPECT_EQ(model->index(1, c).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::red));
        EXPECT_EQ(optionFor(1, c).backgroundBrush.color(), QColor(Qt::red)) << c;
        EXPECT_EQ(optionFor(1, c).palette.color(QPalette::Text), QColor(Qt::white)) << c;
    }
    EXPECT_FALSE(model->index(0, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_FALSE(grid->cellColours(model->index(0, 0)).background.isValid());

    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(1, 0));
    for (int c = 0; c < model->columnCount(); ++c) {
        EXPECT_EQ(grid->cellColours(model->index(1, c)).background, DataGrid::selectedBackground());
        EXPECT_EQ(optionFor(1, c).backgroundBrush.color(), QColor(0, 0, 255));
        EXPECT_EQ(optionFor(1, c).palette.color(QPalette::HighlightedText), QColor(Qt::white));
    }
    // Edits of a row repaint it with its new colours.
    rs.setFieldValue(QStringLiteral("Note"), QStringLiteral("z"));
    EXPECT_FALSE(model->index(1, 0).data(Qt::BackgroundRole).isValid());
}

TEST_F(GridTest, FooterShowsTheOwnersTextsBelowTheRows) {
    grid->setFooterTextProvider(
        [this](int c) { return c == 0 ? QString::number(rs.recordCount()) : QString(); });
    showGrid();
    EXPECT_EQ(grid->footerText(0), QStringLiteral("4"));
    EXPECT_EQ(grid->footerText(1), QString());
    QWidget* footer = grid->footer();
    EXPECT_TRUE(footer->isVisible());
    EXPECT_GE(footer->geometry().top(), grid->viewport()->geometry().bottom());
    EXPECT_GT(footer->height(), 0);
    // The footer is painted yellow under the columns.
    const QImage image = grid->grab().toImage();
    const QPoint inFooter =
        footer->geometry().topLeft() +
        QPoint(grid->verticalHeader()->width() + model->gridColumn(0).width - 4, footer->height() / 2);
    EXPECT_EQ(image.pixelColor(inFooter), DataGrid::footerBackground());
}

TEST_F(GridTest, FindMovesToTheNextMatchAndWrapsRound) {
    showGrid();
    rs.setCurrentRow(0);
    ASSERT_EQ(grid->currentIndex(), model->index(0, 0));
    // The search starts after the current cell and goes row by row.
    EXPECT_TRUE(grid->findText(QStringLiteral("A"), {}));
    EXPECT_EQ(grid->currentIndex(), model->index(1, 0)); // alpha
    EXPECT_EQ(rs.currentRow(), 1);
    EXPECT_TRUE(grid->findText(QStringLiteral("A"), {}));
    EXPECT_EQ(grid->currentIndex(), model->index(2, 0)); // charlie
    EXPECT_TRUE(grid->findText(QStringLiteral("A"), {}));
    EXPECT_EQ(grid->currentIndex(), model->index(3, 0)); // Bravo
    EXPECT_TRUE(grid->findText(QStringLiteral("A"), {}));
    EXPECT_EQ(grid->currentIndex(), model->index(0, 0));              // wrapped round to delta
    EXPECT_FALSE(grid->findText(QStringLiteral("A"), {true, false})); // no upper-case A anywhere
    EXPECT_EQ(grid->currentIndex(), model->index(0, 0));
    EXPECT_TRUE(grid->findText(QStringLiteral("10"), {false, true})); // whole cell: not ">100"
    EXPECT_EQ(grid->currentIndex(), model->index(1, 1));
    EXPECT_TRUE(grid->findText(QStringLiteral("10"), {false, false}));
    EXPECT_EQ(grid->currentIndex(), model->index(3, 1)); // part of ">100"
    EXPECT_FALSE(grid->findText(QStringLiteral("zzz"), {}));
}

TEST_F(GridTest, CtrlFOpensTheFindDialog) {
    showGrid();
    grid->setFocus();
    QTest::keyClick(grid.get(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_NE(grid->findDialog(), nullptr);
    EXPECT_TRUE(grid->findDialog()->isVisible());
    grid->findDialog()->textEdit()->setText(QStringLiteral("char"));
    EXPECT_TRUE(grid->findDialog()->findNext());
    EXPECT_EQ(rs.currentRow(), 2);
    grid->findDialog()->textEdit()->setText(QStringLiteral("nowhere"));
    EXPECT_FALSE(grid->findDialog()->findNext());
    EXPECT_TRUE(grid->findDialog()->statusLabel()->text().contains(QStringLiteral("未找到")));
}

TEST_F(GridTest, ManyRowsNeedNoMeasuring) {
    std::vector<Recordset::Row> rows;
    for (int i = 0; i < 10000; ++i)
        rows.push_back({qlonglong(i), QString::number(i), QString(), QString()});
    rs.assign(nullptr, QStringLiteral("select"), kFields, std::move(rows));
    showGrid();
    EXPECT_EQ(model->rowCount(), 10000);
    rs.setCurrentRow(9999);
    EXPECT_EQ(grid->currentIndex().row(), 9999);
    EXPECT_TRUE(grid->viewport()->rect().intersects(grid->visualRect(model->index(9999, 0))));
}

} // namespace
} // namespace quorvane
