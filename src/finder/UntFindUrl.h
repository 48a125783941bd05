#pragma once

#include "store/Recordset.h"
#include "store/UntDM.h"

#include <QDialog>
#include <QStringList>

#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QWidget;

namespace quorvane {

class Browser;

// The URL finder "关键词查询地址": the first 20 links that Baidu or Google return for a keyword, read with
// the finder's own hidden browser and the rank check's scanners. It writes nothing to the database. The
// caller shows it modally and discards it when it closes.
class TfrmFindUrl : public QDialog {
    Q_OBJECT
public:
    // With a browser of its own that fetches the engines' pages.
    explicit TfrmFindUrl(TDM& dm, QWidget* parent = nullptr);
    // With the given browser (tests hand in one that serves recorded pages).
    TfrmFindUrl(TDM& dm, std::unique_ptr<Browser> browser, QWidget* parent = nullptr);
    ~TfrmFindUrl() override;

    // The main window's stop request: a search made while it is set does not wait for the page.
    void SetStopRequest(const bool& stopRequested) { stopRequested_ = &stopRequested; }

    static constexpr int kShownLinks = 20;

    // "查找网址".
    void btnFindClick();

    const QStringList& FoundLinks() const { return foundLinks_; }
    Browser& wb1() const { return *wb1_; }

    QWidget* tntpnl3 = nullptr;
    QLabel* lblgjc = nullptr;
    QComboBox* cbbKeyWord = nullptr;
    QPushButton* btnFind = nullptr;
    QRadioButton* rb1 = nullptr;
    QRadioButton* rb2 = nullptr;
    QTableWidget* advstrngrdMain = nullptr;

    Recordset qryMain;

private:
    void BuildWindow();
    void PrepareFinder();
    void PrepareResultGrid();
    void SetCell(int row, int column, const QString& text);

    TDM& dm_;
    std::unique_ptr<Browser> wb1_;
    QStringList foundLinks_;
    const bool* stopRequested_;
};

} // namespace quorvane
