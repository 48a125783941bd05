// Creates the history workbook template that the history export fills.
//   make-template [--if-missing] PATH
// --if-missing does nothing, successfully, when PATH exists; without it an existing file is replaced.
#include "HistoryTemplate.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto usage = [] {
        std::fprintf(stderr, "usage: make-template [--if-missing] PATH\n");
        return 2;
    };
    bool ifMissing = false;
    QString path;
    const QStringList args = app.arguments().mid(1);
    for (const QString& arg : args) {
        if (arg == u"--if-missing")
            ifMissing = true;
        else if (arg.startsWith(u'-') || !path.isEmpty())
            return usage();
        else
            path = arg;
    }
    if (path.isEmpty())
        return usage();
    if (ifMissing && QFileInfo::exists(path))
        return 0;
    if (!quorvane::writeHistoryTemplate(path)) {
        std::fprintf(stderr, "make-template: cannot write %s\n", qUtf8Printable(path));
        return 1;
    }
    std::printf("make-template: created %s\n", qUtf8Printable(path));
    return 0;
}
