#include "export/AtomicSave.h"

#include "export/FileErrors.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane {

namespace {

FileSync fileSync = &::fsync;

const QString kSaveAction = QStringLiteral("无法保存文件");

// The folder's entry of a rename survives a crash only once the folder itself is synced. The file is
// already complete in its place, so a folder that cannot be synced fails nothing.
void syncFolderOf(const QByteArray& fileName) {
    const qsizetype slash = fileName.lastIndexOf('/');
    const QByteArray folder = slash < 0    ? QByteArray(".")
                              : slash == 0 ? QByteArray("/")
                                           : fileName.left(slash);
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fileSync(fd);
        ::close(fd);
    }
}

} // namespace

AtomicFile::AtomicFile(const QString& target)
    : target_(target) {
    if (target.isEmpty())
        throw WorkbookError(kSaveAction + QStringLiteral("：没有文件名。"));
    // A link keeps pointing where it did; the file it names is replaced.
    const QFileInfo info(target);
    finalName_ = QFile::encodeName(info.isSymLink() ? info.symLinkTarget() : target);

    struct stat existing {};
    const bool replacing = ::stat(finalName_.constData(), &existing) == 0 && S_ISREG(existing.st_mode);
    for (int attempt = 0; fd_ < 0; ++attempt) {
        tempName_ =
            finalName_ + '.' +
            QByteArray::number(QRandomGenerator::global()->generate() % 0x1000000, 16).rightJustified(6, '0');
        // The mode a new file gets from the user's umask; a replaced file keeps its own below.
        fd_ = ::open(tempName_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            const int error = errno;
            if (error == EEXIST && attempt < 100)
                continue;
            tempName_.clear();
            fail(error);
        }
    }
    if (replacing && ::fchmod(fd_, existing.st_mode & 07777) != 0)
        fail(errno);
}

AtomicFile::~AtomicFile() {
    discard();
}

void AtomicFile::discard() noexcept {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!tempName_.isEmpty())
        ::unlink(tempName_.constData());
    tempName_.clear();
}

void AtomicFile::fail(int error) {
    discard();
    throw fileError(kSaveAction, target_, error);
}

void AtomicFile::write(QByteArrayView bytes) {
    if (fd_ < 0)
        throw WorkbookError(kSaveAction + quotedPath(target_) + QStringLiteral("：文件已关闭。"));
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd_, data, static_cast<size_t>(left));
        if (written < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            fail(error);
        }
        if (written == 0)
            fail(ENOSPC); // a write that takes nothing and names no reason: the disk took no more
        data += written;
        left -= written;
    }
}

void AtomicFile::commit() {
    if (fd_ < 0)
        throw WorkbookError(kSaveAction + quotedPath(target_) + QStringLiteral("：文件已关闭。"));
    if (fileSync(fd_) != 0)
        fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        fail(errno);
    if (::rename(tempName_.constData(), finalName_.constData()) != 0)
        fail(errno);
    tempName_.clear();
    syncFolderOf(finalName_);
}

void saveAtomically(const QString& path, QByteArrayView bytes) {
    AtomicFile file(path);
    file.write(bytes);
    file.commit();
}

FileSync replaceFileSync(FileSync sync) {
    const FileSync previous = fileSync;
    fileSync = sync ? sync : &::fsync;
    return previous;
}

} // namespace quorvane
