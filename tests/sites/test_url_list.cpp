#include "SitesKeywordsFixture.h"

#include "finder/UrlFinder.h"

#include <QComboBox>

#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

namespace quorvane::test {
namespace {

using UrlList = SettingsTest;

TEST_F(UrlList, OpensWithTheListAndItsCount) {
    AddUrl(QStringLiteral("a.com"));
    AddUrl(QStringLiteral("b.com"));
    AddUrl(QStringLiteral("c.com"));
    SitesKeywordsDialog& dialog = Open();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("关键词链接设置"));
    EXPECT_EQ(dialog.size(), QSize(820, 477));
    EXPECT_EQ(dialog.urlBox->title(), QStringLiteral("记录链接数3"));
    EXPECT_EQ(Shown(dialog.urlGrid, QStringLiteral("UrlName")),
              (QStringList{QStringLiteral("a.com"), QStringLiteral("b.com"), QStringLiteral("c.com")}));
    EXPECT_EQ(dialog.urlGrid->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_TRUE(dialog.keywordBox->title().isEmpty());
    EXPECT_EQ(dialog.curWebId(), 0);
    EXPECT_FALSE(dialog.keywords.isOpen());
    EXPECT_FALSE(dialog.urlEditPanel->isVisible());
    EXPECT_FALSE(dialog.keywordEditPanel->isVisible());
    EXPECT_FALSE(dialog.importProgress->isVisible());
}

struct CanonicalCase {
    const char* name;
    const char16_t* typed;
    const char16_t* stored;
};

class UrlCanonicalForm : public SettingsTest, public ::testing::WithParamInterface<CanonicalCase> {};

TEST_P(UrlCanonicalForm, AddStoresTheCanonicalForm) {
    SitesKeywordsDialog& dialog = Open();
    dialog.urlEdit->setText(QString::fromUtf16(GetParam().typed));
    QTest::mouseClick(dialog.addUrlButton, Qt::LeftButton);
    EXPECT_TRUE(messages.Messages().empty()) << messages.Texts().join(u'|').toStdString();
    EXPECT_EQ(Column(QStringLiteral("Select UrlName From SE_KeyUrl")),
              QStringList{QString::fromUtf16(GetParam().stored)});
    EXPECT_TRUE(dialog.urlEdit->text().isEmpty());
    EXPECT_EQ(dialog.urlBox->title(), QStringLiteral("记录链接数1"));
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    EXPECT_EQ(
        Column(QStringLiteral("Select AddTime||'|'||UpdateTime||'|'||State||'|'||isCheck From SE_KeyUrl")),
        QStringList{today + u'|' + today + QStringLiteral("|删除|-1")});
}

INSTANTIATE_TEST_SUITE_P(
    Forms, UrlCanonicalForm,
    ::testing::Values(
        CanonicalCase{"Prefix", u"http://www.example.com", u"www.example.com"},
        CanonicalCase{"PrefixAndPath", u"http://www.example.com/news/a.html", u"www.example.comnewsa.html"},
        CanonicalCase{"SecurePrefixKeepsItsColon", u"https://www.example.com/", u"https:www.example.com"},
        CanonicalCase{"CapitalPrefixStays", u"HTTP://Example.com", u"HTTP:Example.com"},
        CanonicalCase{"TrailingSlash", u"example.com/", u"example.com"},
        CanonicalCase{"BlanksKept", u"  example.com  ", u"  example.com  "},
        CanonicalCase{"Quote", u"o'neil.com", u"o'neil.com"},
        CanonicalCase{"Chinese", u"http://例子.中国/", u"例子.中国"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UrlList, EnterInTheEditBoxAdds) {
    SitesKeywordsDialog& dialog = Open();
    dialog.urlEdit->setFocus();
    QTest::keyClicks(dialog.urlEdit, QStringLiteral("a.com"));
    QTest::keyClick(dialog.urlEdit, Qt::Key_Return);
    EXPECT_EQ(Column(QStringLiteral("Select UrlName From SE_KeyUrl")), QStringList{QStringLiteral("a.com")});
    EXPECT_TRUE(dialog.isVisible()) << "Enter must not close the dialog";
}

TEST_F(UrlList, DuplicatesAreRefusedWithTheTextKept) {
    SitesKeywordsDialog& dialog = Open();
    dialog.urlEdit->setText(QStringLiteral("http://www.a.com"));
    dialog.addUrl();
    for (const QString& again : {QStringLiteral("www.a.com"), QStringLiteral("www.a.com/"),
                                 QStringLiteral("http://www.a.com/"), QStringLiteral("WWW.A.COM")}) {
        messages.Clear();
        dialog.urlEdit->setText(again);
        dialog.addUrl();
        ASSERT_EQ(messages.Texts(), QStringList{QStringLiteral("存在相同链接！")}) << again.toStdString();
        EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Error);
        EXPECT_EQ(dialog.urlEdit->text(), again);
    }
    EXPECT_EQ(Count(QStringLiteral("SE_KeyUrl")), 1);
    EXPECT_EQ(dialog.urlBox->title(), QStringLiteral("记录链接数1"));
}

TEST_F(UrlList, BlankTextIsRefused) {
    SitesKeywordsDialog& dialog = Open();
    for (const QString& blank : {QString(), QStringLiteral("   ")}) {
        messages.Clear();
        dialog.urlEdit->setText(blank);
        dialog.addUrl();
        ASSERT_EQ(messages.Texts(), QStringList{QStringLiteral("链接不能为空!")});
        EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Information);
    }
    EXPECT_EQ(Count(QStringLiteral("SE_KeyUrl")), 0);
}

TEST_F(UrlList, TooLongForItsColumnFailsAndKeepsTheText) {
    SitesKeywordsDialog& dialog = Open();
    const QString tooLong = QString(51, u'x');
    dialog.urlEdit->setText(tooLong);
    dialog.addUrl();
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("新增链接失败!")});
    EXPECT_EQ(dialog.urlEdit->text(), tooLong);
    EXPECT_EQ(Count(QStringLiteral("SE_KeyUrl")), 0);
    EXPECT_EQ(dialog.urlBox->title(), QStringLiteral("记录链接数0"));
}

