#pragma once

#include <QString>

namespace quorvane {

// Lets one copy run per installation folder. The guard is an exclusive lock on a file in the user's
// runtime folder, named after the executable's full path; the kernel drops the lock when the process
// ends, normally or not, and taking it is one atomic step.
class SingleInstanceGuard {
public:
    // guardFileName and OpenInstanceMapping: opens (or creates) the guard file. Failing to do so
    // leaves the guard empty, and the copy runs as if it were alone.
    explicit SingleInstanceGuard(const QString& executablePath);
    // CloseInstanceMapping.
    ~SingleInstanceGuard();
    SingleInstanceGuard(const SingleInstanceGuard&) = delete;
    SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

    // True when another copy owns the guard; otherwise takes it and returns false.
    bool claimInstance();

    // "{5E2A7C41-9B3D-4F6E-A2C8-7D19B4E0F356-" + the path without separators + "}".
    static QString guardFileName(const QString& executablePath);
    // Where the guard file of a path lives.
    static QString guardFilePath(const QString& executablePath);

private:
    int fd_ = -1;
};

} // namespace quorvane
