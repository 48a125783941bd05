#pragma once

#include <QString>

#include <stdexcept>

namespace quorvane {

// What the file system refused when a workbook or a template could not be written or read.
enum class FileFailure {
    None,         // not a file system failure (a bad template, a bad address, ...)
    DiskFull,     // no space left, or over the disk quota or the size limit
    NoPermission, // no permission, or a read-only disk
    NoFolder,     // the folder does not exist
    Other,
};

// Any failure of the spreadsheet facade: a template that cannot be read, a bad range address, a save
// that could not be completed. The text, in the program's language, names the file or the address
// involved and says what is wrong; a failure of the file system also tells its kind.
class WorkbookError : public std::runtime_error {
public:
    explicit WorkbookError(const QString& message, FileFailure failure = FileFailure::None)
        : std::runtime_error(message.toStdString())
        , failure_(failure) {}
    QString message() const { return QString::fromStdString(what()); }
    FileFailure failure() const { return failure_; }

private:
    FileFailure failure_;
};

} // namespace quorvane
