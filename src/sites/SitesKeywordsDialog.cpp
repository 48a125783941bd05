#include "sites/SitesKeywordsDialog.h"

#include "finder/UrlFinder.h"
#include "platform/Messages.h"
#include "sites/DuplicateQueries.h"
#include "sites/EditPanel.h"
#include "sites/RecordGrid.h"
#include "sites/RecordModel.h"
#include "sites/SiteStatements.h"
#include "sites/ToolIcons.h"
#include "sites/UrlForms.h"
#include "ui/Fonts.h"
#include "ui/ModalDialogs.h"

#include <QAction>
#include <QComboBox>
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

QDate today() {
    return QDate::currentDate();
}

constexpr SiteMatch kRules[] = {SiteMatch::Address, SiteMatch::Host, SiteMatch::Domain};

QComboBox* ruleBox(QWidget* parent) {
    auto* box = new QComboBox(parent);
    for (const SiteMatch rule : kRules)
        box->addItem(siteMatchLabel(rule), storedValue(rule));
    box->setToolTip(
        QStringLiteral("完整网址: 结果的网址与链接完全相同\n同一主机: 结果的主机名与链接的主机名相同\n"
                       "整个域名: 结果的主机名是链接的主机名或其子域名"));
    return box;
}

SiteMatch chosenRule(const QComboBox* box) {
    return siteMatchOfStored(box->currentData());
}

void chooseRule(QComboBox* box, SiteMatch rule) {
    box->setCurrentIndex(box->findData(storedValue(rule)));
}

// A host rule was chosen for text without a host name.
const QString kNoHostText = QStringLiteral("链接中没有有效的主机名!");

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

