#pragma once

#include <QByteArray>
#include <QString>

namespace quorvane {

// Writes the bytes to a temporary file beside path and renames it over path. On failure throws
// WorkbookError; the temporary file is removed and an existing file at path is left as it was.
void saveAtomically(const QString& path, const QByteArray& bytes);

} // namespace quorvane
