#pragma once

#include "config/Endpoints.h"
#include "support/Files.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <stdexcept>

namespace quorvane::test {

// What the version check says when the maker's site offers a newer version.
inline const QString kNewVersion = QStringLiteral("发现新版本，请注意升级!");

// Points the maker's site at a loopback server and its download host at the given FTP address, through an
// Endpoints.ini of their own as the program reads it; the compiled-in addresses come back when it goes.
class MakerEndpoints {
public:
    MakerEndpoints(const QString& makerUrl, const QString& downloadUrl) {
        const QByteArray text =
            "[Endpoints]\nMaker=" + makerUrl.toUtf8() + "\nDownload=" + downloadUrl.toUtf8() + '\n';
        if (!WriteFile(dir_.filePath(QStringLiteral("Endpoints.ini")), text))
            throw std::runtime_error("cannot write Endpoints.ini");
        Apply();
    }
    ~MakerEndpoints() { loadEndpoints(QString()); }
    MakerEndpoints(const MakerEndpoints&) = delete;
    MakerEndpoints& operator=(const MakerEndpoints&) = delete;

    // Reads the file again (after the window's start-up read the one beside the executable).
    void Apply() const { loadEndpoints(dir_.filePath(QStringLiteral("Endpoints.ini"))); }

private:
    QTemporaryDir dir_;
};

} // namespace quorvane::test
