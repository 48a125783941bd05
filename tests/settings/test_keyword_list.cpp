#include "SettingsFixture.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace quorvane::test {
namespace {

constexpr int kUrlNameColumn = 1;
constexpr int kNameColumn = 0;
constexpr int kDeleteColumn = 2;

class KeyWordList : public SettingsTest {
protected:
    // Opens the dialog with one URL clicked; returns its WebID.
    int OpenWithUrl(const QString& url = QStringLiteral("a.com"), bool checked = true) {
        const int webId = AddUrl(url, checked);
        Open();
        Click(Frm().tntdbgrd1, Frm().qryUrl.RecordCount() - 1, kUrlNameColumn);
        return webId;
    }
    void AddByHand(const QString& text) {
        Frm().edtkeyword->setText(text);
        QTest::mouseClick(Frm().btnAddWord, Qt::LeftButton);
    }
    static QStringList NamesOf(int webId) {
        return Column(QStringLiteral("Select KeyWordName From SE_KeyWord Where WebID=") +
                      QString::number(webId));
    }
};

TEST_F(KeyWordList, AddNeedsAClickedUrl) {
    AddUrl(QStringLiteral("a.com"));
    TfrmSetLinkWord& frm = Open();
    AddByHand(QStringLiteral("   "));
    EXPECT_TRUE(messages.Messages().empty()) << "blank text shows nothing, even without a URL";
    AddByHand(QStringLiteral("seo"));
    ASSERT_EQ(messages.Texts(), QStringList{QStringLiteral("请先选择一个链接!")});
    EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Information);
    EXPECT_EQ(frm.edtkeyword->text(), QStringLiteral("seo"));
    EXPECT_EQ(Count(QStringLiteral("SE_KeyWord")), 0);
}

TEST_F(KeyWordList, AddStoresTheTextAsTypedAndRefusesDuplicates) {
    const int webId = OpenWithUrl(QStringLiteral("a.com"), false);
    AddByHand(QStringLiteral(" 排名 查询 "));
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_TRUE(Frm().edtkeyword->text().isEmpty());
    EXPECT_EQ(NamesOf(webId), QStringList{QStringLiteral(" 排名 查询 ")});
    EXPECT_EQ(Shown(Frm().tntdbgrd2, QStringLiteral("KeyWordName")),
              QStringList{QStringLiteral(" 排名 查询 ")});
    // Valid comes from the database default, not from the unticked check box.
    EXPECT_EQ(Column(QStringLiteral("Select Valid||'|'||State From SE_KeyWord")),
              QStringList{QStringLiteral("1|删除")});

    Frm().edtkeyword->setText(QStringLiteral(" 排名 查询 "));
    QTest::keyClick(Frm().edtkeyword, Qt::Key_Return);
    ASSERT_EQ(messages.Texts(), QStringList{QStringLiteral("出现重复关键词!")});
    EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Error);
    EXPECT_EQ(Frm().edtkeyword->text(), QStringLiteral(" 排名 查询 "));
    EXPECT_EQ(Count(QStringLiteral("SE_KeyWord")), 1);
}

TEST_F(KeyWordList, SameKeyWordUnderTwoUrls) {
    const int a = AddUrl(QStringLiteral("a.com"));
    const int b = AddUrl(QStringLiteral("b.com"));
    TfrmSetLinkWord& frm = Open();
    Click(frm.tntdbgrd1, 0, kUrlNameColumn);
    AddByHand(QStringLiteral("o'key"));
    Click(frm.tntdbgrd1, 1, kUrlNameColumn);
    AddByHand(QStringLiteral("o'key"));
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(NamesOf(a), QStringList{QStringLiteral("o'key")});
    EXPECT_EQ(NamesOf(b), QStringList{QStringLiteral("o'key")});
}

TEST_F(KeyWordList, TooLongIsRefusedByTheDatabase) {
    const int webId = OpenWithUrl();
    const QString tooLong = QString(21, u'字');
    AddByHand(tooLong);
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("添加关键词出现异常！")});
    EXPECT_EQ(Frm().edtkeyword->text(), tooLong);
    EXPECT_TRUE(NamesOf(webId).isEmpty());
}

TEST_F(KeyWordList, DeleteColumnDeletesByNameWithinTheUrl) {
    const int a = AddUrl(QStringLiteral("a.com"));
    const int other = AddUrl(QStringLiteral("other.com"));
    AddKeyWord(a, QStringLiteral("one"));
    AddKeyWord(a, QStringLiteral("two"));
    AddKeyWord(other, QStringLiteral("one"));
    Db().Exec(QStringLiteral(
        "Insert Into SE_RankHistory(KeyWordName,UrlName,UpdateTime)Values('one','a.com','2024-01-01')"));
    TfrmSetLinkWord& frm = Open();
    Click(frm.tntdbgrd1, 0, kUrlNameColumn);

    // A rename to the name of another keyword is accepted; deleting one then deletes both.
    DoubleClick(frm.tntdbgrd2, 1, kNameColumn);
    frm.edtkeyword1->setText(QStringLiteral("one"));
    frm.btnsetkeywordClick();
    ASSERT_EQ(NamesOf(a), (QStringList{QStringLiteral("one"), QStringLiteral("one")}));
    messages.Clear();

    messages.AnswerNext(IdNo);
    Click(frm.tntdbgrd2, 1, kDeleteColumn);
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("你确定要删除该关键词！")});
    EXPECT_EQ(NamesOf(a).size(), 2);

    messages.AnswerNext(IdYes);
    Click(frm.tntdbgrd2, 1, kDeleteColumn);
    EXPECT_TRUE(NamesOf(a).isEmpty());
    EXPECT_EQ(NamesOf(other), QStringList{QStringLiteral("one")});
    EXPECT_EQ(frm.qryKeyWord.RecordCount(), 0);
    EXPECT_EQ(Count(QStringLiteral("SE_RankHistory")), 1);
}