// At the dialog's size both lists show all their columns, with enough rows for a vertical scroll bar and
// the longest texts their columns are meant for: no horizontal scroll bar, and every title whole.
TEST_F(UrlList, BothListsFitTheirColumnsWithoutScrollingSideways) {
    const int first = AddUrl(QStringLiteral("www.a-rather-long-site-name-for-the-list.com"));
    for (int i = 0; i < 40; ++i)
        AddUrl(QStringLiteral("www.site%1.com").arg(i));
    for (int i = 0; i < 40; ++i)
        AddKeyWord(first, QStringLiteral("关键词名称%1").arg(i));
    SitesKeywordsDialog& dialog = Open();
    Click(dialog.urlGrid, 0, kUrlNameColumn);
    QCoreApplication::processEvents();
    // However long the URL in its title, the keyword box stays inside the dialog.
    EXPECT_LE(dialog.keywordBox->mapTo(&dialog, QPoint(dialog.keywordBox->width(), 0)).x(), dialog.width());
    EXPECT_EQ(dialog.urlGrid->columnWidth(kUrlNameColumn), 200);
    // The row marker's width depends on the font's "▶": the name column gives way to a wider one, and takes
    // its own width back when the marker narrows again.
    struct Case {
        RecordGrid* grid;
        int nameColumn;
    };
    for (const Case& c : {Case{dialog.urlGrid, kUrlNameColumn}, Case{dialog.keywordGrid, 0}}) {
        RecordGrid* grid = c.grid;
        const int marker = grid->verticalHeader()->width();
        const int nameWidth = grid->columnWidth(c.nameColumn);
        for (const int extra : {0, 3, 30, 0}) {
            SCOPED_TRACE(grid->objectName().toStdString() + " marker +" + std::to_string(extra));
            grid->verticalHeader()->setFixedWidth(marker + extra);
            // The view lays its header and viewport out again, as it does when the header's font changes.
            QMetaObject::invokeMethod(grid, "updateGeometries");
            QCoreApplication::processEvents();
            EXPECT_TRUE(grid->verticalScrollBar()->isVisible());
            EXPECT_FALSE(grid->horizontalScrollBar()->isVisible());
            const QFontMetricsF metrics(grid->horizontalHeader()->font());
            for (int column = 0; column < grid->model()->columnCount(); ++column) {
                const QString title = grid->model()->headerData(column, Qt::Horizontal).toString();
                EXPECT_LT(metrics.horizontalAdvance(title), grid->columnWidth(column)) << title.toStdString();
            }
        }
        EXPECT_EQ(grid->columnWidth(c.nameColumn), nameWidth);
    }
}