SitesKeywordsDialog::SitesKeywordsDialog(Database& database, QWidget* parent)
    : QDialog(parent)
    , database_(database) {
    setObjectName(QStringLiteral("sitesKeywordsDialog"));
    setWindowTitle(QStringLiteral("关键词链接设置"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(820, 477);
    move(269, 216);
    urls.setObjectName(QStringLiteral("urls"));
    urls.setUpdateTable(QStringLiteral("SE_KeyUrl"), QStringLiteral("WebID"));
    keywords.setObjectName(QStringLiteral("keywords"));
    keywords.setUpdateTable(QStringLiteral("SE_KeyWord"), QStringLiteral("KeyWordID"));

    settingsGroup = new QGroupBox(QStringLiteral("查询数据设置"), this);
    settingsGroup->setFont(songTiFont(12));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(settingsGroup);
    auto* frame = new QVBoxLayout(settingsGroup);
    frame->setContentsMargins(2, 2, 2, 2);
    frame->setSpacing(0);

    buildToolbar();
    frame->addWidget(toolBar);
    auto* sides = new QHBoxLayout;
    sides->setSpacing(2);
    buildUrlSide();
    buildKeyWordSide();
    sides->addWidget(urlBox);
    sides->addWidget(keywordBox, 1);
    frame->addLayout(sides, 1);

    deleteKeywordsAction = new QAction(this);
    deleteKeywordsAction->setObjectName(QStringLiteral("deleteKeywordsAction"));
    deleteKeywordsAction->setShortcut(QKeySequence(Qt::Key_Delete));
    deleteKeywordsAction->setShortcutContext(Qt::WindowShortcut);
    addAction(deleteKeywordsAction);

    connectEvents();

    // What showing the dialog does: the URL list and its count; the keyword side waits for a click.
    showUrlCount(loadUrlList());
}

SitesKeywordsDialog::~SitesKeywordsDialog() = default;

void SitesKeywordsDialog::buildToolbar() {
    toolBar = new QWidget(settingsGroup);
    toolBar->setFixedHeight(50);
    const QString hint = QStringLiteral("请使用.txt文件夹");
    importUrlsButton = toolButton(toolBar, QStringLiteral("导入链接"), importUrlIcon(), QRect(4, 2, 58, 46));
    importUrlsButton->setToolTip(hint);
    importKeywordsButton =
        toolButton(toolBar, QStringLiteral("导入关键词"), importKeyWordIcon(), QRect(62, 2, 67, 46));
    importKeywordsButton->setToolTip(hint);
    findUrlButton = toolButton(toolBar, QStringLiteral("网址查询"), findUrlIcon(), QRect(129, 2, 67, 46));
    hintLabel = new QLabel(QStringLiteral("提示:双击打开列表进行修改"), toolBar);
    hintLabel->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    hintLabel->move(204, 18);
    hintLabel->adjustSize();
    importProgress = new QProgressBar(toolBar);
    importProgress->setGeometry(520, 12, 169, 25);
    importProgress->setTextVisible(false);
    importProgress->hide();
    cancelImportButton = new QPushButton(QStringLiteral("取消"), toolBar);
    cancelImportButton->setObjectName(QStringLiteral("cancelImportButton"));
    cancelImportButton->setGeometry(694, 12, 52, 25);
    cancelImportButton->hide();
}

void SitesKeywordsDialog::buildUrlSide() {
    urlBox = new QGroupBox(settingsGroup);
    urlBox->setFixedWidth(447);
    auto* column = new QVBoxLayout(urlBox);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(0);

    urlEntryRow = new QWidget(urlBox);
    urlEntryRow->setFixedHeight(41);
    auto* row = new QHBoxLayout(urlEntryRow);
    row->setContentsMargins(8, 0, 8, 0);
    urlLabel = new QLabel(QStringLiteral("网址设置"), urlEntryRow);
    urlEdit = new QLineEdit(urlEntryRow);
    urlRuleBox = ruleBox(urlEntryRow);
    urlRuleBox->setObjectName(QStringLiteral("urlRuleBox"));
    // The address keeps what the rule's choice beside it leaves of its width.
    urlEdit->setFixedWidth(257 - urlRuleBox->sizeHint().width() - row->spacing());
    addUrlButton = plainButton(urlEntryRow, QStringLiteral("添加"));
    row->addWidget(urlLabel);
    row->addWidget(urlEdit);
    row->addWidget(urlRuleBox);
    row->addWidget(addUrlButton);
    row->addStretch();
    column->addWidget(urlEntryRow);

    urlGrid = new RecordGrid(urlBox);
    urlGrid->setObjectName(QStringLiteral("urlGrid"));
    // The check-box and delete columns have no width of their own: they take what their title needs.
    const QString choose = QStringLiteral("选择");
    const QString operation = QStringLiteral("操作");
    urlModel_ = new RecordModel(
        urls,
        {
            {choose, QStringLiteral("isCheck"), urlGrid->fittingWidth(choose), Qt::AlignCenter, true},
            {QStringLiteral("链接名称"), QStringLiteral("UrlName"), 200, Qt::AlignLeft | Qt::AlignVCenter,
             false},
            // The day takes what it needs rather than 100: the room goes to the 匹配方式 column.
            {QStringLiteral("更新时间"), QStringLiteral("UpdateTime"),
             urlGrid->fittingWidth(QStringLiteral("更新时间"), {QStringLiteral("0000-00-00")}),
             Qt::AlignCenter, false},
            {operation, QStringLiteral("State"), urlGrid->fittingWidth(operation, {QStringLiteral("删除")}),
             Qt::AlignCenter, false},
            {QStringLiteral("匹配方式"), QStringLiteral("MatchRule"),
             urlGrid->fittingWidth(QStringLiteral("匹配方式"), {siteMatchLabel(SiteMatch::Address)}),
             Qt::AlignCenter, false},
        },
        this);
    urlModel_->setShownText(urlModel_->columnOf(QStringLiteral("MatchRule")),
                            [](const QVariant& stored) { return siteMatchLabel(siteMatchOfStored(stored)); });
    urlGrid->setRecordModel(urlModel_);
    urlGrid->setElasticColumn(1);
    column->addWidget(urlGrid, 1);

    const EditPanel edit =
        makeEditPanel(urlBox, QRect(8, 178, 417, 105), QStringLiteral("编辑网址(编辑后自动关闭)"), 252);
    urlEditPanel = edit.panel;
    urlEditLabel = edit.caption;
    editedUrlEdit = edit.edit;
    saveUrlButton = edit.save;
    closeUrlEditButton = edit.close;
    editedRuleBox = ruleBox(urlEditPanel);
    editedRuleBox->setObjectName(QStringLiteral("editedRuleBox"));
    editedRuleBox->move(16, 78);

    urlMenu = new QMenu(this);
    deleteUrlsAction = urlMenu->addAction(QStringLiteral("删除"));
    editUrlAction = urlMenu->addAction(QStringLiteral("修改"));
}

void SitesKeywordsDialog::connectEvents() {
    connect(addUrlButton, &QPushButton::clicked, this, [this] { addUrl(); });
    connect(urlEdit, &QLineEdit::returnPressed, this, [this] { addUrl(); });
    connect(saveUrlButton, &QPushButton::clicked, this, [this] { saveEditedUrl(); });
    connect(editedUrlEdit, &QLineEdit::returnPressed, this, [this] { saveEditedUrl(); });
    connect(closeUrlEditButton, &QPushButton::clicked, this, [this] { closeUrlEditPanel(); });
    connect(deleteUrlsAction, &QAction::triggered, this, [this] { deleteSelectedUrls(); });
    // "修改" has no action of its own: editing is reached by a double click.
    connect(urlGrid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { urlMenu->popup(urlGrid->viewport()->mapToGlobal(pos)); });
    connect(urlGrid, &RecordGrid::leftReleased, this,
            [this](const QModelIndex& index, Qt::KeyboardModifiers modifiers) {
                listMouseUp(urlGrid, modifiers);
                urlCellClicked(index);
            });
    connect(urlGrid, &RecordGrid::DoubleClicked, this, [this] { openUrlEditPanel(); });

    connect(addKeywordButton, &QPushButton::clicked, this, [this] { addKeyword(); });
    connect(keywordEdit, &QLineEdit::returnPressed, this, [this] { addKeyword(); });
    connect(saveKeywordButton, &QPushButton::clicked, this, [this] { saveEditedKeyword(); });
    connect(editedKeywordEdit, &QLineEdit::returnPressed, this, [this] { saveEditedKeyword(); });
    connect(closeKeywordEditButton, &QPushButton::clicked, this, [this] { closeKeywordEditPanel(); });
    connect(keywordGrid, &RecordGrid::leftReleased, this,
            [this](const QModelIndex& index, Qt::KeyboardModifiers modifiers) {
                listMouseUp(keywordGrid, modifiers);
                keywordCellClicked(index);
            });
    connect(keywordGrid, &RecordGrid::DoubleClicked, this, [this] { openKeywordEditPanel(); });
    connect(deleteKeywordsAction, &QAction::triggered, this, [this] { deleteSelectedKeywords(); });

    connect(importUrlsButton, &QToolButton::clicked, this, [this] { importUrls(); });
    connect(cancelImportButton, &QPushButton::clicked, this, [this] { stopImport(); });
    connect(importKeywordsButton, &QToolButton::clicked, this, [this] { importKeywords(); });
    connect(findUrlButton, &QToolButton::clicked, this, [this] { openUrlFinder(); });

    // The Delete key belongs to the dialog's action whichever control has the focus, edit boxes included.
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        edit->installEventFilter(this);
}

bool SitesKeywordsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            event->ignore();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

int SitesKeywordsDialog::loadUrlList() {
    const int count = database_.openQuery(urls, QStringLiteral("Select * From SE_KeyUrl"));
    urlGrid->setContextMenuPolicy(count >= 1 ? Qt::CustomContextMenu : Qt::NoContextMenu);
    return count;
}

void SitesKeywordsDialog::showUrlCount(int count) {
    urlBox->setTitle(QStringLiteral("记录链接数") + QString::number(count));
}

void SitesKeywordsDialog::addUrl() {
    if (urlEdit->text().trimmed().isEmpty()) {
        showInfoMsg(QStringLiteral("链接不能为空!"));
        return;
    }
    const SiteMatch rule = chosenRule(urlRuleBox);
    const QString url = storedSiteText(urlEdit->text(), rule);
    if (url.isEmpty()) {
        showErrorMsg(kNoHostText);
        return;
    }
    if (database_.openQuery(duplicateQuery_, urlDuplicateSql(url)) >= 1) {
        showErrorMsg(QStringLiteral("存在相同链接！"));
        return;
    }
    const bool ok = database_.execInTransaction(siteInsertSql(url, rule, today()));
    if (ok) {
        urlEdit->setFocus();
        urlEdit->clear();
    } else {
        showErrorMsg(QStringLiteral("新增链接失败!"));
    }
    showUrlCount(loadUrlList());
}

void SitesKeywordsDialog::listMouseUp(RecordGrid* grid, Qt::KeyboardModifiers modifiers) {
    const int current = grid->currentIndex().isValid() ? grid->currentIndex().row() : -1;
    const bool anchorUsable = anchorSet_ && anchorGrid_ == grid && anchorGeneration_ == grid->generation() &&
                              anchorRow_ >= 0 && anchorRow_ < grid->model()->rowCount();
    if (!anchorUsable || !modifiers.testFlag(Qt::ShiftModifier)) {
        if (current < 0)
            return;
        anchorGrid_ = grid;
        anchorGeneration_ = grid->generation();
        anchorRow_ = current;
        anchorRecNo_ = current + 1;
        anchorSet_ = true;
        return;
    }
    if (current >= 0)
        grid->selectRange(anchorRow_, current, current);
    anchorSet_ = false;
}

void SitesKeywordsDialog::urlCellClicked(const QModelIndex& index) {
    if (!index.isValid() || !urls.isOpen() || urls.isEmpty())
        return;
    urls.setCurrentRow(index.row());
    const QString field = urlModel_->column(index.column()).field;
    if (field == QStringLiteral("isCheck"))
        toggleUrlCheck();
    keywordBox->setTitle(urls.fieldText(QStringLiteral("UrlName")) + QStringLiteral("对应关键词设置"));
    curWebID_ = urls.fieldByName(QStringLiteral("WebID")).toInt();
    loadKeyWords(curWebID_);
    if (field == QStringLiteral("State"))
        confirmAndDeleteSelectedUrls();
}

void SitesKeywordsDialog::toggleUrlCheck() {
    if (urls.currentRow() < 0)
        return;
    const bool ticked = !RecordModel::isTicked(urls.fieldByName(QStringLiteral("isCheck")));
    urls.edit();
    urls.setFieldValue(QStringLiteral("isCheck"), ticked);
    const QString webId = QString::number(urls.fieldByName(QStringLiteral("WebID")).toLongLong());
    database_.execInTransaction(database_.execQuery,
                                QStringLiteral("Update SE_KeyWord Set Valid=") +
                                    (ticked ? QStringLiteral("'1'") : QStringLiteral("'0'")) +
                                    QStringLiteral(" Where WebID=") + webId);
    urls.post();
}

void SitesKeywordsDialog::openUrlEditPanel() {
    if (!urls.isOpen() || urls.isEmpty() || urls.currentRow() < 0)
        return;
    urlEditPanel->show();
    urlEditPanel->raise();
    editedUrlEdit->setText(urls.fieldText(QStringLiteral("UrlName")));
    chooseRule(editedRuleBox,
               siteMatchOfStored(urlModel_->rowValue(urls.currentRow(), QStringLiteral("MatchRule"))));
    urlGrid->setEnabled(false);
}

void SitesKeywordsDialog::saveEditedUrl() {
    if (editedUrlEdit->text().trimmed().isEmpty())
        return;
    // Under the address rule the text is stored as typed; under a host rule the site becomes its host, and
    // the edit box shows what it became.
    const SiteMatch rule = chosenRule(editedRuleBox);
    const QString url =
        rule == SiteMatch::Address ? editedUrlEdit->text() : storedSiteText(editedUrlEdit->text(), rule);
    if (url.isEmpty()) {
        showErrorMsg(kNoHostText);
        return;
    }
    editedUrlEdit->setText(url);
    // The rule is written when it is another than the address rule or replaces one.
    const SiteMatch before =
        siteMatchOfStored(urlModel_->rowValue(urls.currentRow(), QStringLiteral("MatchRule")));
    const std::optional<SiteMatch> written =
        rule != SiteMatch::Address || before != SiteMatch::Address ? std::optional(rule) : std::nullopt;
    const bool ok = database_.execInTransaction(siteEditSql(curWebID_, url, written, today()));
    if (ok) {
        showInfoMsg(QStringLiteral("更新链接成功!"));
        urlEditPanel->hide();
        keywordBox->setTitle(url + QStringLiteral("对应关键词设置"));
    }
    showUrlCount(loadUrlList());
    urlGrid->setEnabled(true);
}

void SitesKeywordsDialog::closeUrlEditPanel() {
    urlEditPanel->hide();
    editedUrlEdit->clear();
    urlGrid->setEnabled(true);
}

void SitesKeywordsDialog::deleteSelectedUrls() {
    confirmAndDeleteSelectedUrls();
}

void SitesKeywordsDialog::confirmAndDeleteSelectedUrls() {
    if (askYesNo(QStringLiteral("确定要删除该链接")) != IdYes)
        return;
    // The keys are taken first: the list is read again only after all deletes.
    QList<qlonglong> webIds;
    for (const int row : urlGrid->selectedRows())
        webIds << urlModel_->rowValue(row, QStringLiteral("WebID")).toLongLong();
    for (const qlonglong webId : webIds)
        database_.execInTransaction(database_.execQuery,
                                    QStringLiteral("Delete From SE_KeyUrl Where WebID=") +
                                        QString::number(webId));
    showUrlCount(loadUrlList());
}

void SitesKeywordsDialog::openUrlFinder() {
    UrlFinder finder(database_, this);
    if (stopRequested_)
        finder.setStopRequest(*stopRequested_);
    execModal(finder);
}

} // namespace quorvane
