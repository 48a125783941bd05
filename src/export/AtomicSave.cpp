#include "export/AtomicSave.h"

#include "export/WorkbookError.h"

#include <QDir>
#include <QSaveFile>

namespace quorvane {

void saveAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    // Writing straight into an existing file would break the promise that a failed save keeps it.
    file.setDirectWriteFallback(false);
    const auto fail = [&](const QString& reason) {
        file.cancelWriting();
        throw WorkbookError(QStringLiteral("Cannot save the workbook \"") + QDir::toNativeSeparators(path) +
                            QStringLiteral("\": ") + reason);
    };
    if (!file.open(QIODevice::WriteOnly))
        fail(file.errorString());
    if (file.write(bytes) != bytes.size())
        fail(file.errorString());
    if (!file.commit())
        fail(file.errorString());
}

} // namespace quorvane
