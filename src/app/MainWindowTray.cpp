// The main window's tray icon.
#include "app/MainWindow.h"
#include "app/Pictures.h"

#include <QSystemTrayIcon>

namespace quorvane {

void MainWindow::SetupTrayIcon() {
    // The icon is given before it is shown: Qt refuses to show an icon-less tray entry. Where the desktop
    // has no notification area the calls do nothing and the program goes on without the icon.
    trayIcon->setIcon(ApplicationIcon());
    trayIcon->setVisible(true);
    ShowBalloon(QStringLiteral("提示"), QStringLiteral("Quorvane"));
    trayIcon->setToolTip(QStringLiteral("Quorvane"));
}

void MainWindow::ShowBalloon(const QString& title, const QString& message) {
    // A new message takes the place of the one on screen (Qt's own balloon and the Windows notification
    // area both replace; a freedesktop notification server may stack them).
    if (trayIcon->isVisible() && QSystemTrayIcon::supportsMessages())
        trayIcon->showMessage(title, message, QSystemTrayIcon::Information, 10 * 1000);
    emit balloonShown(title, message);
}

} // namespace quorvane