// Hundreds of rows: the row marker's header measures only some rows for its width, yet whichever row the
// marker stands on, both lists fit their columns without a sideways scroll bar.
TEST_F(UrlList, ManyRowsNeverScrollSideways) {
    const int first = AddUrl(QStringLiteral("www.many-keywords.com"));
    for (int i = 0; i < 120; ++i)
        AddUrl(QStringLiteral("www.site%1.com").arg(i));
    for (int i = 0; i < 500; ++i)
        AddKeyWord(first, QStringLiteral("关键词%1").arg(i));
    SitesKeywordsDialog& dialog = Open();
    Click(dialog.urlGrid, 0, kUrlNameColumn);
    QCoreApplication::processEvents();
    ASSERT_EQ(dialog.keywordGrid->model()->rowCount(), 500);
    for (RecordGrid* grid : {dialog.urlGrid, dialog.keywordGrid}) {
        const int rows = grid->model()->rowCount();
        for (const int row : {0, rows / 2, rows - 1, 0}) {
            SCOPED_TRACE(grid->objectName().toStdString() + " row " + std::to_string(row));
            grid->selectOnly(row);
            grid->scrollTo(grid->model()->index(row, 0));
            QCoreApplication::processEvents();
            EXPECT_TRUE(grid->verticalScrollBar()->isVisible());
            EXPECT_FALSE(grid->horizontalScrollBar()->isVisible())
                << "columns " << grid->horizontalHeader()->length() << " in " << grid->viewport()->width();
        }
    }
}

TEST_F(UrlList, ClickingAUrlShowsItsKeyWords) {
    const int a = AddUrl(QStringLiteral("a.com"));
    const int b = AddUrl(QStringLiteral("b.com"));
    AddKeyWord(a, QStringLiteral("alpha"));
    AddKeyWord(b, QStringLiteral("beta"));
    AddKeyWord(b, QStringLiteral("gamma"));
    SitesKeywordsDialog& dialog = Open();
    Click(dialog.urlGrid, 1, kUrlNameColumn);
    EXPECT_EQ(dialog.curWebId(), b);
    EXPECT_EQ(dialog.keywordBox->title(), QStringLiteral("b.com对应关键词设置"));
    EXPECT_EQ(Shown(dialog.keywordGrid, QStringLiteral("KeyWordName")),
              (QStringList{QStringLiteral("beta"), QStringLiteral("gamma")}));
    EXPECT_EQ(Column(QStringLiteral("Select isCheck From SE_KeyUrl Where WebID=") + QString::number(b)),
              QStringList{QStringLiteral("-1")})
        << "a click outside the check box column does not toggle";
}

TEST_F(UrlList, CheckBoxRewritesValidOfAllTheUrlsKeyWords) {
    const int a = AddUrl(QStringLiteral("a.com"));
    const int other = AddUrl(QStringLiteral("other.com"));
    AddKeyWord(a, QStringLiteral("one"), QStringLiteral("1"));
    AddKeyWord(a, QStringLiteral("two"), QStringLiteral("0"));
    AddKeyWord(other, QStringLiteral("three"), QStringLiteral("1"));
    SitesKeywordsDialog& dialog = Open();
    const QString validOfA = QStringLiteral("Select Valid From SE_KeyWord Where WebID=") + QString::number(a);
    const QString checkOfA =
        QStringLiteral("Select isCheck From SE_KeyUrl Where WebID=") + QString::number(a);

    Click(dialog.urlGrid, 0, kUrlCheckColumn);
    EXPECT_EQ(Column(checkOfA), QStringList{QStringLiteral("0")});
    EXPECT_EQ(Column(validOfA), (QStringList{QStringLiteral("0"), QStringLiteral("0")}));
    EXPECT_EQ(
        dialog.urlGrid->model()->index(0, kUrlCheckColumn).data(Qt::CheckStateRole).value<Qt::CheckState>(),
        Qt::Unchecked);

    Click(dialog.urlGrid, 0, kUrlCheckColumn);
    EXPECT_EQ(Column(checkOfA), QStringList{QStringLiteral("-1")});
    EXPECT_EQ(Column(validOfA), (QStringList{QStringLiteral("1"), QStringLiteral("1")}))
        << "ticking again switches on every keyword, also those that were off before";
    EXPECT_EQ(Column(QStringLiteral("Select Valid From SE_KeyWord Where WebID=") + QString::number(other)),
              QStringList{QStringLiteral("1")});
    EXPECT_EQ(
        dialog.urlGrid->model()->index(0, kUrlCheckColumn).data(Qt::CheckStateRole).value<Qt::CheckState>(),
        Qt::Checked);
    EXPECT_EQ(dialog.curWebId(), a);
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(UrlList, EditPanelSavesTheTextAsTyped) {
    AddUrl(QStringLiteral("a.com"));
    const int b = AddUrl(QStringLiteral("b.com"));
    SitesKeywordsDialog& dialog = Open();
    DoubleClick(dialog.urlGrid, 1, kUrlNameColumn);
    ASSERT_TRUE(dialog.urlEditPanel->isVisible());
    EXPECT_EQ(dialog.editedUrlEdit->text(), QStringLiteral("b.com"));
    EXPECT_FALSE(dialog.urlGrid->isEnabled());
    EXPECT_EQ(dialog.curWebId(), b);

    // Blank text: nothing happens.
    dialog.editedUrlEdit->setText(QStringLiteral("  "));
    dialog.saveEditedUrl();
    EXPECT_TRUE(dialog.urlEditPanel->isVisible());
    EXPECT_FALSE(dialog.urlGrid->isEnabled());
    EXPECT_TRUE(messages.Messages().empty());

    // No canonical form and no duplicate test: the edit may equal another URL.
    dialog.editedUrlEdit->setText(QStringLiteral("http://a.com/"));
    QTest::keyClick(dialog.editedUrlEdit, Qt::Key_Return);
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("更新链接成功!")});
    EXPECT_FALSE(dialog.urlEditPanel->isVisible());
    EXPECT_TRUE(dialog.urlGrid->isEnabled());
    EXPECT_EQ(Column(QStringLiteral("Select UrlName From SE_KeyUrl Where WebID=") + QString::number(b)),
              QStringList{QStringLiteral("http://a.com/")});
    EXPECT_EQ(Shown(dialog.urlGrid, QStringLiteral("UrlName")),
              (QStringList{QStringLiteral("a.com"), QStringLiteral("http://a.com/")}));
}

