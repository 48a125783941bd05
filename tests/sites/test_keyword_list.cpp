#include "SitesKeywordsFixture.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace quorvane::test {
namespace {

class KeyWordList : public SettingsTest {
protected:
    // Opens the dialog with one URL clicked; returns its WebID.
    int OpenWithUrl(const QString& url = QStringLiteral("a.com"), bool checked = true) {
        const int webId = AddUrl(url, checked);
        Open();
        Click(dialog().urlGrid, dialog().urls.recordCount() - 1, kUrlNameColumn);
        return webId;
    }
    void AddByHand(const QString& text) {
        dialog().keywordEdit->setText(text);
        QTest::mouseClick(dialog().addKeywordButton, Qt::LeftButton);
    }
    static QStringList NamesOf(int webId) {
        return Column(QStringLiteral("Select KeyWordName From SE_KeyWord Where WebID=") +
                      QString::number(webId));
    }
};

TEST_F(KeyWordList, AddNeedsAClickedUrl) {
    AddUrl(QStringLiteral("a.com"));
    SitesKeywordsDialog& dialog = Open();
    AddByHand(QStringLiteral("   "));
    EXPECT_TRUE(messages.Messages().empty()) << "blank text shows nothing, even without a URL";
    AddByHand(QStringLiteral("seo"));
    ASSERT_EQ(messages.Texts(), QStringList{QStringLiteral("请先选择一个链接!")});
    EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Information);
    EXPECT_EQ(dialog.keywordEdit->text(), QStringLiteral("seo"));
    EXPECT_EQ(Count(QStringLiteral("SE_KeyWord")), 0);
}

TEST_F(KeyWordList, AddStoresTheTextAsTypedAndRefusesDuplicates) {
    const int webId = OpenWithUrl(QStringLiteral("a.com"), false);
    AddByHand(QStringLiteral(" 排名 查询 "));
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_TRUE(dialog().keywordEdit->text().isEmpty());
    EXPECT_EQ(NamesOf(webId), QStringList{QStringLiteral(" 排名 查询 ")});
    EXPECT_EQ(Shown(dialog().keywordGrid, QStringLiteral("KeyWordName")),
              QStringList{QStringLiteral(" 排名 查询 ")});
    // Valid comes from the database default, not from the unticked check box.
    EXPECT_EQ(Column(QStringLiteral("Select Valid||'|'||State From SE_KeyWord")),
              QStringList{QStringLiteral("1|删除")});

    dialog().keywordEdit->setText(QStringLiteral(" 排名 查询 "));
    QTest::keyClick(dialog().keywordEdit, Qt::Key_Return);
    ASSERT_EQ(messages.Texts(), QStringList{QStringLiteral("出现重复关键词!")});
    EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Error);
    EXPECT_EQ(dialog().keywordEdit->text(), QStringLiteral(" 排名 查询 "));
    EXPECT_EQ(Count(QStringLiteral("SE_KeyWord")), 1);
}

TEST_F(KeyWordList, SameKeyWordUnderTwoUrls) {
    const int a = AddUrl(QStringLiteral("a.com"));
    const int b = AddUrl(QStringLiteral("b.com"));
    SitesKeywordsDialog& dialog = Open();
    Click(dialog.urlGrid, 0, kUrlNameColumn);
    AddByHand(QStringLiteral("o'key"));
    Click(dialog.urlGrid, 1, kUrlNameColumn);
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
    EXPECT_EQ(dialog().keywordEdit->text(), tooLong);
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
    SitesKeywordsDialog& dialog = Open();
    Click(dialog.urlGrid, 0, kUrlNameColumn);

    // A rename to the name of another keyword is accepted; deleting one then deletes both.
    DoubleClick(dialog.keywordGrid, 1, kKeywordNameColumn);
    dialog.editedKeywordEdit->setText(QStringLiteral("one"));
    dialog.saveEditedKeyword();
    ASSERT_EQ(NamesOf(a), (QStringList{QStringLiteral("one"), QStringLiteral("one")}));
    messages.Clear();

    messages.AnswerNext(IdNo);
    Click(dialog.keywordGrid, 1, kKeywordDeleteColumn);
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("你确定要删除该关键词！")});
    EXPECT_EQ(NamesOf(a).size(), 2);

    messages.AnswerNext(IdYes);
    Click(dialog.keywordGrid, 1, kKeywordDeleteColumn);
    EXPECT_TRUE(NamesOf(a).isEmpty());
    EXPECT_EQ(NamesOf(other), QStringList{QStringLiteral("one")});
    EXPECT_EQ(dialog.keywords.recordCount(), 0);
    EXPECT_EQ(Count(QStringLiteral("SE_RankHistory")), 1);
}

