// The main window's tray icon.
#include "app/MainWindow.h"
#include "app/Pictures.h"

#include <QSystemTrayIcon>

namespace quorvane {

void MainWindow::setupTrayIcon() {
    // The icon is given before it is shown: Qt refuses to show an icon-less tray entry. Where the desktop
    // has no notification area the calls do nothing and the program goes on without the icon.
    trayIcon_->setIcon(applicationIcon());
    trayIcon_->setVisible(true);
    showBalloon(QStringLiteral("提示"), QStringLiteral("Quorvane"));
    trayIcon_->setToolTip(QStringLiteral("Quorvane"));
}

void MainWindow::showBalloon(const QString& title, const QString& message) {
    // A new message takes the place of the one on screen (Qt's own balloon and the Windows notification
    // area both replace; a freedesktop notification server may stack them).
    if (trayIcon_->isVisible() && QSystemTrayIcon::supportsMessages())
        trayIcon_->showMessage(title, message, QSystemTrayIcon::Information, 10 * 1000);
    emit balloonShown(title, message);
}

} // namespace quorvane
