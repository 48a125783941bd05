#pragma once

#include "engine/EnginePace.h"
#include "engine/StopFlag.h"
#include "store/Database.h"
#include "store/Recordset.h"

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
class PageReader;

// The URL finder "关键词查询地址": the first 20 links that Baidu or Google return for a keyword, read with
// the finder's own hidden browser and the rank check's scanners. It writes nothing to the database. The
// caller shows it modally and discards it when it closes.
class UrlFinder : public QDialog {
    Q_OBJECT
public:
    // With a browser of its own that fetches the engines' pages.
    explicit UrlFinder(Database& database, QWidget* parent = nullptr);
    // With the given browser (tests hand in one that serves recorded pages).
    UrlFinder(Database& database, std::unique_ptr<Browser> browser, QWidget* parent = nullptr);
    ~UrlFinder() override;

    // The main window's stop request: a search made while it is set does not wait for the page.
    void setStopRequest(const StopFlag& stopRequested) { stopRequested_ = &stopRequested; }
    // The finder keeps the flag's address: a temporary (a bool turned into a flag) would dangle.
    void setStopRequest(const StopFlag&& stopRequested) = delete;

    static constexpr int kShownLinks = 20;

    // "查找网址".
    void findLinks();

    const QStringList& foundLinks() const { return foundLinks_; }
    Browser& browser() const { return *browser_; }

    QWidget* searchRow = nullptr;
    QLabel* keywordLabel = nullptr;
    QComboBox* keywordCombo = nullptr;
    QPushButton* findButton = nullptr;
    QRadioButton* baiduButton = nullptr;
    QRadioButton* googleButton = nullptr;
    QTableWidget* resultGrid = nullptr;

    Recordset finderKeywords;

private:
    void buildWindow();
    void prepareFinder();
    void prepareResultGrid();
    void setCell(int row, int column, const QString& text);

    Database& database_;
    std::unique_ptr<Browser> browser_;
    std::unique_ptr<PageReader> reader_; // started at the first search
    EnginePace pace_;
    QStringList foundLinks_;
    const StopFlag* stopRequested_;
};

} // namespace quorvane
