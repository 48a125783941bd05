#include "SettingsFixture.h"

#include "finder/UntFindUrl.h"

#include <QComboBox>

#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

namespace quorvane::test {
namespace {

constexpr int kCheckColumn = 0;
constexpr int kNameColumn = 1;
constexpr int kDeleteColumn = 3;

using UrlList = SettingsTest;

TEST_F(UrlList, OpensWithTheListAndItsCount) {
    AddUrl(QStringLiteral("a.com"));
    AddUrl(QStringLiteral("b.com"));
    AddUrl(QStringLiteral("c.com"));
    TfrmSetLinkWord& frm = Open();
    EXPECT_EQ(frm.windowTitle(), QStringLiteral("关键词链接设置"));
    EXPECT_EQ(frm.size(), QSize(820, 477));
    EXPECT_EQ(frm.grp3->title(), QStringLiteral("记录链接数3"));
    EXPECT_EQ(Shown(frm.tntdbgrd1, QStringLiteral("UrlName")),
              (QStringList{QStringLiteral("a.com"), QStringLiteral("b.com"), QStringLiteral("c.com")}));
    EXPECT_EQ(frm.tntdbgrd1->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_TRUE(frm.grp2->title().isEmpty());
    EXPECT_EQ(frm.CurWebID(), 0);
    EXPECT_FALSE(frm.qryKeyWord.IsOpen());
    EXPECT_FALSE(frm.tntpnl5->isVisible());
    EXPECT_FALSE(frm.tntpnl6->isVisible());
    EXPECT_FALSE(frm.tntprgrsbr1->isVisible());
}

struct CanonicalCase {
    const char* name;
    const char16_t* typed;
    const char16_t* stored;
};

class UrlCanonicalForm : public SettingsTest, public ::testing::WithParamInterface<CanonicalCase> {};

TEST_P(UrlCanonicalForm, AddStoresTheCanonicalForm) {
    TfrmSetLinkWord& frm = Open();
    frm.edtUrl->setText(QString::fromUtf16(GetParam().typed));
    QTest::mouseClick(frm.btnAddUrl, Qt::LeftButton);
    EXPECT_TRUE(messages.Messages().empty()) << messages.Texts().join(u'|').toStdString();
    EXPECT_EQ(Column(QStringLiteral("Select UrlName From SE_KeyUrl")),
              QStringList{QString::fromUtf16(GetParam().stored)});
    EXPECT_TRUE(frm.edtUrl->text().isEmpty());
    EXPECT_EQ(frm.grp3->title(), QStringLiteral("记录链接数1"));
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
    TfrmSetLinkWord& frm = Open();
    frm.edtUrl->setFocus();
    QTest::keyClicks(frm.edtUrl, QStringLiteral("a.com"));
    QTest::keyClick(frm.edtUrl, Qt::Key_Return);
    EXPECT_EQ(Column(QStringLiteral("Select UrlName From SE_KeyUrl")), QStringList{QStringLiteral("a.com")});
    EXPECT_TRUE(frm.isVisible()) << "Enter must not close the dialog";
}

TEST_F(UrlList, DuplicatesAreRefusedWithTheTextKept) {
    TfrmSetLinkWord& frm = Open();
    frm.edtUrl->setText(QStringLiteral("http://www.a.com"));
    frm.btnAddUrlClick();
    for (const QString& again : {QStringLiteral("www.a.com"), QStringLiteral("www.a.com/"),
                                 QStringLiteral("http://www.a.com/"), QStringLiteral("WWW.A.COM")}) {
        messages.Clear();
        frm.edtUrl->setText(again);
        frm.btnAddUrlClick();
        ASSERT_EQ(messages.Texts(), QStringList{QStringLiteral("存在相同链接！")}) << again.toStdString();
        EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Error);
        EXPECT_EQ(frm.edtUrl->text(), again);
    }
    EXPECT_EQ(Count(QStringLiteral("SE_KeyUrl")), 1);
    EXPECT_EQ(frm.grp3->title(), QStringLiteral("记录链接数1"));
}

TEST_F(UrlList, BlankTextIsRefused) {
    TfrmSetLinkWord& frm = Open();
    for (const QString& blank : {QString(), QStringLiteral("   ")}) {
        messages.Clear();
        frm.edtUrl->setText(blank);
        frm.btnAddUrlClick();
        ASSERT_EQ(messages.Texts(), QStringList{QStringLiteral("链接不能为空!")});
        EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Information);
    }
    EXPECT_EQ(Count(QStringLiteral("SE_KeyUrl")), 0);
}

TEST_F(UrlList, TooLongForItsColumnFailsAndKeepsTheText) {
    TfrmSetLinkWord& frm = Open();
    const QString tooLong = QString(51, u'x');
    frm.edtUrl->setText(tooLong);
    frm.btnAddUrlClick();
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("新增链接失败!")});
    EXPECT_EQ(frm.edtUrl->text(), tooLong);
    EXPECT_EQ(Count(QStringLiteral("SE_KeyUrl")), 0);
    EXPECT_EQ(frm.grp3->title(), QStringLiteral("记录链接数0"));
}

