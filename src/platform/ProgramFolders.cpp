#include "platform/ProgramFolders.h"

#include "platform/ApplicationFolder.h"

#include <QDir>
#include <QFileInfo>

namespace quorvane {

namespace {

QString withSeparator(QString folder) {
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

// An XDG base folder: the variable when it holds an absolute path (relative ones are to be ignored), else
// the default under the home folder.
QString baseFolder(const EnvironmentLookup& environment, const char* variable, const QString& home,
                   const char* fallback) {
    const QString value = environment(variable);
    if (QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::cleanPath(home + u'/' + QLatin1String(fallback));
}

} // namespace

ProgramFolders programFoldersOf(const QString& executableFolder, const EnvironmentLookup& environment) {
    ProgramFolders folders;
    folders.program = withSeparator(executableFolder);
    const QString installedModules = QDir::cleanPath(folders.program + QStringLiteral("../lib/quorvane"));
    folders.modules = QFileInfo(installedModules).isDir() ? withSeparator(installedModules) : folders.program;
    folders.shared = withSeparator(QDir::cleanPath(folders.program + QStringLiteral("../share/quorvane")));

    const QFileInfo programFolder(folders.program);
    folders.besideExecutable = programFolder.isWritable() &&
                               QFileInfo(folders.program + QStringLiteral("DataBase/Trevanid.mdb")).exists();
    if (folders.besideExecutable) {
        folders.data = folders.program;
        folders.config = folders.program;
        return folders;
    }
    QString home = environment("HOME");
    if (!QDir::isAbsolutePath(home))
        home = QDir::homePath();
    folders.data =
        baseFolder(environment, "XDG_DATA_HOME", home, ".local/share") + QStringLiteral("/Quorvane/");
    folders.config =
        baseFolder(environment, "XDG_CONFIG_HOME", home, ".config") + QStringLiteral("/Quorvane/");
    return folders;
}

const ProgramFolders& programFolders() {
    static const ProgramFolders folders = programFoldersOf(
        applicationFolderBeforeStart(), [](const char* name) { return qEnvironmentVariable(name); });
    return folders;
}

QString instanceKey(const ProgramFolders& folders, const QString& executablePath) {
    return folders.besideExecutable ? executablePath : folders.data;
}

QString dataFolder() {
    return programFolders().data;
}

QString configFolder() {
    return programFolders().config;
}

} // namespace quorvane