TEST_F(UrlList, FailedEditKeepsThePanelAndEnablesTheList) {
    AddUrl(QStringLiteral("a.com"));
    SitesKeywordsDialog& dialog = Open();
    DoubleClick(dialog.urlGrid, 0, kUrlNameColumn);
    dialog.editedUrlEdit->setText(QString(51, u'y'));
    dialog.saveEditedUrl();
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_TRUE(dialog.urlEditPanel->isVisible());
    EXPECT_TRUE(dialog.urlGrid->isEnabled());
    EXPECT_EQ(Column(QStringLiteral("Select UrlName From SE_KeyUrl")), QStringList{QStringLiteral("a.com")});

    QTest::mouseClick(dialog.closeUrlEditButton, Qt::LeftButton);
    EXPECT_FALSE(dialog.urlEditPanel->isVisible());
    EXPECT_TRUE(dialog.editedUrlEdit->text().isEmpty());
}

TEST_F(UrlList, DeleteColumnDeletesTheRowAndKeepsItsKeyWords) {
    const int a = AddUrl(QStringLiteral("a.com"));
    AddUrl(QStringLiteral("b.com"));
    AddKeyWord(a, QStringLiteral("kept"));
    Db().Exec(QStringLiteral("Insert Into SE_RankHistory(KeyWordName,UrlName,UpdateTime,WebID)Values("
                             "'kept','a.com','2024-01-01',") +
              QString::number(a) + u')');
    SitesKeywordsDialog& dialog = Open();

    messages.AnswerNext(IdNo);
    Click(dialog.urlGrid, 0, kUrlDeleteColumn);
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("确定要删除该链接")});
    EXPECT_EQ(Count(QStringLiteral("SE_KeyUrl")), 2);

    messages.Clear();
    messages.AnswerNext(IdYes);
    Click(dialog.urlGrid, 0, kUrlDeleteColumn);
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("确定要删除该链接")});
    EXPECT_EQ(Column(QStringLiteral("Select UrlName From SE_KeyUrl")), QStringList{QStringLiteral("b.com")});
    EXPECT_EQ(dialog.urlBox->title(), QStringLiteral("记录链接数1"));
    EXPECT_EQ(Count(QStringLiteral("SE_KeyWord")), 1);
    EXPECT_EQ(Count(QStringLiteral("SE_RankHistory")), 1);
    // The keyword side keeps showing the deleted URL until another is clicked.
    EXPECT_EQ(dialog.curWebId(), a);
    EXPECT_EQ(dialog.keywordBox->title(), QStringLiteral("a.com对应关键词设置"));
    EXPECT_EQ(Shown(dialog.keywordGrid, QStringLiteral("KeyWordName")), QStringList{QStringLiteral("kept")});
}

