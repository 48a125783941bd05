#include "app/SingleInstanceGuard.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quorvane {

QString SingleInstanceGuard::BuildMappingName(const QString& executablePath) {
    QString middle = executablePath;
    middle.remove(u'\\');
    middle.remove(u'/');
    return QStringLiteral("{5E2A7C41-9B3D-4F6E-A2C8-7D19B4E0F356-") + middle + u'}';
}

QString SingleInstanceGuard::GuardFilePath(const QString& executablePath) {
    QString name = BuildMappingName(executablePath);
    // A file name holds at most 255 bytes; a longer path keeps its start and a digest of the whole.
    if (name.toUtf8().size() > 200) {
        const QByteArray digest = QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex();
        name = name.left(60) + u'-' + QString::fromLatin1(digest) + u'}';
    }
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(name);
}

SingleInstanceGuard::SingleInstanceGuard(const QString& executablePath) {
    const QByteArray path = QFile::encodeName(GuardFilePath(executablePath));
    fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

SingleInstanceGuard::~SingleInstanceGuard() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool SingleInstanceGuard::ClaimInstance() {
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
