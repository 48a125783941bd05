#pragma once

#include "config/Endpoints.h"
#include "engine/EngineTable.h"
#include "support/Files.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <stdexcept>

namespace quorvane::test {

// Points every engine at one address (a loopback test server) through an Endpoints.ini of its own, as the
// program reads it; the compiled-in addresses come back when it goes. Also the file's path, for a child
// process.
class LoopbackEndpoints {
public:
    explicit LoopbackEndpoints(const QString& baseUrl) {
        if (!WriteFile(Path(), Text(baseUrl)))
            throw std::runtime_error("cannot write Endpoints.ini");
        Apply();
    }
    ~LoopbackEndpoints() { loadEndpoints(QString()); }
    LoopbackEndpoints(const LoopbackEndpoints&) = delete;
    LoopbackEndpoints& operator=(const LoopbackEndpoints&) = delete;

    // Reads the file again (after something else loaded other addresses).
    void Apply() const { loadEndpoints(Path()); }
    QString Path() const { return dir_.filePath(QStringLiteral("Endpoints.ini")); }

    // The [Endpoints] section with every engine at the address, as a program folder's Endpoints.ini holds it.
    static QByteArray Text(const QString& baseUrl) {
        QByteArray text = "[Endpoints]\n";
        for (const EngineInfo& info : engines())
            text += info.name.toString().toUtf8() + '=' + baseUrl.toUtf8() + '\n';
        return text;
    }

private:
    QTemporaryDir dir_;
};

} // namespace quorvane::test
