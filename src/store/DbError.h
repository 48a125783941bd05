#pragma once

#include <QString>

#include <stdexcept>

namespace quorvane {

// A statement or connection failure of the data layer. It travels to the caller's error path and, when
// nobody handles it, to the application's general error report.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& message)
        : std::runtime_error(message.toStdString()) {}
};

} // namespace quorvane
