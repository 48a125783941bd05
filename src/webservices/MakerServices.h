#pragma once

#include <QObject>

class QAction;
class QFrame;
class QLabel;
class QTimer;
class QWidget;

namespace quorvane {

class MakerPageView;
class PageBrowser;
class VersionCheck;

// The main window's controls that lead to the maker's site.
struct MakerControls {
    QWidget* window = nullptr;        // owns the boxes; its caption carries the running version
    QFrame* makerPagePanel = nullptr; // the maker's page is shown in it
    QWidget* versionPagePanel = nullptr;
    QWidget* navPagePanel = nullptr;
    QLabel* promotionLink1 = nullptr;
    QLabel* promotionLink2 = nullptr;
    QAction* helpAction = nullptr;           // "帮助"
    QAction* aboutAction = nullptr;          // "关于"
    QAction* visitSiteAction = nullptr;      // "访问Velmora"
    QAction* downloadUpdateAction = nullptr; // "最新版本下载"
    QAction* trayDownloadAction = nullptr;   // tray "下载地址"
};

// The maker's web services of the main window: shortly after the window exists the maker's page, its
// navigation page and the version page are requested once; the version page is loaded again every five
// minutes and checked. The menu items, the tray item and the promotional links open the maker's pages, "关于"
// opens the About box. Every load runs in the background on browsers of its own, apart from the rank runs'
// browser and stop request: a host that cannot be reached or answers slowly costs nothing visible.
class MakerServices final : public QObject {
    Q_OBJECT
public:
    static constexpr int kOpenDelayMs = 50;
    static constexpr int kVersionIntervalMs = 5 * 60 * 1000;

    // Starts both timers; the controls' owner (the window) owns this object too.
    explicit MakerServices(const MakerControls& controls);

    VersionCheck& versionCheck() { return *versionCheck_; }
    MakerPageView* pageView() const { return pageView_; }
    PageBrowser* navigationPage() const { return navigationPage_; }
    QTimer* openTimer() const { return openTimer_; }
    QTimer* versionTimer() const { return versionTimer_; }

public slots:
    // Requests the three pages: the maker's page in the tool bar, the navigation page and the version page.
    void openPages();
    void openHelp();
    void visitSite();
    void openDownloadPage();
    void fetchNewestVersion();
    void showAboutBox();

private:
    QWidget* window_;
    PageBrowser* makerPage_;
    PageBrowser* navigationPage_;
    PageBrowser* versionPage_;
    MakerPageView* pageView_;
    VersionCheck* versionCheck_;
    QTimer* openTimer_;
    QTimer* versionTimer_;
};

} // namespace quorvane
