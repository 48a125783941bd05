// The keyword side of the settings dialog: the keywords of the clicked URL.
#include "settings/DuplicateTests.h"
#include "settings/EditPanel.h"
#include "settings/RecordGrid.h"
#include "settings/RecordModel.h"
#include "settings/UntSet.h"
#include "store/Messages.h"
#include "store/SqlText.h"
#include "store/UntPublic.h"

#include <QDate>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvane {

void TfrmSetLinkWord::BuildKeyWordSide() {
    grp2 = new QGroupBox(grp1);
    auto* column = new QVBoxLayout(grp2);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(0);

    tntpnl4 = new QWidget(grp2);
    tntpnl4->setFixedHeight(41);
    auto* row = new QHBoxLayout(tntpnl4);
    row->setContentsMargins(8, 0, 8, 0);
    lbl2 = new QLabel(QStringLiteral("添加关键词"), tntpnl4);
    edtkeyword = new QLineEdit(tntpnl4);
    edtkeyword->setFixedWidth(153);
    btnAddWord = PlainButton(tntpnl4, QStringLiteral("添加"));
    row->addWidget(lbl2);
    row->addWidget(edtkeyword);
    row->addWidget(btnAddWord);
    row->addStretch();
    column->addWidget(tntpnl4);

    tntdbgrd2 = new RecordGrid(grp2);
    tntdbgrd2->setObjectName(QStringLiteral("tntdbgrd2"));
    keyWordModel_ = new RecordModel(
        qryKeyWord,
        {
            {QStringLiteral("关键词名称"), QStringLiteral("KeyWordName"), 200, Qt::AlignCenter, false},
            {QStringLiteral("更新时间"), QStringLiteral("UpdateTime"), 80, Qt::AlignCenter, false},
            {QStringLiteral("操作"), QStringLiteral("State"), 64, Qt::AlignCenter, false},
        },
        this);
    tntdbgrd2->SetRecordModel(keyWordModel_);
    column->addWidget(tntdbgrd2, 1);

    // The edit panel lies over the list, outside the layout.
    const EditPanel edit =
        MakeEditPanel(grp2, QRect(8, 178, 353, 105), QStringLiteral("编辑关键词(编辑后自动关闭)"), 169);
    tntpnl6 = edit.panel;
    lbl5 = edit.caption;
    edtkeyword1 = edit.edit;
    btnsetkeyword = edit.save;
    btnexit3 = edit.close;
}

void TfrmSetLinkWord::LoadKeyWords(int webId) {
    dm_.OpenSQL(qryKeyWord, QStringLiteral("Select * From SE_KeyWord Where WebID=") + QString::number(webId));
}

void TfrmSetLinkWord::btnAddWordClick() {
    const QString keyword = edtkeyword->text();
    if (keyword.trimmed().isEmpty())
        return;
    if (curWebID_ <= 0) {
        ShowInfoMsg(QStringLiteral("请先选择一个链接!"));
        return;
    }
    const QString webId = QString::number(curWebID_);
    if (dm_.OpenSQL(qryCheck_, KeyWordDuplicateSql(keyword, curWebID_)) >= 1) {
        ShowErrorMsg(QStringLiteral("出现重复关键词!"));
        return;
    }
    const QString today = SqlDate(QDate::currentDate());
    const bool ok = dm_.ExecSQLInTrans(
        dm_.qry_exec,
        QStringLiteral("Insert into SE_KeyWord(WebID,KeyWordName,AddTime,State,UpdateTime)values(") + webId +
            u',' + QuotedStr(keyword) + u',' + today + u',' + QuotedStr(QStringLiteral("删除")) + u',' +
            today + u')');
    if (ok) {
        edtkeyword->setFocus();
        edtkeyword->clear();
    } else {
        ShowErrorMsg(QStringLiteral("添加关键词出现异常！"));
    }
    LoadKeyWords(curWebID_);
}

void TfrmSetLinkWord::tntdbgrd2CellClick(const QModelIndex& index) {
    if (!index.isValid() || !qryKeyWord.IsOpen() || qryKeyWord.IsEmpty())
        return;
    if (keyWordModel_->Column(index.column()).field == QStringLiteral("State"))
        DeleteOneKeyWord(index.row());
}

void TfrmSetLinkWord::DeleteOneKeyWord(int row) {
    if (AskYesNo(QStringLiteral("你确定要删除该关键词！")) != IdYes)
        return;
    // By name within the URL: every row of the URL bearing the name goes.
    const QString name = keyWordModel_->RowValue(row, QStringLiteral("KeyWordName")).toString();
    const bool ok = dm_.ExecSQLInTrans(
        dm_.qry_exec, QStringLiteral("Delete From SE_KeyWord Where WebID=") + QString::number(curWebID_) +
                          QStringLiteral(" and KeyWordName=") + QuotedStr(name));
    if (!ok)
        ShowErrorMsg(QStringLiteral("删除关键词出现异常!"));
    LoadKeyWords(curWebID_);
}

void TfrmSetLinkWord::tntdbgrd2DblClick() {
    if (!qryKeyWord.IsOpen() || qryKeyWord.IsEmpty() || qryKeyWord.CurrentRow() < 0)
        return;
    tntpnl6->show();
    tntpnl6->raise();
    edtkeyword1->setText(qryKeyWord.FieldText(QStringLiteral("KeyWordName")));
    editKeyWordID_ = qryKeyWord.FieldByName(QStringLiteral("KeyWordID")).toInt();
    tntdbgrd2->setEnabled(false);
}

void TfrmSetLinkWord::btnsetkeywordClick() {
    if (edtkeyword1->text().trimmed().isEmpty())
        return;
    const bool ok = dm_.ExecSQLInTrans(
        dm_.qry_exec, QStringLiteral("Update SE_KeyWord Set KeyWordName=") + QuotedStr(edtkeyword1->text()) +
                          QStringLiteral(",UpdateTime=") + SqlDate(QDate::currentDate()) +
                          QStringLiteral(" Where KeyWordID=") + QString::number(editKeyWordID_));
    if (ok) {
        ShowInfoMsg(QStringLiteral("更新关键词成功!"));
        tntpnl6->hide();
    }
    LoadKeyWords(curWebID_);
    tntdbgrd2->setEnabled(true);
}

void TfrmSetLinkWord::btnexit3Click() {
    tntpnl6->hide();
    edtkeyword1->clear();
    tntdbgrd2->setEnabled(true);
}

void TfrmSetLinkWord::actAction1Execute() {
    if (!qryKeyWord.IsOpen() || qryKeyWord.IsEmpty())
        return;
    if (AskYesNo(QStringLiteral("你确定要删除所选项?")) != IdYes)
        return;
    // Through the list itself, last row first so the remaining row numbers stay valid; no reload follows.
    const QList<int> rows = tntdbgrd2->SelectedRows();
    tntdbgrd2->setUpdatesEnabled(false);
    struct Redraw {
        QWidget* grid;
        ~Redraw() { grid->setUpdatesEnabled(true); }
    } redraw{tntdbgrd2};
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        qryKeyWord.DeleteRow(*it);
}

} // namespace quorvane
