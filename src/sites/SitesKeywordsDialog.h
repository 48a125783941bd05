#pragma once

#include "engine/StopFlag.h"

#include "store/Database.h"
#include "store/Recordset.h"

#include <QDialog>
#include <QPointer>

#include <functional>

class QAction;
class QComboBox;
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

// The sites-and-keywords dialog "关键词链接设置": the URL list on the left, the keyword list of the clicked
// URL on the right, the text-file imports and the URL finder on the tool bar. The caller shows it modally and
// reloads the mission list when it has closed: every change is written to the database when it is made.
class SitesKeywordsDialog : public QDialog {
    Q_OBJECT
public:
    explicit SitesKeywordsDialog(Database& database, QWidget* parent = nullptr);
    ~SitesKeywordsDialog() override;

    // The main window's stop request, handed on to the URL finder: its page wait gives up when it is set.
    void setStopRequest(const StopFlag& stopRequested) { stopRequested_ = &stopRequested; }
    // The dialog keeps the flag's address: a temporary (a bool turned into a flag) would dangle.
    void setStopRequest(const StopFlag&& stopRequested) = delete;

    // Reads the URL list again and returns its row count; the popup menu is attached only to a list
    // with rows.
    int loadUrlList();
    // Reads the keyword list of a URL again.
    void loadKeyWords(int webId);
    // Inverts the current URL's check box, rewrites Valid of all its keywords and saves the URL row.
    void toggleUrlCheck();

    int curWebId() const { return curWebID_; }
    int editKeyWordId() const { return editKeyWordID_; }
    bool anchorSet() const { return anchorSet_; }

    // Event handlers, named after their controls.
    void addUrl();
    void saveEditedUrl();
    void closeUrlEditPanel();
    void urlCellClicked(const QModelIndex& index);
    void openUrlEditPanel();
    void deleteSelectedUrls();
    void addKeyword();
    void saveEditedKeyword();
    void closeKeywordEditPanel();
    void keywordCellClicked(const QModelIndex& index);
    void openKeywordEditPanel();
    void deleteSelectedKeywords();
    void importUrls();
    void importKeywords();
    void openUrlFinder();

    // The controls.
    QGroupBox* settingsGroup = nullptr;
    QWidget* toolBar = nullptr;
    QToolButton* importUrlsButton = nullptr;
    QToolButton* importKeywordsButton = nullptr;
    QToolButton* findUrlButton = nullptr;
    QLabel* hintLabel = nullptr;
    QProgressBar* importProgress = nullptr;
    QPushButton* cancelImportButton = nullptr; // "取消", beside the progress bar while an import runs

    QGroupBox* urlBox = nullptr;
    QWidget* urlEntryRow = nullptr;
    QLabel* urlLabel = nullptr;
    QLineEdit* urlEdit = nullptr;
    QComboBox* urlRuleBox = nullptr; // what counts as a hit for the site: 完整网址, 同一主机, 整个域名
    QPushButton* addUrlButton = nullptr;
    RecordGrid* urlGrid = nullptr;
    QFrame* urlEditPanel = nullptr;
    QLabel* urlEditLabel = nullptr;
    QLineEdit* editedUrlEdit = nullptr;
    QComboBox* editedRuleBox = nullptr;
    QPushButton* saveUrlButton = nullptr;
    QPushButton* closeUrlEditButton = nullptr;
    QMenu* urlMenu = nullptr;
    QAction* deleteUrlsAction = nullptr;
    QAction* editUrlAction = nullptr;

    QGroupBox* keywordBox = nullptr;
    QWidget* keywordEntryRow = nullptr;
    QLabel* keywordLabel = nullptr;
    QLineEdit* keywordEdit = nullptr;
    QPushButton* addKeywordButton = nullptr;
    RecordGrid* keywordGrid = nullptr;
    QFrame* keywordEditPanel = nullptr;
    QLabel* keywordEditLabel = nullptr;
    QLineEdit* editedKeywordEdit = nullptr;
    QPushButton* saveKeywordButton = nullptr;
    QPushButton* closeKeywordEditButton = nullptr;

    QAction* deleteKeywordsAction = nullptr;

    // The lists' queries.
    Recordset urls;
    Recordset keywords;

    // Closing the dialog also ends a running import after its current line.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildToolbar();
    void buildUrlSide();
    void buildKeyWordSide();
    void connectEvents();
    void showUrlCount(int count);
    // Range selection on a left-button release; runs before the click's cell action.
    void listMouseUp(RecordGrid* grid, Qt::KeyboardModifiers modifiers);
    void confirmAndDeleteSelectedUrls();
    void deleteOneKeyWord(int row);
    // How one line of an import ended.
    enum class LineOutcome { Imported, Skipped, Failed };
    // The frame both imports share: file choice, reading, progress, the line loop with its stop and
    // failure handling and the closing notes. False when nothing was imported because the user cancelled
    // the dialog or the file had no lines.
    bool runImport(const std::function<LineOutcome(const QString& line)>& importLine);
    LineOutcome insertOutcome(bool written) const;
    // Shows the progress bar and its cancel button for an import of `count` lines.
    void startProgress(int count);
    void stopProgress();
    // Ends a running import after its current line.
    void stopImport();

    Database& database_;
    Recordset duplicateQuery_; // duplicate tests
    RecordModel* urlModel_ = nullptr;
    RecordModel* keyWordModel_ = nullptr;
    const StopFlag* stopRequested_ = nullptr;
    bool importStopRequested_ = false;

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
