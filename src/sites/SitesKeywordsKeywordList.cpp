// The keyword side of the sites-and-keywords dialog: the keywords of the clicked URL.
#include "platform/Messages.h"
#include "sites/DuplicateQueries.h"
#include "sites/EditPanel.h"
#include "sites/RecordGrid.h"
#include "sites/RecordModel.h"
#include "sites/SiteStatements.h"
#include "sites/SitesKeywordsDialog.h"

#include <QDate>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvane {

void SitesKeywordsDialog::buildKeyWordSide() {
    keywordBox = new QGroupBox(settingsGroup);
    // The box takes the width the URL side leaves, however long the URL in its title: a long title is cut
    // at the box's edge rather than pushing the box out of the dialog.
    keywordBox->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* column = new QVBoxLayout(keywordBox);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(0);

    keywordEntryRow = new QWidget(keywordBox);
    keywordEntryRow->setFixedHeight(41);
    auto* row = new QHBoxLayout(keywordEntryRow);
    row->setContentsMargins(8, 0, 8, 0);
    keywordLabel = new QLabel(QStringLiteral("添加关键词"), keywordEntryRow);
    keywordEdit = new QLineEdit(keywordEntryRow);
    keywordEdit->setFixedWidth(153);
    addKeywordButton = plainButton(keywordEntryRow, QStringLiteral("添加"));
    row->addWidget(keywordLabel);
    row->addWidget(keywordEdit);
    row->addWidget(addKeywordButton);
    row->addStretch();
    column->addWidget(keywordEntryRow);

    keywordGrid = new RecordGrid(keywordBox);
    keywordGrid->setObjectName(QStringLiteral("keywordGrid"));
    keyWordModel_ = new RecordModel(
        keywords,
        {
            {QStringLiteral("关键词名称"), QStringLiteral("KeyWordName"), 200, Qt::AlignCenter, false},
            {QStringLiteral("更新时间"), QStringLiteral("UpdateTime"), 80, Qt::AlignCenter, false},
            // No width of its own: what its title and "删除" need.
            {QStringLiteral("操作"), QStringLiteral("State"),
             keywordGrid->fittingWidth(QStringLiteral("操作"), {QStringLiteral("删除")}), Qt::AlignCenter,
             false},
        },
        this);
    keywordGrid->setRecordModel(keyWordModel_);
    keywordGrid->setElasticColumn(0);
    column->addWidget(keywordGrid, 1);

    // The edit panel lies over the list, outside the layout.
    const EditPanel edit =
        makeEditPanel(keywordBox, QRect(8, 178, 353, 105), QStringLiteral("编辑关键词(编辑后自动关闭)"), 169);
    keywordEditPanel = edit.panel;
    keywordEditLabel = edit.caption;
    editedKeywordEdit = edit.edit;
    saveKeywordButton = edit.save;
    closeKeywordEditButton = edit.close;
}

void SitesKeywordsDialog::loadKeyWords(int webId) {
    database_.openQuery(keywords,
                        QStringLiteral("Select * From SE_KeyWord Where WebID=") + QString::number(webId));
}

void SitesKeywordsDialog::addKeyword() {
    const QString keyword = keywordEdit->text();
    if (keyword.trimmed().isEmpty())
        return;
    if (curWebID_ <= 0) {
        showInfoMsg(QStringLiteral("请先选择一个链接!"));
        return;
    }
    if (database_.openQuery(duplicateQuery_, keyWordDuplicateSql(keyword, curWebID_)) >= 1) {
        showErrorMsg(QStringLiteral("出现重复关键词!"));
        return;
    }
    const bool ok = database_.execInTransaction(keywordInsertSql(curWebID_, keyword, QDate::currentDate()));
    if (ok) {
        keywordEdit->setFocus();
        keywordEdit->clear();
    } else {
        showErrorMsg(QStringLiteral("添加关键词出现异常！"));
    }
    loadKeyWords(curWebID_);
}

void SitesKeywordsDialog::keywordCellClicked(const QModelIndex& index) {
    if (!index.isValid() || !keywords.isOpen() || keywords.isEmpty())
        return;
    if (keyWordModel_->column(index.column()).field == QStringLiteral("State"))
        deleteOneKeyWord(index.row());
}

void SitesKeywordsDialog::deleteOneKeyWord(int row) {
    if (askYesNo(QStringLiteral("你确定要删除该关键词！")) != IdYes)
        return;
    // By name within the URL: every row of the URL bearing the name goes.
    const QString name = keyWordModel_->rowValue(row, QStringLiteral("KeyWordName")).toString();
    const bool ok = database_.execInTransaction(
        QStringLiteral("Delete From SE_KeyWord Where WebID=? and KeyWordName=?"), {curWebID_, name});
    if (!ok)
        showErrorMsg(QStringLiteral("删除关键词出现异常!"));
    loadKeyWords(curWebID_);
}

void SitesKeywordsDialog::openKeywordEditPanel() {
    if (!keywords.isOpen() || keywords.isEmpty() || keywords.currentRow() < 0)
        return;
    keywordEditPanel->show();
    keywordEditPanel->raise();
    editedKeywordEdit->setText(keywords.fieldText(QStringLiteral("KeyWordName")));
    editKeyWordID_ = keywords.fieldByName(QStringLiteral("KeyWordID")).toInt();
    keywordGrid->setEnabled(false);
}

void SitesKeywordsDialog::saveEditedKeyword() {
    if (editedKeywordEdit->text().trimmed().isEmpty())
        return;
    const bool ok = database_.execInTransaction(
        QStringLiteral("Update SE_KeyWord Set KeyWordName=?,UpdateTime=? Where KeyWordID=?"),
        {editedKeywordEdit->text(), QDate::currentDate(), editKeyWordID_});
    if (ok) {
        showInfoMsg(QStringLiteral("更新关键词成功!"));
        keywordEditPanel->hide();
    }
    loadKeyWords(curWebID_);
    keywordGrid->setEnabled(true);
}

void SitesKeywordsDialog::closeKeywordEditPanel() {
    keywordEditPanel->hide();
    editedKeywordEdit->clear();
    keywordGrid->setEnabled(true);
}

void SitesKeywordsDialog::deleteSelectedKeywords() {
    if (!keywords.isOpen() || keywords.isEmpty())
        return;
    if (askYesNo(QStringLiteral("你确定要删除所选项?")) != IdYes)
        return;
    // Through the list itself, last row first so the remaining row numbers stay valid; no reload follows.
    const QList<int> rows = keywordGrid->selectedRows();
    keywordGrid->setUpdatesEnabled(false);
    struct Redraw {
        QWidget* grid;
        ~Redraw() { grid->setUpdatesEnabled(true); }
    } redraw{keywordGrid};
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        keywords.deleteRow(*it);
}

} // namespace quorvane
