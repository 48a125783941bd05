#pragma once

#include "store/Recordset.h"
#include "store/UntDM.h"

#include <QDialog>
#include <QPointer>

#include <functional>

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolButton;
class QWidget;

namespace quorvane {

class RecordGrid;
class RecordModel;

// The settings dialog "关键词链接设置": the URL list on the left, the keyword list of the clicked URL on the
// right, the text-file imports and the URL finder on the tool bar. The caller shows it modally and reloads
// the mission list when it has closed: every change is written to the database when it is made.
class TfrmSetLinkWord : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSetLinkWord(TDM& dm, QWidget* parent = nullptr);
    ~TfrmSetLinkWord() override;

    // The main window's stop request, handed on to the URL finder: its page wait gives up when it is set.
    void SetStopRequest(const bool& stopRequested) { stopRequested_ = &stopRequested; }

    // Reads the URL list again and returns its row count; the popup menu is attached only to a list
    // with rows.
    int LoadUrlList();
    // Reads the keyword list of a URL again.
    void LoadKeyWords(int webId);
    // Inverts the current URL's check box, rewrites Valid of all its keywords and saves the URL row.
    void ToggleUrlCheck();

    int CurWebID() const { return curWebID_; }
    int EditKeyWordID() const { return editKeyWordID_; }
    bool AnchorSet() const { return anchorSet_; }

    // Event handlers, named after their controls.
    void btnAddUrlClick();
    void btnseturlClick();
    void btnexit2Click();
    void tntdbgrd1CellClick(const QModelIndex& index);
    void tntdbgrd1DblClick();
    void tntmntmDeleteClick();
    void btnAddWordClick();
    void btnsetkeywordClick();
    void btnexit3Click();
    void tntdbgrd2CellClick(const QModelIndex& index);
    void tntdbgrd2DblClick();
    void actAction1Execute();
    void btnexproturlClick();
    void btnexportwordClick();
    void btnFindClick();

    // The controls.
    QGroupBox* grp1 = nullptr;
    QWidget* tntpnl2 = nullptr;
    QToolButton* btnexproturl = nullptr;
    QToolButton* btnexportword = nullptr;
    QToolButton* btnFind = nullptr;
    QLabel* lbl3 = nullptr;
    QProgressBar* tntprgrsbr1 = nullptr;

    QGroupBox* grp3 = nullptr;
    QWidget* tntpnl3 = nullptr;
    QLabel* lbl1 = nullptr;
    QLineEdit* edtUrl = nullptr;
    QPushButton* btnAddUrl = nullptr;
    RecordGrid* tntdbgrd1 = nullptr;
    QFrame* tntpnl5 = nullptr;
    QLabel* lbl4 = nullptr;
    QLineEdit* edtupdateurl = nullptr;
    QPushButton* btnseturl = nullptr;
    QPushButton* btnexit2 = nullptr;
    QMenu* tntpmn1 = nullptr;
    QAction* tntmntmDelete = nullptr;
    QAction* tntmntmEdit = nullptr;

    QGroupBox* grp2 = nullptr;
    QWidget* tntpnl4 = nullptr;
    QLabel* lbl2 = nullptr;
    QLineEdit* edtkeyword = nullptr;
    QPushButton* btnAddWord = nullptr;
    RecordGrid* tntdbgrd2 = nullptr;
    QFrame* tntpnl6 = nullptr;
    QLabel* lbl5 = nullptr;
    QLineEdit* edtkeyword1 = nullptr;
    QPushButton* btnsetkeyword = nullptr;
    QPushButton* btnexit3 = nullptr;

    QAction* actAction1 = nullptr;

    // The lists' queries.
    Recordset qryUrl;
    Recordset qryKeyWord;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildToolbar();
    void BuildUrlSide();
    void BuildKeyWordSide();
    void ConnectEvents();
    void ShowUrlCount(int count);
    // Range selection on a left-button release; runs before the click's cell action.
    void ListMouseUp(RecordGrid* grid, Qt::KeyboardModifiers modifiers);
    void DeleteSelectedUrls();
    void DeleteOneKeyWord(int row);
    // Shows the progress bar for an import of `count` lines.
    void StartProgress(int count);
    void StopProgress();

    TDM& dm_;
    Recordset qryCheck_; // duplicate tests
    RecordModel* urlModel_ = nullptr;
    RecordModel* keyWordModel_ = nullptr;
    const bool* stopRequested_ = nullptr;

    int curWebID_ = 0;
    int editKeyWordID_ = 0;
    // One range anchor serves both lists; an anchor from the other list or from before a reload of its
    // list is treated as absent.
    bool anchorSet_ = false;
    QPointer<RecordGrid> anchorGrid_;
    int anchorGeneration_ = 0;
    int anchorRow_ = -1;
    int anchorRecNo_ = 0;
};

} // namespace quorvane