TEST_F(UrlList, ClickingAUrlShowsItsKeyWords) {
    const int a = AddUrl(QStringLiteral("a.com"));
    const int b = AddUrl(QStringLiteral("b.com"));
    AddKeyWord(a, QStringLiteral("alpha"));
    AddKeyWord(b, QStringLiteral("beta"));
    AddKeyWord(b, QStringLiteral("gamma"));
    TfrmSetLinkWord& frm = Open();
    Click(frm.tntdbgrd1, 1, kNameColumn);
    EXPECT_EQ(frm.CurWebID(), b);
    EXPECT_EQ(frm.grp2->title(), QStringLiteral("b.com对应关键词设置"));
    EXPECT_EQ(Shown(frm.tntdbgrd2, QStringLiteral("KeyWordName")),
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
    TfrmSetLinkWord& frm = Open();
    const QString validOfA = QStringLiteral("Select Valid From SE_KeyWord Where WebID=") + QString::number(a);
    const QString checkOfA =
        QStringLiteral("Select isCheck From SE_KeyUrl Where WebID=") + QString::number(a);

    Click(frm.tntdbgrd1, 0, kCheckColumn);
    EXPECT_EQ(Column(checkOfA), QStringList{QStringLiteral("0")});
    EXPECT_EQ(Column(validOfA), (QStringList{QStringLiteral("0"), QStringLiteral("0")}));
    EXPECT_EQ(frm.tntdbgrd1->model()->index(0, kCheckColumn).data(Qt::CheckStateRole).value<Qt::CheckState>(),
              Qt::Unchecked);

    Click(frm.tntdbgrd1, 0, kCheckColumn);
    EXPECT_EQ(Column(checkOfA), QStringList{QStringLiteral("-1")});
    EXPECT_EQ(Column(validOfA), (QStringList{QStringLiteral("1"), QStringLiteral("1")}))
        << "ticking again switches on every keyword, also those that were off before";
    EXPECT_EQ(Column(QStringLiteral("Select Valid From SE_KeyWord Where WebID=") + QString::number(other)),
              QStringList{QStringLiteral("1")});
    EXPECT_EQ(frm.tntdbgrd1->model()->index(0, kCheckColumn).data(Qt::CheckStateRole).value<Qt::CheckState>(),
              Qt::Checked);
    EXPECT_EQ(frm.CurWebID(), a);
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(UrlList, EditPanelSavesTheTextAsTyped) {
    AddUrl(QStringLiteral("a.com"));
    const int b = AddUrl(QStringLiteral("b.com"));
    TfrmSetLinkWord& frm = Open();
    DoubleClick(frm.tntdbgrd1, 1, kNameColumn);
    ASSERT_TRUE(frm.tntpnl5->isVisible());
    EXPECT_EQ(frm.edtupdateurl->text(), QStringLiteral("b.com"));
    EXPECT_FALSE(frm.tntdbgrd1->isEnabled());
    EXPECT_EQ(frm.CurWebID(), b);

    // Blank text: nothing happens.
    frm.edtupdateurl->setText(QStringLiteral("  "));
    frm.btnseturlClick();
    EXPECT_TRUE(frm.tntpnl5->isVisible());
    EXPECT_FALSE(frm.tntdbgrd1->isEnabled());
    EXPECT_TRUE(messages.Messages().empty());

    // No canonical form and no duplicate test: the edit may equal another URL.
    frm.edtupdateurl->setText(QStringLiteral("http://a.com/"));
    QTest::keyClick(frm.edtupdateurl, Qt::Key_Return);
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("更新链接成功!")});
    EXPECT_FALSE(frm.tntpnl5->isVisible());
    EXPECT_TRUE(frm.tntdbgrd1->isEnabled());
    EXPECT_EQ(Column(QStringLiteral("Select UrlName From SE_KeyUrl Where WebID=") + QString::number(b)),
              QStringList{QStringLiteral("http://a.com/")});
    EXPECT_EQ(Shown(frm.tntdbgrd1, QStringLiteral("UrlName")),
              (QStringList{QStringLiteral("a.com"), QStringLiteral("http://a.com/")}));
}

