#pragma once

#include "platform/ShellOpen.h"

#include <QString>
#include <QStringList>

namespace quorvane::test {

// Records what the program hands to the desktop to open (addresses, files) instead of opening it.
// Installs itself on construction and puts the previous handler back when destroyed.
class ShellOpenRecorder {
public:
    ShellOpenRecorder()
        : previous_(setShellOpenHandler([this](const QString& target) { opened << target; })) {}
    ~ShellOpenRecorder() { setShellOpenHandler(previous_); }
    ShellOpenRecorder(const ShellOpenRecorder&) = delete;
    ShellOpenRecorder& operator=(const ShellOpenRecorder&) = delete;

    QStringList opened; // in the order they were opened

private:
    ShellOpenHandler previous_;
};

} // namespace quorvane::test
