// The main window's links to its maker: the web panels, the version check, the menu items and the About box.
#include "app/MainWindow.h"

#include "webservices/MakerServices.h"

namespace quorvane {

void MainWindow::setUpMakerServices() {
    MakerControls controls;
    controls.window = this;
    controls.makerPagePanel = makerPagePanel;
    controls.versionPagePanel = versionPagePanel;
    controls.navPagePanel = navPagePanel;
    controls.promotionLink1 = promotionLink1;
    controls.promotionLink2 = promotionLink2;
    controls.helpAction = helpAction;
    controls.aboutAction = aboutAction;
    controls.visitSiteAction = visitSiteAction;
    controls.downloadUpdateAction = downloadUpdateAction;
    controls.trayDownloadAction = trayDownloadAction;
    makerServices = new MakerServices(controls);
}

} // namespace quorvane
