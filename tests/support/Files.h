#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace quorvane::test {

// Writes the bytes to the file, replacing what it held; true when all of them reached it.
inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() &&
           file.flush();
}

// The file's bytes; empty when it cannot be read.
inline QByteArray ReadFileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace quorvane::test
