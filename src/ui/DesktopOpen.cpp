#include "ui/DesktopOpen.h"

#include <QDesktopServices>
#include <QUrl>

namespace quorvane {

void openWithDesktop(const QString& target) {
    QDesktopServices::openUrl(QUrl::fromUserInput(target));
}

} // namespace quorvane