TEST_F(UrlList, PopupDeletesEverySelectedRow) {
    for (const char* name : {"a.com", "b.com", "c.com", "d.com"})
        AddUrl(QString::fromLatin1(name));
    SitesKeywordsDialog& dialog = Open();
    Click(dialog.urlGrid, 0, kUrlNameColumn);
    Click(dialog.urlGrid, 2, kUrlNameColumn, Qt::ControlModifier);
    Click(dialog.urlGrid, 3, kUrlNameColumn, Qt::ControlModifier);
    Click(dialog.urlGrid, 3, kUrlNameColumn, Qt::ControlModifier); // Ctrl again takes it out
    EXPECT_EQ(dialog.urlGrid->selectedRows(), (QList<int>{0, 2}));
    messages.AnswerNext(IdYes);
    dialog.deleteUrlsAction->trigger();
    EXPECT_EQ(Column(QStringLiteral("Select UrlName From SE_KeyUrl")),
              (QStringList{QStringLiteral("b.com"), QStringLiteral("d.com")}));
    EXPECT_EQ(dialog.urlBox->title(), QStringLiteral("记录链接数2"));
    EXPECT_TRUE(dialog.urlGrid->selectedRows().isEmpty());
}

TEST_F(UrlList, DeletingTheLastUrlDetachesThePopup) {
    AddUrl(QStringLiteral("a.com"));
    SitesKeywordsDialog& dialog = Open();
    messages.AnswerNext(IdYes);
    Click(dialog.urlGrid, 0, kUrlDeleteColumn);
    EXPECT_EQ(dialog.urlBox->title(), QStringLiteral("记录链接数0"));
    EXPECT_EQ(dialog.urlGrid->contextMenuPolicy(), Qt::NoContextMenu);
}

struct RangeCase {
    const char* name;
    int anchor;
    int clicked;
    QList<int> selected;
};

class UrlRangeSelection : public SettingsTest, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(UrlRangeSelection, ShiftClickSelectsFromTheAnchor) {
    for (int i = 0; i < 6; ++i)
        AddUrl(QStringLiteral("site%1.com").arg(i));
    SitesKeywordsDialog& dialog = Open();
    Click(dialog.urlGrid, GetParam().anchor, kUrlNameColumn);
    EXPECT_TRUE(dialog.anchorSet());
    Click(dialog.urlGrid, GetParam().clicked, kUrlNameColumn, Qt::ShiftModifier);
    EXPECT_EQ(dialog.urlGrid->selectedRows(), GetParam().selected);
    EXPECT_EQ(dialog.urlGrid->currentIndex().row(), GetParam().clicked);
    EXPECT_FALSE(dialog.anchorSet());
}

