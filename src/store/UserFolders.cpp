#include "store/UserFolders.h"

#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>
#include <utility>

#include <unistd.h>

namespace quorvane {

namespace {

QString reasonOf(const std::error_code& error) {
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted)
        return QStringLiteral("没有权限");
    if (error == std::errc::read_only_file_system)
        return QStringLiteral("文件系统只读");
    if (error == std::errc::no_space_on_device)
        return QStringLiteral("磁盘已满");
    if (error == std::errc::not_a_directory || error == std::errc::file_exists)
        return QStringLiteral("同名的文件已存在");
    return QString::fromLocal8Bit(error.message());
}

// Makes the folder (and its parents) and, when asked, proves that it can be written; a problem when not.
UserFoldersCheck makeFolder(const QString& folder, bool writable) {
    UserFoldersCheck check;
    check.path = QDir::cleanPath(folder);
    std::error_code error;
    const std::filesystem::path path(QFile::encodeName(check.path).toStdString());
    std::filesystem::create_directories(path, error);
    if (error) {
        check.problem = UserFoldersCheck::Problem::CannotCreate;
        check.reason = reasonOf(error);
        return check;
    }
    if (writable && ::access(path.c_str(), W_OK | X_OK) != 0) {
        check.problem = UserFoldersCheck::Problem::NotWritable;
        check.reason = reasonOf(std::error_code(errno, std::generic_category()));
        return check;
    }
    check.problem = UserFoldersCheck::Problem::None;
    return check;
}

// The files the program ships for a first start, copied where they are missing; a copy that fails leaves
// that file out (the feature using it says so when it is used).
void copyShippedFiles(const QString& shared, const QString& data) {
    const QFileInfoList files = QDir(shared).entryInfoList(QDir::Files | QDir::Readable);
    for (const QFileInfo& file : files) {
        const QString target = data + file.fileName();
        if (QFileInfo::exists(target))
            continue;
        if (QFile::copy(file.filePath(), target))
            QFile::setPermissions(target,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
}

} // namespace

UserFoldersCheck prepareUserFolders(const ProgramFolders& folders) {
    if (folders.besideExecutable)
        return {};
    // The settings are only read: their folder may belong to someone else (a service's /etc folder).
    const std::pair<QString, bool> needed[] = {
        {folders.data, true}, {folders.data + QStringLiteral("DataBase"), true}, {folders.config, false}};
    for (const auto& [folder, writable] : needed) {
        UserFoldersCheck check = makeFolder(folder, writable);
        if (check.problem != UserFoldersCheck::Problem::None)
            return check;
    }
    UserFoldersCheck check;
    const QString database = folders.data + QStringLiteral("DataBase/Trevanid.mdb");
    // A file there, even a damaged one, is the user's: opening it tells what is wrong with it.
    if (!QFileInfo::exists(database) && !QFileInfo(database).isSymLink()) {
        QString error;
        if (!createDatabase(database, QString::fromUtf16(kDbPassword), SchemaVersion::Full, &error)) {
            check.problem = UserFoldersCheck::Problem::DatabaseNotMade;
            check.path = database;
            check.reason = error;
            return check;
        }
        check.databaseMade = true;
    }
    copyShippedFiles(folders.shared, folders.data);
    return check;
}

QString userFoldersProblemText(const UserFoldersCheck& check) {
    const QString reason = check.reason.isEmpty() ? QString() : QStringLiteral(": ") + check.reason;
    switch (check.problem) {
    case UserFoldersCheck::Problem::None:
        return {};
    case UserFoldersCheck::Problem::CannotCreate:
        return QStringLiteral("无法创建文件夹 ") + check.path + reason;
    case UserFoldersCheck::Problem::NotWritable:
        return QStringLiteral("文件夹不可写入: ") + check.path + reason;
    case UserFoldersCheck::Problem::DatabaseNotMade:
        return QStringLiteral("无法创建数据库 ") + check.path + reason;
    }
    return {};
}

} // namespace quorvane
