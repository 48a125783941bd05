#pragma once

#include <QString>

#include <stdexcept>

namespace quorvane {

// Any failure of the spreadsheet facade: a template that cannot be read, a bad range address, a save
// that could not be completed. The text names the file or the address involved.
class WorkbookError : public std::runtime_error {
public:
    explicit WorkbookError(const QString& message)
        : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

} // namespace quorvane
