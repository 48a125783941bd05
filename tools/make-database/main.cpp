// Creates the rank database file with its password and the three tables.
//   make-database [--older-schema | --before-match-rules] [--if-missing] PATH
// --older-schema leaves out the six later rank columns and the sites' match rule (a file of the older
// schema); --before-match-rules leaves out only the match rule (a file as version 1.3 made it).
// --if-missing does nothing, successfully, when PATH exists; without it an existing file is an error.
#include "store/Schema.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    using namespace quorvane;

    SchemaVersion version = SchemaVersion::Full;
    bool ifMissing = false;
    QString path;
    const QStringList args = app.arguments().mid(1);
    for (const QString& arg : args) {
        if (arg == u"--older-schema")
            version = SchemaVersion::Older;
        else if (arg == u"--before-match-rules")
            version = SchemaVersion::BeforeMatchRule;
        else if (arg == u"--if-missing")
            ifMissing = true;
        else if (arg.startsWith(u'-') || !path.isEmpty()) {
            std::fprintf(
                stderr, "usage: make-database [--older-schema | --before-match-rules] [--if-missing] PATH\n");
            return 2;
        } else
            path = arg;
    }
    if (path.isEmpty()) {
        std::fprintf(stderr,
                     "usage: make-database [--older-schema | --before-match-rules] [--if-missing] PATH\n");
        return 2;
    }
    if (ifMissing && QFileInfo::exists(path))
        return 0;
    QString error;
    if (!createDatabase(path, QString::fromUtf16(kDbPassword), version, &error)) {
        std::fprintf(stderr, "make-database: %s\n", qUtf8Printable(error));
        return 1;
    }
    std::printf("make-database: created %s\n", qUtf8Printable(path));
    return 0;
}