TEST_F(KeyWordList, EditPanel) {
    const int webId = AddUrl(QStringLiteral("a.com"));
    AddKeyWord(webId, QStringLiteral("old"));
    const int second = AddKeyWord(webId, QStringLiteral("second"));
    TfrmSetLinkWord& frm = Open();
    Click(frm.tntdbgrd1, 0, kUrlNameColumn);
    DoubleClick(frm.tntdbgrd2, 1, kNameColumn);
    ASSERT_TRUE(frm.tntpnl6->isVisible());
    EXPECT_EQ(frm.edtkeyword1->text(), QStringLiteral("second"));
    EXPECT_EQ(frm.EditKeyWordID(), second);
    EXPECT_FALSE(frm.tntdbgrd2->isEnabled());
    EXPECT_TRUE(messages.Messages().empty()) << "the double click's first click is not a delete";

    frm.edtkeyword1->clear();
    frm.btnsetkeywordClick();
    EXPECT_TRUE(frm.tntpnl6->isVisible());
    EXPECT_FALSE(frm.tntdbgrd2->isEnabled());

    frm.edtkeyword1->setText(QStringLiteral("renamed "));
    QTest::keyClick(frm.edtkeyword1, Qt::Key_Return);
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("更新关键词成功!")});
    EXPECT_FALSE(frm.tntpnl6->isVisible());
    EXPECT_TRUE(frm.tntdbgrd2->isEnabled());
    EXPECT_EQ(NamesOf(webId), (QStringList{QStringLiteral("old"), QStringLiteral("renamed ")}));

    // A failed save (too long) leaves the panel open and the list enabled, without a message.
    messages.Clear();
    DoubleClick(frm.tntdbgrd2, 0, kNameColumn);
    frm.edtkeyword1->setText(QString(21, u'k'));
    frm.btnsetkeywordClick();
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_TRUE(frm.tntpnl6->isVisible());
    EXPECT_TRUE(frm.tntdbgrd2->isEnabled());
    QTest::mouseClick(frm.btnexit3, Qt::LeftButton);
    EXPECT_FALSE(frm.tntpnl6->isVisible());
    EXPECT_TRUE(frm.edtkeyword1->text().isEmpty());
}

TEST_F(KeyWordList, DeleteKeyDeletesTheSelectedKeyWordsWhereverTheFocusIs) {
    const int webId = AddUrl(QStringLiteral("a.com"));
    for (const char* name : {"k0", "k1", "k2", "k3"})
        AddKeyWord(webId, QString::fromLatin1(name));
    Db().Exec(QStringLiteral(
        "Insert Into SE_RankHistory(KeyWordName,UrlName,UpdateTime)Values('k0','a.com','2024-01-01')"));
    TfrmSetLinkWord& frm = Open();
    Click(frm.tntdbgrd1, 0, kUrlNameColumn);
    Click(frm.tntdbgrd2, 0, kNameColumn);
    Click(frm.tntdbgrd2, 2, kNameColumn, Qt::ControlModifier);
    frm.edtUrl->setFocus();
    frm.activateWindow();

    messages.AnswerNext(IdNo);
    QTest::keyClick(frm.edtUrl, Qt::Key_Delete);
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("你确定要删除所选项?")});
    EXPECT_EQ(NamesOf(webId).size(), 4);

    messages.AnswerNext(IdYes);
    QTest::keyClick(frm.edtUrl, Qt::Key_Delete);
    EXPECT_EQ(NamesOf(webId), (QStringList{QStringLiteral("k1"), QStringLiteral("k3")}));
    EXPECT_EQ(Shown(frm.tntdbgrd2, QStringLiteral("KeyWordName")),
              (QStringList{QStringLiteral("k1"), QStringLiteral("k3")}));
    EXPECT_EQ(Count(QStringLiteral("SE_KeyUrl")), 1) << "the Delete key never deletes URLs";
    EXPECT_EQ(Count(QStringLiteral("SE_RankHistory")), 1);
}

TEST_F(KeyWordList, DeleteKeyDoesNothingWithoutKeyWords) {
    AddUrl(QStringLiteral("a.com"));
    TfrmSetLinkWord& frm = Open();
    QTest::keyClick(frm.tntdbgrd1, Qt::Key_Delete); // list not open yet
    Click(frm.tntdbgrd1, 0, kUrlNameColumn);
    QTest::keyClick(frm.tntdbgrd1, Qt::Key_Delete); // open but empty
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(Count(QStringLiteral("SE_KeyUrl")), 1);
}

TEST_F(KeyWordList, ShiftRangeInTheKeyWordList) {
    const int webId = AddUrl(QStringLiteral("a.com"));
    for (int i = 0; i < 5; ++i)
        AddKeyWord(webId, QStringLiteral("k%1").arg(i));
    TfrmSetLinkWord& frm = Open();
    Click(frm.tntdbgrd1, 0, kUrlNameColumn);
    Click(frm.tntdbgrd2, 3, kNameColumn);
    Click(frm.tntdbgrd2, 1, kNameColumn, Qt::ShiftModifier);
    EXPECT_EQ(frm.tntdbgrd2->SelectedRows(), (QList<int>{1, 2, 3}));
}

} // namespace
} // namespace quorvane::test
