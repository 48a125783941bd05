// Writes the program's icon as PNG files into an icon theme folder, for the desktop's application menu.
//   app-icon DIR   writes DIR/<size>x<size>/apps/quorvane.png for each size the icon is drawn at
#include "app/Pictures.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv) {
    // Drawing needs a GUI application but no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: app-icon DIR\n");
        return 2;
    }
    const QIcon icon = quorvane::applicationIcon();
    for (const QSize& size : icon.availableSizes()) {
        const QString folder = args[0] + QStringLiteral("/%1x%2/apps").arg(size.width()).arg(size.height());
        const QString file = folder + QStringLiteral("/quorvane.png");
        if (!QDir().mkpath(folder) || !icon.pixmap(size).save(file, "PNG")) {
            std::fprintf(stderr, "app-icon: cannot write %s\n", qUtf8Printable(file));
            return 1;
        }
    }
    return 0;
}