TEST_F(KeyWordList, EditPanel) {
    const int webId = AddUrl(QStringLiteral("a.com"));
    AddKeyWord(webId, QStringLiteral("old"));
    const int second = AddKeyWord(webId, QStringLiteral("second"));
    SitesKeywordsDialog& dialog = Open();
    Click(dialog.urlGrid, 0, kUrlNameColumn);
    DoubleClick(dialog.keywordGrid, 1, kKeywordNameColumn);
    ASSERT_TRUE(dialog.keywordEditPanel->isVisible());
    EXPECT_EQ(dialog.editedKeywordEdit->text(), QStringLiteral("second"));
    EXPECT_EQ(dialog.editKeyWordId(), second);
    EXPECT_FALSE(dialog.keywordGrid->isEnabled());
    EXPECT_TRUE(messages.Messages().empty()) << "the double click's first click is not a delete";

    dialog.editedKeywordEdit->clear();
    dialog.saveEditedKeyword();
    EXPECT_TRUE(dialog.keywordEditPanel->isVisible());
    EXPECT_FALSE(dialog.keywordGrid->isEnabled());

    dialog.editedKeywordEdit->setText(QStringLiteral("renamed "));
    QTest::keyClick(dialog.editedKeywordEdit, Qt::Key_Return);
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("更新关键词成功!")});
    EXPECT_FALSE(dialog.keywordEditPanel->isVisible());
    EXPECT_TRUE(dialog.keywordGrid->isEnabled());
    EXPECT_EQ(NamesOf(webId), (QStringList{QStringLiteral("old"), QStringLiteral("renamed ")}));

    // A failed save (too long) leaves the panel open and the list enabled, without a message.
    messages.Clear();
    DoubleClick(dialog.keywordGrid, 0, kKeywordNameColumn);
    dialog.editedKeywordEdit->setText(QString(21, u'k'));
    dialog.saveEditedKeyword();
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_TRUE(dialog.keywordEditPanel->isVisible());
    EXPECT_TRUE(dialog.keywordGrid->isEnabled());
    QTest::mouseClick(dialog.closeKeywordEditButton, Qt::LeftButton);
    EXPECT_FALSE(dialog.keywordEditPanel->isVisible());
    EXPECT_TRUE(dialog.editedKeywordEdit->text().isEmpty());
}

TEST_F(KeyWordList, DeleteKeyDeletesTheSelectedKeyWordsWhereverTheFocusIs) {
    const int webId = AddUrl(QStringLiteral("a.com"));
    for (const char* name : {"k0", "k1", "k2", "k3"})
        AddKeyWord(webId, QString::fromLatin1(name));
    Db().Exec(QStringLiteral(
        "Insert Into SE_RankHistory(KeyWordName,UrlName,UpdateTime)Values('k0','a.com','2024-01-01')"));
    SitesKeywordsDialog& dialog = Open();
    Click(dialog.urlGrid, 0, kUrlNameColumn);
    Click(dialog.keywordGrid, 0, kKeywordNameColumn);
    Click(dialog.keywordGrid, 2, kKeywordNameColumn, Qt::ControlModifier);
    dialog.urlEdit->setFocus();
    dialog.activateWindow();

    messages.AnswerNext(IdNo);
    QTest::keyClick(dialog.urlEdit, Qt::Key_Delete);
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("你确定要删除所选项?")});
    EXPECT_EQ(NamesOf(webId).size(), 4);

    messages.AnswerNext(IdYes);
    QTest::keyClick(dialog.urlEdit, Qt::Key_Delete);
    EXPECT_EQ(NamesOf(webId), (QStringList{QStringLiteral("k1"), QStringLiteral("k3")}));
    EXPECT_EQ(Shown(dialog.keywordGrid, QStringLiteral("KeyWordName")),
              (QStringList{QStringLiteral("k1"), QStringLiteral("k3")}));
    EXPECT_EQ(Count(QStringLiteral("SE_KeyUrl")), 1) << "the Delete key never deletes URLs";
    EXPECT_EQ(Count(QStringLiteral("SE_RankHistory")), 1);
}

TEST_F(KeyWordList, DeleteKeyDoesNothingWithoutKeyWords) {
    AddUrl(QStringLiteral("a.com"));
    SitesKeywordsDialog& dialog = Open();
    QTest::keyClick(dialog.urlGrid, Qt::Key_Delete); // list not open yet
    Click(dialog.urlGrid, 0, kUrlNameColumn);
    QTest::keyClick(dialog.urlGrid, Qt::Key_Delete); // open but empty
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(Count(QStringLiteral("SE_KeyUrl")), 1);
}

TEST_F(KeyWordList, ShiftRangeInTheKeyWordList) {
    const int webId = AddUrl(QStringLiteral("a.com"));
    for (int i = 0; i < 5; ++i)
        AddKeyWord(webId, QStringLiteral("k%1").arg(i));
    SitesKeywordsDialog& dialog = Open();
    Click(dialog.urlGrid, 0, kUrlNameColumn);
    Click(dialog.keywordGrid, 3, kKeywordNameColumn);
    Click(dialog.keywordGrid, 1, kKeywordNameColumn, Qt::ShiftModifier);
    EXPECT_EQ(dialog.keywordGrid->selectedRows(), (QList<int>{1, 2, 3}));
}

} // namespace
} // namespace quorvane::test
