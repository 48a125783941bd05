#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace quorvane {

// A file written beside its target under a temporary name and put in the target's place only when
// every byte is on the disk: every write is checked, the file is synced and closed, and only then
// renamed over the target. Until commit() returns an existing target keeps its bytes; after a failure,
// or when the object goes without commit(), the temporary file is removed. Nothing is buffered, so no
// failure can wait for a later flush. Failures throw WorkbookError naming the target, with the plain
// reason (full disk, no permission) and its FileFailure.
class AtomicFile {
public:
    explicit AtomicFile(const QString& target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(QByteArrayView bytes);
    void commit();

private:
    [[noreturn]] void fail(int error);
    void discard() noexcept;

    QString target_;
    QByteArray finalName_; // the target, or the file a symbolic link at the target points to
    QByteArray tempName_;
    int fd_ = -1;
};

// Writes the bytes to path through an AtomicFile.
void saveAtomically(const QString& path, QByteArrayView bytes);

// The system's fsync by default. Tests put in a stand-in for a disk whose sync fails, as a full network
// disk's does after every write was taken; returns the function it replaces.
using FileSync = int (*)(int fd);
FileSync replaceFileSync(FileSync sync);

} // namespace quorvane
