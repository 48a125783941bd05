#include "export/ScratchFile.h"

#include "export/FileErrors.h"
#include "export/WorkbookError.h"

#include <QDir>

#include <array>
#include <cerrno>

#include <unistd.h>

namespace quorvane {

namespace {
const QString kWriteAction = QStringLiteral("无法写入临时文件");
}

ScratchFile::ScratchFile()
    : file_(QDir::tempPath() + QStringLiteral("/quorvane-XXXXXX")) {
    if (!file_.open())
        throw fileError(kWriteAction, file_.fileTemplate(), errno != 0 ? errno : EIO);
}

void ScratchFile::write(QByteArrayView bytes) {
    const int fd = file_.handle();
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, static_cast<size_t>(left));
        if (written < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            throw fileError(kWriteAction, path(), error);
        }
        if (written == 0)
            throw fileError(kWriteAction, path(), ENOSPC);
        data += written;
        left -= written;
    }
}

void ScratchFile::readBack(const std::function<void(const char* data, qsizetype size)>& consume) const {
    const int fd = file_.handle();
    std::array<char, 64 * 1024> buffer;
    off_t offset = 0;
    for (;;) {
        const ssize_t got = ::pread(fd, buffer.data(), buffer.size(), offset);
        if (got < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            throw fileError(QStringLiteral("无法读取临时文件"), path(), error);
        }
        if (got == 0)
            return;
        consume(buffer.data(), got);
        offset += got;
    }
}

} // namespace quorvane