TEST_F(UrlList, FailedEditKeepsThePanelAndEnablesTheList) {
    AddUrl(QStringLiteral("a.com"));
    TfrmSetLinkWord& frm = Open();
    DoubleClick(frm.tntdbgrd1, 0, kNameColumn);
    frm.edtupdateurl->setText(QString(51, u'y'));
    frm.btnseturlClick();
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_TRUE(frm.tntpnl5->isVisible());
    EXPECT_TRUE(frm.tntdbgrd1->isEnabled());
    EXPECT_EQ(Column(QStringLiteral("Select UrlName From SE_KeyUrl")), QStringList{QStringLiteral("a.com")});

    QTest::mouseClick(frm.btnexit2, Qt::LeftButton);
    EXPECT_FALSE(frm.tntpnl5->isVisible());
    EXPECT_TRUE(frm.edtupdateurl->text().isEmpty());
}

TEST_F(UrlList, DeleteColumnDeletesTheRowAndKeepsItsKeyWords) {
    const int a = AddUrl(QStringLiteral("a.com"));
    AddUrl(QStringLiteral("b.com"));
    AddKeyWord(a, QStringLiteral("kept"));
    Db().Exec(QStringLiteral("Insert Into SE_RankHistory(KeyWordName,UrlName,UpdateTime,WebID)Values("
                             "'kept','a.com','2024-01-01',") +
              QString::number(a) + u')');
    TfrmSetLinkWord& frm = Open();

    messages.AnswerNext(IdNo);
    Click(frm.tntdbgrd1, 0, kDeleteColumn);
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("确定要删除该链接")});
    EXPECT_EQ(Count(QStringLiteral("SE_KeyUrl")), 2);

    messages.Clear();
    messages.AnswerNext(IdYes);
    Click(frm.tntdbgrd1, 0, kDeleteColumn);
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("确定要删除该链接")});
    EXPECT_EQ(Column(QStringLiteral("Select UrlName From SE_KeyUrl")), QStringList{QStringLiteral("b.com")});
    EXPECT_EQ(frm.grp3->title(), QStringLiteral("记录链接数1"));
    EXPECT_EQ(Count(QStringLiteral("SE_KeyWord")), 1);
    EXPECT_EQ(Count(QStringLiteral("SE_RankHistory")), 1);
    // The keyword side keeps showing the deleted URL until another is clicked.
    EXPECT_EQ(frm.CurWebID(), a);
    EXPECT_EQ(frm.grp2->title(), QStringLiteral("a.com对应关键词设置"));
    EXPECT_EQ(Shown(frm.tntdbgrd2, QStringLiteral("KeyWordName")), QStringList{QStringLiteral("kept")});
}

