#include "settings/UntSet.h"

#include "finder/UntFindUrl.h"
#include "settings/DuplicateTests.h"
#include "settings/EditPanel.h"
#include "settings/RecordGrid.h"
#include "settings/RecordModel.h"
#include "settings/ToolIcons.h"
#include "settings/UrlForms.h"
#include "store/Messages.h"
#include "store/SqlText.h"
#include "store/UntPublic.h"
#include "ui/ModalDialogs.h"
#include "ui/Fonts.h"

#include <QAction>
#include <QDate>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace quorvane {

namespace {

QString Today() {
    return SqlDate(QDate::currentDate());
}

QToolButton* toolButton(QWidget* parent, const QString& text, const QIcon& icon, QRect geometry) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setIcon(icon);
    button->setIconSize(QSize(24, 24));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setGeometry(geometry);
    return button;
}

} // namespace

TfrmSetLinkWord::TfrmSetLinkWord(TDM& dm, QWidget* parent)
    : QDialog(parent)
    , dm_(dm) {
    setObjectName(QStringLiteral("frmSetLinkWord"));
    setWindowTitle(QStringLiteral("关键词链接设置"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(820, 477);
    move(269, 216);
    qryUrl.setObjectName(QStringLiteral("qryUrl"));
    qryUrl.SetUpdateTable(QStringLiteral("SE_KeyUrl"), QStringLiteral("WebID"));
    qryKeyWord.setObjectName(QStringLiteral("qryKeyWord"));
    qryKeyWord.SetUpdateTable(QStringLiteral("SE_KeyWord"), QStringLiteral("KeyWordID"));

    grp1 = new QGroupBox(QStringLiteral("查询数据设置"), this);
    grp1->setFont(SongTiFont(12));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(grp1);
    auto* frame = new QVBoxLayout(grp1);
    frame->setContentsMargins(2, 2, 2, 2);
    frame->setSpacing(0);

    BuildToolbar();
    frame->addWidget(tntpnl2);
    auto* sides = new QHBoxLayout;
    sides->setSpacing(2);
    BuildUrlSide();
    BuildKeyWordSide();
    sides->addWidget(grp3);
    sides->addWidget(grp2, 1);
    frame->addLayout(sides, 1);

    actAction1 = new QAction(this);
    actAction1->setObjectName(QStringLiteral("actAction1"));
    actAction1->setShortcut(QKeySequence(Qt::Key_Delete));
    actAction1->setShortcutContext(Qt::WindowShortcut);
    addAction(actAction1);

    ConnectEvents();

    // What showing the dialog does: the URL list and its count; the keyword side waits for a click.
    ShowUrlCount(LoadUrlList());
}

TfrmSetLinkWord::~TfrmSetLinkWord() = default;

void TfrmSetLinkWord::BuildToolbar() {
    tntpnl2 = new QWidget(grp1);
    tntpnl2->setFixedHeight(50);
    const QString hint = QStringLiteral("请使用.txt文件夹");
    btnexproturl = toolButton(tntpnl2, QStringLiteral("导入链接"), ImportUrlIcon(), QRect(4, 2, 58, 46));
    btnexproturl->setToolTip(hint);
    btnexportword =
        toolButton(tntpnl2, QStringLiteral("导入关键词"), ImportKeyWordIcon(), QRect(62, 2, 67, 46));
    btnexportword->setToolTip(hint);
    btnFind = toolButton(tntpnl2, QStringLiteral("网址查询"), FindUrlIcon(), QRect(129, 2, 67, 46));
    lbl3 = new QLabel(QStringLiteral("提示:双击打开列表进行修改"), tntpnl2);
    lbl3->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    lbl3->move(204, 18);
    lbl3->adjustSize();
    tntprgrsbr1 = new QProgressBar(tntpnl2);
    tntprgrsbr1->setGeometry(520, 12, 169, 25);
    tntprgrsbr1->setTextVisible(false);
    tntprgrsbr1->hide();
}

void TfrmSetLinkWord::BuildUrlSide() {
    grp3 = new QGroupBox(grp1);
    grp3->setFixedWidth(447);
    auto* column = new QVBoxLayout(grp3);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(0);

    tntpnl3 = new QWidget(grp3);
    tntpnl3->setFixedHeight(41);
    auto* row = new QHBoxLayout(tntpnl3);
    row->setContentsMargins(8, 0, 8, 0);
    lbl1 = new QLabel(QStringLiteral("网址设置"), tntpnl3);
    edtUrl = new QLineEdit(tntpnl3);
    edtUrl->setFixedWidth(257);
    btnAddUrl = PlainButton(tntpnl3, QStringLiteral("添加"));
    row->addWidget(lbl1);
    row->addWidget(edtUrl);
    row->addWidget(btnAddUrl);
    row->addStretch();
    column->addWidget(tntpnl3);

    tntdbgrd1 = new RecordGrid(grp3);
    tntdbgrd1->setObjectName(QStringLiteral("tntdbgrd1"));
    urlModel_ = new RecordModel(
        qryUrl,
        {
            {QStringLiteral("选择"), QStringLiteral("isCheck"), 64, Qt::AlignCenter, true},
            {QStringLiteral("链接名称"), QStringLiteral("UrlName"), 200, Qt::AlignLeft | Qt::AlignVCenter,
             false},
            {QStringLiteral("更新时间"), QStringLiteral("UpdateTime"), 100, Qt::AlignCenter, false},
            {QStringLiteral("操作"), QStringLiteral("State"), 64, Qt::AlignCenter, false},
        },
        this);
    tntdbgrd1->SetRecordModel(urlModel_);
    column->addWidget(tntdbgrd1, 1);

    const EditPanel edit =
        MakeEditPanel(grp3, QRect(8, 178, 417, 105), QStringLiteral("编辑网址(编辑后自动关闭)"), 252);
    tntpnl5 = edit.panel;
    lbl4 = edit.caption;
    edtupdateurl = edit.edit;
    btnseturl = edit.save;
    btnexit2 = edit.close;

    tntpmn1 = new QMenu(this);
    tntmntmDelete = tntpmn1->addAction(QStringLiteral("删除"));
    tntmntmEdit = tntpmn1->addAction(QStringLiteral("修改"));
}

void TfrmSetLinkWord::ConnectEvents() {
    connect(btnAddUrl, &QPushButton::clicked, this, [this] { btnAddUrlClick(); });
    connect(edtUrl, &QLineEdit::returnPressed, this, [this] { btnAddUrlClick(); });
    connect(btnseturl, &QPushButton::clicked, this, [this] { btnseturlClick(); });
    connect(edtupdateurl, &QLineEdit::returnPressed, this, [this] { btnseturlClick(); });
    connect(btnexit2, &QPushButton::clicked, this, [this] { btnexit2Click(); });
    connect(tntmntmDelete, &QAction::triggered, this, [this] { tntmntmDeleteClick(); });
    // "修改" has no action of its own: editing is reached by a double click.
    connect(tntdbgrd1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { tntpmn1->popup(tntdbgrd1->viewport()->mapToGlobal(pos)); });
    connect(tntdbgrd1, &RecordGrid::LeftReleased, this,
            [this](const QModelIndex& index, Qt::KeyboardModifiers modifiers) {
                ListMouseUp(tntdbgrd1, modifiers);
                tntdbgrd1CellClick(index);
            });
    connect(tntdbgrd1, &RecordGrid::DoubleClicked, this, [this] { tntdbgrd1DblClick(); });

    connect(btnAddWord, &QPushButton::clicked, this, [this] { btnAddWordClick(); });
    connect(edtkeyword, &QLineEdit::returnPressed, this, [this] { btnAddWordClick(); });
    connect(btnsetkeyword, &QPushButton::clicked, this, [this] { btnsetkeywordClick(); });
    connect(edtkeyword1, &QLineEdit::returnPressed, this, [this] { btnsetkeywordClick(); });
    connect(btnexit3, &QPushButton::clicked, this, [this] { btnexit3Click(); });
    connect(tntdbgrd2, &RecordGrid::LeftReleased, this,
            [this](const QModelIndex& index, Qt::KeyboardModifiers modifiers) {
                ListMouseUp(tntdbgrd2, modifiers);
                tntdbgrd2CellClick(index);
            });
    connect(tntdbgrd2, &RecordGrid::DoubleClicked, this, [this] { tntdbgrd2DblClick(); });
    connect(actAction1, &QAction::triggered, this, [this] { actAction1Execute(); });

    connect(btnexproturl, &QToolButton::clicked, this, [this] { btnexproturlClick(); });
    connect(btnexportword, &QToolButton::clicked, this, [this] { btnexportwordClick(); });
    connect(btnFind, &QToolButton::clicked, this, [this] { btnFindClick(); });

    // The Delete key belongs to the dialog's action whichever control has the focus, edit boxes included.
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        edit->installEventFilter(this);
}

bool TfrmSetLinkWord::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            event->ignore();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

int TfrmSetLinkWord::LoadUrlList() {
    const int count = dm_.OpenSQL(qryUrl, QStringLiteral("Select * From SE_KeyUrl"));
    tntdbgrd1->setContextMenuPolicy(count >= 1 ? Qt::CustomContextMenu : Qt::NoContextMenu);
    return count;
}

void TfrmSetLinkWord::ShowUrlCount(int count) {
    grp3->setTitle(QStringLiteral("记录链接数") + QString::number(count));
}

void TfrmSetLinkWord::btnAddUrlClick() {
    if (edtUrl->text().trimmed().isEmpty()) {
        ShowInfoMsg(QStringLiteral("链接不能为空!"));
        return;
    }
    const QString url = CanonicalUrl(edtUrl->text());
    if (dm_.OpenSQL(qryCheck_, UrlDuplicateSql(url)) >= 1) {
        ShowErrorMsg(QStringLiteral("存在相同链接！"));
        return;
    }
    const QString today = Today();
    const bool ok = dm_.ExecSQLInTrans(
        dm_.qry_exec,
        QStringLiteral("Insert Into SE_KeyUrl(UrlName,AddTime,State,UpdateTime,isCheck)Values(") +
            QuotedStr(url) + u',' + today + u',' + QuotedStr(QStringLiteral("删除")) + u',' + today +
            QStringLiteral(",-1)"));
    if (ok) {
        edtUrl->setFocus();
        edtUrl->clear();
    } else {
        ShowErrorMsg(QStringLiteral("新增链接失败!"));
    }
    ShowUrlCount(LoadUrlList());
}

void TfrmSetLinkWord::ListMouseUp(RecordGrid* grid, Qt::KeyboardModifiers modifiers) {
    const int current = grid->currentIndex().isValid() ? grid->currentIndex().row() : -1;
    const bool anchorUsable = anchorSet_ && anchorGrid_ == grid && anchorGeneration_ == grid->Generation() &&
                              anchorRow_ >= 0 && anchorRow_ < grid->model()->rowCount();
    if (!anchorUsable || !modifiers.testFlag(Qt::ShiftModifier)) {
        if (current < 0)
            return;
        anchorGrid_ = grid;
        anchorGeneration_ = grid->Generation();
        anchorRow_ = current;
        anchorRecNo_ = current + 1;
        anchorSet_ = true;
        return;
    }
    if (current >= 0)
        grid->SelectRange(anchorRow_, current, current);
    anchorSet_ = false;
}

void TfrmSetLinkWord::tntdbgrd1CellClick(const QModelIndex& index) {
    if (!index.isValid() || !qryUrl.IsOpen() || qryUrl.IsEmpty())
        return;
    qryUrl.SetCurrentRow(index.row());
    const QString field = urlModel_->Column(index.column()).field;
    if (field == QStringLiteral("isCheck"))
        ToggleUrlCheck();
    grp2->setTitle(qryUrl.FieldText(QStringLiteral("UrlName")) + QStringLiteral("对应关键词设置"));
    curWebID_ = qryUrl.FieldByName(QStringLiteral("WebID")).toInt();
    LoadKeyWords(curWebID_);
    if (field == QStringLiteral("State"))
        DeleteSelectedUrls();
}

void TfrmSetLinkWord::ToggleUrlCheck() {
    if (qryUrl.CurrentRow() < 0)
        return;
    const bool ticked = !RecordModel::IsTicked(qryUrl.FieldByName(QStringLiteral("isCheck")));
    qryUrl.Edit();
    qryUrl.SetFieldValue(QStringLiteral("isCheck"), ticked);
    const QString webId = QString::number(qryUrl.FieldByName(QStringLiteral("WebID")).toLongLong());
    dm_.ExecSQLInTrans(dm_.qry_exec, QStringLiteral("Update SE_KeyWord Set Valid=") +
                                         (ticked ? QStringLiteral("'1'") : QStringLiteral("'0'")) +
                                         QStringLiteral(" Where WebID=") + webId);
    qryUrl.Post();
}

void TfrmSetLinkWord::tntdbgrd1DblClick() {
    if (!qryUrl.IsOpen() || qryUrl.IsEmpty() || qryUrl.CurrentRow() < 0)
        return;
    tntpnl5->show();
    tntpnl5->raise();
    edtupdateurl->setText(qryUrl.FieldText(QStringLiteral("UrlName")));
    tntdbgrd1->setEnabled(false);
}

void TfrmSetLinkWord::btnseturlClick() {
    if (edtupdateurl->text().trimmed().isEmpty())
        return;
    const bool ok = dm_.ExecSQLInTrans(
        dm_.qry_exec, QStringLiteral("Update SE_KeyUrl Set UrlName=") + QuotedStr(edtupdateurl->text()) +
                          QStringLiteral(",UpdateTime=") + Today() + QStringLiteral(" Where WebID=") +
                          QString::number(curWebID_));
    if (ok) {
        ShowInfoMsg(QStringLiteral("更新链接成功!"));
        tntpnl5->hide();
    }
    ShowUrlCount(LoadUrlList());
    tntdbgrd1->setEnabled(true);
}

void TfrmSetLinkWord::btnexit2Click() {
    tntpnl5->hide();
    edtupdateurl->clear();
    tntdbgrd1->setEnabled(true);
}

void TfrmSetLinkWord::tntmntmDeleteClick() {
    DeleteSelectedUrls();
}

void TfrmSetLinkWord::DeleteSelectedUrls() {
    if (AskYesNo(QStringLiteral("确定要删除该链接")) != IdYes)
        return;
    // The keys are taken first: the list is read again only after all deletes.
    QList<qlonglong> webIds;
    for (const int row : tntdbgrd1->SelectedRows())
        webIds << urlModel_->RowValue(row, QStringLiteral("WebID")).toLongLong();
    for (const qlonglong webId : webIds)
        dm_.ExecSQLInTrans(dm_.qry_exec,
                           QStringLiteral("Delete From SE_KeyUrl Where WebID=") + QString::number(webId));
    ShowUrlCount(LoadUrlList());
}

void TfrmSetLinkWord::btnFindClick() {
    TfrmFindUrl finder(dm_, this);
    if (stopRequested_)
        finder.SetStopRequest(*stopRequested_);
    ExecModal(finder);
}

} // namespace quorvane
