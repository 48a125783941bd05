// The main window's links to its maker: the web panels, the version check, the menu items and the About box.
#include "app/MainWindow.h"

#include "webservices/MakerServices.h"

namespace quorvane {

void MainWindow::setUpMakerServices() {
    MakerControls controls;
    controls.window = this;
    controls.makerPagePanel = makerPagePanel_;
    controls.versionPagePanel = versionPagePanel_;
    controls.navPagePanel = navPagePanel_;
    controls.promotionLink1 = promotionLink1_;
    controls.promotionLink2 = promotionLink2_;
    controls.helpAction = helpAction_;
    controls.aboutAction = aboutAction_;
    controls.visitSiteAction = visitSiteAction_;
    controls.downloadUpdateAction = downloadUpdateAction_;
    controls.trayDownloadAction = trayDownloadAction_;
    makerServices_ = new MakerServices(controls);
}

} // namespace quorvane
