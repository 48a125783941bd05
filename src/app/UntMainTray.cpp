// The main window's tray icon.
#include "app/Pictures.h"
#include "app/UntMain.h"

#include <QSystemTrayIcon>

namespace quorvane {

void TfrmIndex::SetupTrayIcon() {
    // The icon is given before it is shown: Qt refuses to show an icon-less tray entry. Where the desktop
    // has no notification area the calls do nothing and the program goes on without the icon.
    cltrycn1->setIcon(ApplicationIcon());
    cltrycn1->setVisible(true);
    ShowBalloon(QStringLiteral("提示"), QStringLiteral("Quorvane"));
    cltrycn1->setToolTip(QStringLiteral("Quorvane"));
}

void TfrmIndex::ShowBalloon(const QString& title, const QString& message) {
    // A new message takes the place of the one on screen (Qt's own balloon and the Windows notification
    // area both replace; a freedesktop notification server may stack them).
    if (cltrycn1->isVisible() && QSystemTrayIcon::supportsMessages())
        cltrycn1->showMessage(title, message, QSystemTrayIcon::Information, 10 * 1000);
    emit balloonShown(title, message);
}

} // namespace quorvane