INSTANTIATE_TEST_SUITE_P(Directions, UrlRangeSelection,
                         ::testing::Values(RangeCase{"Down", 1, 4, {1, 2, 3, 4}},
                                           RangeCase{"Up", 4, 1, {1, 2, 3, 4}},
                                           RangeCase{"SameRow", 2, 2, {2}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UrlList, SecondShiftClickStartsAfresh) {
    for (int i = 0; i < 6; ++i)
        AddUrl(QStringLiteral("site%1.com").arg(i));
    SitesKeywordsDialog& dialog = Open();
    Click(dialog.urlGrid, 1, kUrlNameColumn);
    Click(dialog.urlGrid, 3, kUrlNameColumn, Qt::ShiftModifier);
    ASSERT_EQ(dialog.urlGrid->selectedRows(), (QList<int>{1, 2, 3}));
    // Like a plain click: only the clicked row, which becomes the new anchor.
    Click(dialog.urlGrid, 5, kUrlNameColumn, Qt::ShiftModifier);
    EXPECT_EQ(dialog.urlGrid->selectedRows(), QList<int>{5});
    EXPECT_TRUE(dialog.anchorSet());
    Click(dialog.urlGrid, 4, kUrlNameColumn, Qt::ShiftModifier);
    EXPECT_EQ(dialog.urlGrid->selectedRows(), (QList<int>{4, 5}));
}

TEST_F(UrlList, AnchorOfTheOtherListIsNotUsed) {
    const int a = AddUrl(QStringLiteral("a.com"));
    AddUrl(QStringLiteral("b.com"));
    AddUrl(QStringLiteral("c.com"));
    for (int i = 0; i < 3; ++i)
        AddKeyWord(a, QStringLiteral("k%1").arg(i));
    SitesKeywordsDialog& dialog = Open();
    Click(dialog.urlGrid, 0, kUrlNameColumn);
    Click(dialog.keywordGrid, 2, 0); // the anchor moves to the keyword list
    Click(dialog.urlGrid, 2, kUrlNameColumn, Qt::ShiftModifier);
    EXPECT_EQ(dialog.urlGrid->selectedRows(), QList<int>{2});
    EXPECT_TRUE(dialog.anchorSet());
}

TEST_F(UrlList, WheelMovesOneRow) {
    for (int i = 0; i < 4; ++i)
        AddUrl(QStringLiteral("site%1.com").arg(i));
    SitesKeywordsDialog& dialog = Open();
    Click(dialog.urlGrid, 1, kUrlNameColumn);
    const auto wheel = [&](int delta) {
        const QPoint at = CellCentre(dialog.urlGrid, 0, kUrlNameColumn);
        QWheelEvent event(at, dialog.urlGrid->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(dialog.urlGrid->viewport(), &event);
    };
    wheel(-120);
    EXPECT_EQ(dialog.urls.currentRow(), 2);
    wheel(-120);
    wheel(-120);
    EXPECT_EQ(dialog.urls.currentRow(), 3) << "stops at the last row";
    wheel(120);
    EXPECT_EQ(dialog.urls.currentRow(), 2);
}

TEST_F(UrlList, RowsAreDrawnInTheirColours) {
    AddUrl(QStringLiteral("a.com"), true);
    AddUrl(QStringLiteral("b.com"), false);
    AddUrl(QStringLiteral("c.com"), false);
    AddUrl(QStringLiteral("d.com"), true);
    SitesKeywordsDialog& dialog = Open();
    Click(dialog.urlGrid, 3, kUrlNameColumn);
    const QImage image = dialog.urlGrid->viewport()->grab().toImage();
    const auto cellImage = [&](int row, int column) {
        return image.copy(dialog.urlGrid->visualRect(dialog.urlGrid->model()->index(row, column)));
    };
    const auto nearCorner = [&](int row, int column) {
        const QImage cell = cellImage(row, column);
        return cell.pixelColor(cell.width() - 3, 2);
    };
    EXPECT_EQ(nearCorner(0, 2), RecordModel::rowBackground(0));
    EXPECT_EQ(nearCorner(1, 2), QColor(0xEA, 0xEA, 0xEA));
    EXPECT_EQ(nearCorner(2, 2), RecordModel::rowBackground(0));
    EXPECT_EQ(nearCorner(3, 2), QColor(Qt::blue)) << "selected row";

    // Rows 1 and 3 share their background; their check cells differ only by the tick.
    const QImage ticked = cellImage(0, kUrlCheckColumn);
    const QImage clear = cellImage(2, kUrlCheckColumn);
    EXPECT_NE(ticked, clear);
    const QColor background = RecordModel::rowBackground(0);
    bool boxDrawn = false;
    for (int x = 0; x < clear.width() && !boxDrawn; ++x)
        for (int y = 0; y < clear.height() && !boxDrawn; ++y)
            boxDrawn = clear.pixelColor(x, y) != background;
    EXPECT_TRUE(boxDrawn) << "an unticked box is drawn too";
}

TEST_F(UrlList, FindButtonOpensTheFinderModallyOverTheDialog) {
    const int webId = AddUrl(QStringLiteral("a.com"));
    AddKeyWord(webId, QStringLiteral("seo"));
    SitesKeywordsDialog& dialog = Open();
    bool opened = false;
    bool modal = false;
    QWidget* parent = nullptr;
    int keyWords = -1;
    QTimer::singleShot(0, &dialog, [&] {
        auto* finder = qobject_cast<UrlFinder*>(QApplication::activeModalWidget());
        if (!finder)
            return;
        opened = true;
        modal = finder->isModal();
        parent = finder->parentWidget();
        keyWords = finder->keywordCombo->count();
        finder->reject();
    });
    QTest::mouseClick(dialog.findUrlButton, Qt::LeftButton);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(modal);
    EXPECT_EQ(parent, &dialog);
    EXPECT_EQ(keyWords, 1);
    EXPECT_TRUE(dialog.findChildren<UrlFinder*>().isEmpty()) << "discarded when closed";
}

} // namespace
} // namespace quorvane::test
