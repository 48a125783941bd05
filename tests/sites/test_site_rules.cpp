// The match rule of a site in the sites dialog: chosen beside the address, stored with the site, shown in the
// list, and changed in the edit panel, where a site given a host rule becomes its host.
#include "SitesKeywordsFixture.h"

#include "sites/UrlForms.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace quorvane::test {
namespace {

using SiteRules = SettingsTest;

QStringList items(const QComboBox* box) {
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

// The rule of each row as the list's 匹配方式 column shows it.
QStringList rulesShown(const SitesKeywordsDialog& dialog) {
    const RecordModel* model = dialog.urlGrid->recordModel();
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, model->columnOf(QStringLiteral("MatchRule"))).data().toString();
    return texts;
}

void choose(QComboBox* box, const QString& text) {
    box->setCurrentIndex(box->findText(text));
    ASSERT_EQ(box->currentText(), text);
}

TEST_F(SiteRules, TheChosenRuleIsStoredWithTheSiteAndShownInTheList) {
    SitesKeywordsDialog& dialog = Open();
    EXPECT_EQ(items(dialog.urlRuleBox), (QStringList{"完整网址", "同一主机", "整个域名"}));
    EXPECT_EQ(dialog.urlRuleBox->currentText(), QStringLiteral("完整网址")) << "a new site's default";
    EXPECT_TRUE(dialog.urlRuleBox->isVisible());

    dialog.urlEdit->setText(QStringLiteral("https://www.example.com/blog"));
    QTest::mouseClick(dialog.addUrlButton, Qt::LeftButton);
    choose(dialog.urlRuleBox, QStringLiteral("整个域名"));
    dialog.urlEdit->setText(QStringLiteral("https://www.example.com/blog"));
    QTest::mouseClick(dialog.addUrlButton, Qt::LeftButton);
    choose(dialog.urlRuleBox, QStringLiteral("同一主机"));
    dialog.urlEdit->setText(QStringLiteral("HTTP://M.Example.com:8080/x"));
    QTest::mouseClick(dialog.addUrlButton, Qt::LeftButton);
    EXPECT_TRUE(messages.Messages().empty()) << messages.Texts().join(u'|').toStdString();

    EXPECT_EQ(
        Column(QStringLiteral("Select UrlName || '|' || ifnull(MatchRule,'') From SE_KeyUrl Order By WebID")),
        (QStringList{"https:www.example.comblog|", "www.example.com|2", "m.example.com|1"}));
    EXPECT_EQ(rulesShown(dialog), (QStringList{"完整网址", "整个域名", "同一主机"}));
    EXPECT_EQ(dialog.urlBox->title(), QStringLiteral("记录链接数3"));

    // The same host again under a host rule is the same site.
    dialog.urlEdit->setText(QStringLiteral("http://m.example.com/other"));
    dialog.addUrl();
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("存在相同链接！")});
}

TEST_F(SiteRules, AHostRuleForTextWithoutAHostIsRefused) {
    SitesKeywordsDialog& dialog = Open();
    choose(dialog.urlRuleBox, QStringLiteral("同一主机"));
    dialog.urlEdit->setText(QStringLiteral("我的网站"));
    dialog.addUrl();
    ASSERT_EQ(messages.Texts(), QStringList{QStringLiteral("链接中没有有效的主机名!")});
    EXPECT_EQ(messages.Messages()[0].kind, MessageKind::Error);
    EXPECT_EQ(dialog.urlEdit->text(), QStringLiteral("我的网站"));
    EXPECT_EQ(Count(QStringLiteral("SE_KeyUrl")), 0);
}

TEST_F(SiteRules, TheEditPanelSwitchesAStoredSiteToItsHost) {
    AddUrl(QStringLiteral("a.com"));
    const int site = AddUrl(QStringLiteral("https:www.example.com"));
    SitesKeywordsDialog& dialog = Open();
    EXPECT_EQ(rulesShown(dialog), (QStringList{"完整网址", "完整网址"}))
        << "sites stored before rules existed";
    DoubleClick(dialog.urlGrid, 1, kUrlNameColumn);
    ASSERT_TRUE(dialog.urlEditPanel->isVisible());
    EXPECT_EQ(dialog.editedRuleBox->currentText(), QStringLiteral("完整网址"));
    EXPECT_TRUE(dialog.editedRuleBox->isVisible());

    choose(dialog.editedRuleBox, QStringLiteral("同一主机"));
    QTest::mouseClick(dialog.saveUrlButton, Qt::LeftButton);
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("更新链接成功!")});
    EXPECT_EQ(Column(QStringLiteral("Select UrlName || '|' || MatchRule From SE_KeyUrl Where WebID=") +
                     QString::number(site)),
              QStringList{"www.example.com|1"});
    EXPECT_EQ(Shown(dialog.urlGrid, QStringLiteral("UrlName")), (QStringList{"a.com", "www.example.com"}));
    EXPECT_EQ(rulesShown(dialog), (QStringList{"完整网址", "同一主机"}));
    EXPECT_EQ(dialog.keywordBox->title(), QStringLiteral("www.example.com对应关键词设置"));

    // Back to the whole address: the text stays as it is, the rule goes back.
    messages.Clear();
    DoubleClick(dialog.urlGrid, 1, kUrlNameColumn);
    EXPECT_EQ(dialog.editedRuleBox->currentText(), QStringLiteral("同一主机"));
    choose(dialog.editedRuleBox, QStringLiteral("完整网址"));
    dialog.saveEditedUrl();
    EXPECT_EQ(Column(QStringLiteral("Select UrlName || '|' || MatchRule From SE_KeyUrl Where WebID=") +
                     QString::number(site)),
              QStringList{"www.example.com|0"});

    // A host rule for an address without a host keeps the panel open and the row as it was.
    messages.Clear();
    DoubleClick(dialog.urlGrid, 0, kUrlNameColumn);
    dialog.editedUrlEdit->setText(QStringLiteral("不是主机"));
    choose(dialog.editedRuleBox, QStringLiteral("整个域名"));
    dialog.saveEditedUrl();
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("链接中没有有效的主机名!")});
    EXPECT_TRUE(dialog.urlEditPanel->isVisible());
    EXPECT_EQ(Column(QStringLiteral("Select UrlName From SE_KeyUrl Order By WebID")),
              (QStringList{"a.com", "www.example.com"}));
}

TEST(SiteForms, StoredTextOfATypedSiteUnderEachRule) {
    EXPECT_EQ(storedSiteText(QStringLiteral("https://www.example.com/blog"), SiteMatch::Address),
              QStringLiteral("https:www.example.comblog"));
    EXPECT_EQ(storedSiteText(QStringLiteral("https://www.example.com/blog"), SiteMatch::Host),
              QStringLiteral("www.example.com"));
    EXPECT_EQ(storedSiteText(QStringLiteral("https:www.example.com"), SiteMatch::Domain),
              QStringLiteral("www.example.com"));
    EXPECT_EQ(storedSiteText(QStringLiteral("www.镕基.cn"), SiteMatch::Host), QStringLiteral("www.镕基.cn"));
    EXPECT_EQ(storedSiteText(QStringLiteral("my site"), SiteMatch::Host), QString());
}

} // namespace
} // namespace quorvane::test
