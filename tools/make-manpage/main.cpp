// Writes the manual page of the command line, from the same option table as --help.
//   make-manpage PATH
#include "cli/CommandLineOptions.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: make-manpage PATH\n");
        return 2;
    }
    QFile file(args[0]);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(quorvane::manualPageText().toUtf8()) < 0 || !file.flush()) {
        std::fprintf(stderr, "make-manpage: cannot write %s\n", qUtf8Printable(args[0]));
        return 1;
    }
    return 0;
}
