#pragma once

#include <QByteArrayView>
#include <QString>
#include <QTemporaryFile>

#include <functional>

namespace quorvane {

// A file in the system's temporary folder that goes when the object does, for what a workbook holds
// until it is saved. Writes go straight to the system, each checked, so the write that finds the disk
// full fails and says so (WorkbookError with FileFailure::DiskFull).
class ScratchFile {
public:
    ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    QString path() const { return file_.fileName(); }
    void write(QByteArrayView bytes);
    // Feeds everything written so far to consume, in pieces.
    void readBack(const std::function<void(const char* data, qsizetype size)>& consume) const;

private:
    QTemporaryFile file_;
};

} // namespace quorvane