TEST_F(UrlList, PopupDeletesEverySelectedRow) {
    for (const char* name : {"a.com", "b.com", "c.com", "d.com"})
        AddUrl(QString::fromLatin1(name));
    TfrmSetLinkWord& frm = Open();
    Click(frm.tntdbgrd1, 0, kNameColumn);
    Click(frm.tntdbgrd1, 2, kNameColumn, Qt::ControlModifier);
    Click(frm.tntdbgrd1, 3, kNameColumn, Qt::ControlModifier);
    Click(frm.tntdbgrd1, 3, kNameColumn, Qt::ControlModifier); // Ctrl again takes it out
    EXPECT_EQ(frm.tntdbgrd1->SelectedRows(), (QList<int>{0, 2}));
    messages.AnswerNext(IdYes);
    frm.tntmntmDelete->trigger();
    EXPECT_EQ(Column(QStringLiteral("Select UrlName From SE_KeyUrl")),
              (QStringList{QStringLiteral("b.com"), QStringLiteral("d.com")}));
    EXPECT_EQ(frm.grp3->title(), QStringLiteral("记录链接数2"));
    EXPECT_TRUE(frm.tntdbgrd1->SelectedRows().isEmpty());
}

TEST_F(UrlList, DeletingTheLastUrlDetachesThePopup) {
    AddUrl(QStringLiteral("a.com"));
    TfrmSetLinkWord& frm = Open();
    messages.AnswerNext(IdYes);
    Click(frm.tntdbgrd1, 0, kDeleteColumn);
    EXPECT_EQ(frm.grp3->title(), QStringLiteral("记录链接数0"));
    EXPECT_EQ(frm.tntdbgrd1->contextMenuPolicy(), Qt::NoContextMenu);
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
    TfrmSetLinkWord& frm = Open();
    Click(frm.tntdbgrd1, GetParam().anchor, kNameColumn);
    EXPECT_TRUE(frm.AnchorSet());
    Click(frm.tntdbgrd1, GetParam().clicked, kNameColumn, Qt::ShiftModifier);
    EXPECT_EQ(frm.tntdbgrd1->SelectedRows(), GetParam().selected);
    EXPECT_EQ(frm.tntdbgrd1->currentIndex().row(), GetParam().clicked);
    EXPECT_FALSE(frm.AnchorSet());
}

