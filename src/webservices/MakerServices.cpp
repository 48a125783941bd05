#include "webservices/MakerServices.h"

#include "pages/PageBrowser.h"
#include "platform/ShellOpen.h"
#include "ui/Fonts.h"
#include "ui/ModalDialogs.h"
#include "webservices/AboutBox.h"
#include "webservices/LinkLabels.h"
#include "webservices/MakerPageView.h"
#include "webservices/MakerSite.h"
#include "webservices/VersionCheck.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QTimer>

namespace quorvane {

namespace {

// The version page and the navigation page carry a line of text; anything large is not theirs.
constexpr qint64 kMaxHiddenPageBytes = 256 * 1024;

const QColor kLime(0, 255, 0);

} // namespace

MakerServices::MakerServices(const MakerControls& controls)
    : QObject(controls.window)
    , window_(controls.window)
    , makerPage_(new PageBrowser(controls.makerPagePanel))
    , navigationPage_(new PageBrowser(controls.navPagePanel))
    , versionPage_(new PageBrowser(controls.versionPagePanel))
    , pageView_(new MakerPageView(*makerPage_, controls.makerPagePanel))
    , versionCheck_(new VersionCheck(
          *versionPage_, [window = controls.window] { return runningVersion(window->windowTitle()); }, this))
    , openTimer_(new QTimer(this))
    , versionTimer_(new QTimer(this)) {
    setObjectName(QStringLiteral("makerServices"));
    makerPage_->setObjectName(QStringLiteral("makerPage"));
    navigationPage_->setObjectName(QStringLiteral("navigationPage"));
    versionPage_->setObjectName(QStringLiteral("versionPage"));
    navigationPage_->setMaxBodyBytes(kMaxHiddenPageBytes);
    versionPage_->setMaxBodyBytes(kMaxHiddenPageBytes);
    if (QLayout* panel = controls.makerPagePanel->layout())
        panel->addWidget(pageView_);

    for (int i = 0; i < 2; ++i) {
        QLabel* link = i == 0 ? controls.promotionLink1 : controls.promotionLink2;
        const Promotion& promotion = kPromotions[i];
        link->setText(promotion.caption.toString());
        makeLinkLabel(link, songTiFont(14), kLime,
                      [this, path = promotion.path] { shellOpen(window_, makerPageUrl(path)); });
    }

    connect(controls.helpAction, &QAction::triggered, this, &MakerServices::openHelp);
    connect(controls.aboutAction, &QAction::triggered, this, &MakerServices::showAboutBox);
    connect(controls.visitSiteAction, &QAction::triggered, this, &MakerServices::visitSite);
    connect(controls.downloadUpdateAction, &QAction::triggered, this, &MakerServices::fetchNewestVersion);
    connect(controls.trayDownloadAction, &QAction::triggered, this, &MakerServices::openDownloadPage);

    // The three pages are requested once, shortly after the window exists, so that its start is never held
    // up by them.
    openTimer_->setSingleShot(true);
    openTimer_->setInterval(kOpenDelayMs);
    connect(openTimer_, &QTimer::timeout, this, &MakerServices::openPages);
    openTimer_->start();
    versionTimer_->setInterval(kVersionIntervalMs);
    connect(versionTimer_, &QTimer::timeout, versionCheck_, &VersionCheck::reload);
    versionTimer_->start();
}

void MakerServices::openPages() {
    pageView_->load(makerPageUrl(kMakerPanelPath));
    navigationPage_->setSilent(true);
    navigationPage_->navigate(makerPageUrl(kNavigationPath));
    versionCheck_->reload();
}

void MakerServices::openHelp() {
    shellOpen(window_, makerPageUrl(kHelpPath));
}

void MakerServices::visitSite() {
    shellOpen(window_, makerSiteUrl());
}

void MakerServices::openDownloadPage() {
    shellOpen(window_, makerPageUrl(kDownloadPagePath));
}

void MakerServices::fetchNewestVersion() {
    versionCheck_->fetchNewestVersion();
}

void MakerServices::showAboutBox() {
    AboutBox box(window_);
    execModal(box);
}

} // namespace quorvane
