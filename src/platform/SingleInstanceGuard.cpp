#include "platform/SingleInstanceGuard.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane {

namespace {

// A folder of this user's alone: it exists (or is made now), is no link, belongs to the user and nobody
// else may write in it.
bool privateFolder(const QString& folder, bool create) {
    const QByteArray path = QFile::encodeName(folder);
    if (create)
        ::mkdir(path.constData(), 0700);
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
           (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Where the guard files live. Every copy of the program must find the same folder, however it was
// started: the desktop session sets XDG_RUNTIME_DIR, but cron and systemd timers start programs without
// it, and the session's folder is /run/user/<uid> all the same.
QString runtimeFolder() {
    const QString fromSession = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!fromSession.isEmpty())
        return fromSession;
    const QString uid = QString::number(::getuid());
    const QString sessionFolder = QStringLiteral("/run/user/") + uid;
    if (privateFolder(sessionFolder, false))
        return sessionFolder;
    const QString own = QDir(QDir::tempPath()).filePath(QStringLiteral("quorvane-runtime-") + uid);
    return privateFolder(own, true) ? own : QString();
}

} // namespace

QString SingleInstanceGuard::guardFileName(const QString& executablePath) {
    QString middle = executablePath;
    middle.remove(u'\\');
    middle.remove(u'/');
    return QStringLiteral("{5E2A7C41-9B3D-4F6E-A2C8-7D19B4E0F356-") + middle + u'}';
}

QString SingleInstanceGuard::guardFilePath(const QString& executablePath) {
    QString name = guardFileName(executablePath);
    // A file name holds at most 255 bytes; a longer path keeps its start and a digest of the whole.
    if (name.toUtf8().size() > 200) {
        const QByteArray digest = QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex();
        name = name.left(60) + u'-' + QString::fromLatin1(digest) + u'}';
    }
    const QString folder = runtimeFolder();
    // Without a folder of our own there is no guard: the copy runs as if it were alone.
    return folder.isEmpty() ? QString() : QDir(folder).filePath(name);
}

SingleInstanceGuard::SingleInstanceGuard(const QString& executablePath) {
    const QString file = guardFilePath(executablePath);
    if (file.isEmpty())
        return;
    const QByteArray path = QFile::encodeName(file);
    fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

SingleInstanceGuard::~SingleInstanceGuard() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool SingleInstanceGuard::claimInstance() {
    if (fd_ < 0)
        return false;
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        // Like the stored window handle: who owns the guard, for anyone who looks.
        const QByteArray pid = QByteArray::number(static_cast<qint64>(::getpid())) + '\n';
        if (::ftruncate(fd_, 0) == 0 &&
            ::pwrite(fd_, pid.constData(), static_cast<size_t>(pid.size()), 0) < 0) {
            // the pid is informative only
        }
        return false;
    }
    return errno == EWOULDBLOCK;
}

} // namespace quorvane