INSTANTIATE_TEST_SUITE_P(Directions, UrlRangeSelection,
                         ::testing::Values(RangeCase{"Down", 1, 4, {1, 2, 3, 4}},
                                           RangeCase{"Up", 4, 1, {1, 2, 3, 4}},
                                           RangeCase{"SameRow", 2, 2, {2}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UrlList, SecondShiftClickStartsAfresh) {
    for (int i = 0; i < 6; ++i)
        AddUrl(QStringLiteral("site%1.com").arg(i));
    TfrmSetLinkWord& frm = Open();
    Click(frm.tntdbgrd1, 1, kNameColumn);
    Click(frm.tntdbgrd1, 3, kNameColumn, Qt::ShiftModifier);
    ASSERT_EQ(frm.tntdbgrd1->SelectedRows(), (QList<int>{1, 2, 3}));
    // Like a plain click: only the clicked row, which becomes the new anchor.
    Click(frm.tntdbgrd1, 5, kNameColumn, Qt::ShiftModifier);
    EXPECT_EQ(frm.tntdbgrd1->SelectedRows(), QList<int>{5});
    EXPECT_TRUE(frm.AnchorSet());
    Click(frm.tntdbgrd1, 4, kNameColumn, Qt::ShiftModifier);
    EXPECT_EQ(frm.tntdbgrd1->SelectedRows(), (QList<int>{4, 5}));
}

TEST_F(UrlList, AnchorOfTheOtherListIsNotUsed) {
    const int a = AddUrl(QStringLiteral("a.com"));
    AddUrl(QStringLiteral("b.com"));
    AddUrl(QStringLiteral("c.com"));
    for (int i = 0; i < 3; ++i)
        AddKeyWord(a, QStringLiteral("k%1").arg(i));
    TfrmSetLinkWord& frm = Open();
    Click(frm.tntdbgrd1, 0, kNameColumn);
    Click(frm.tntdbgrd2, 2, 0); // the anchor moves to the keyword list
    Click(frm.tntdbgrd1, 2, kNameColumn, Qt::ShiftModifier);
    EXPECT_EQ(frm.tntdbgrd1->SelectedRows(), QList<int>{2});
    EXPECT_TRUE(frm.AnchorSet());
}

TEST_F(UrlList, WheelMovesOneRow) {
    for (int i = 0; i < 4; ++i)
        AddUrl(QStringLiteral("site%1.com").arg(i));
    TfrmSetLinkWord& frm = Open();
    Click(frm.tntdbgrd1, 1, kNameColumn);
    const auto wheel = [&](int delta) {
        const QPoint at = CellCentre(frm.tntdbgrd1, 0, kNameColumn);
        QWheelEvent event(at, frm.tntdbgrd1->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(frm.tntdbgrd1->viewport(), &event);
    };
    wheel(-120);
    EXPECT_EQ(frm.qryUrl.CurrentRow(), 2);
    wheel(-120);
    wheel(-120);
    EXPECT_EQ(frm.qryUrl.CurrentRow(), 3) << "stops at the last row";
    wheel(120);
    EXPECT_EQ(frm.qryUrl.CurrentRow(), 2);
}

TEST_F(UrlList, RowsAreDrawnInTheirColours) {
    AddUrl(QStringLiteral("a.com"), true);
    AddUrl(QStringLiteral("b.com"), false);
    AddUrl(QStringLiteral("c.com"), false);
    AddUrl(QStringLiteral("d.com"), true);
    TfrmSetLinkWord& frm = Open();
    Click(frm.tntdbgrd1, 3, kNameColumn);
    const QImage image = frm.tntdbgrd1->viewport()->grab().toImage();
    const auto cellImage = [&](int row, int column) {
        return image.copy(frm.tntdbgrd1->visualRect(frm.tntdbgrd1->model()->index(row, column)));
    };
    const auto nearCorner = [&](int row, int column) {
        const QImage cell = cellImage(row, column);
        return cell.pixelColor(cell.width() - 3, 2);
    };
    EXPECT_EQ(nearCorner(0, 2), RecordModel::RowBackground(0));
    EXPECT_EQ(nearCorner(1, 2), QColor(0xEA, 0xEA, 0xEA));
    EXPECT_EQ(nearCorner(2, 2), RecordModel::RowBackground(0));
    EXPECT_EQ(nearCorner(3, 2), QColor(Qt::blue)) << "selected row";

    // Rows 1 and 3 share their background; their check cells differ only by the tick.
    const QImage ticked = cellImage(0, kCheckColumn);
    const QImage clear = cellImage(2, kCheckColumn);
    EXPECT_NE(ticked, clear);
    const QColor background = RecordModel::RowBackground(0);
    bool boxDrawn = false;
    for (int x = 0; x < clear.width() && !boxDrawn; ++x)
        for (int y = 0; y < clear.height() && !boxDrawn; ++y)
            boxDrawn = clear.pixelColor(x, y) != background;
    EXPECT_TRUE(boxDrawn) << "an unticked box is drawn too";
}

TEST_F(UrlList, FindButtonOpensTheFinderModallyOverTheDialog) {
    const int webId = AddUrl(QStringLiteral("a.com"));
    AddKeyWord(webId, QStringLiteral("seo"));
    TfrmSetLinkWord& frm = Open();
    bool opened = false;
    bool modal = false;
    QWidget* parent = nullptr;
    int keyWords = -1;
    QTimer::singleShot(0, &frm, [&] {
        auto* finder = qobject_cast<TfrmFindUrl*>(QApplication::activeModalWidget());
        if (!finder)
            return;
        opened = true;
        modal = finder->isModal();
        parent = finder->parentWidget();
        keyWords = finder->cbbKeyWord->count();
        finder->reject();
    });
    QTest::mouseClick(frm.btnFind, Qt::LeftButton);
    EXPECT_TRUE(opened);
    EXPECT_TRUE(modal);
    EXPECT_EQ(parent, &frm);
    EXPECT_EQ(keyWords, 1);
    EXPECT_TRUE(frm.findChildren<TfrmFindUrl*>().isEmpty()) << "discarded when closed";
}

} // namespace
} // namespace quorvane::test
