#pragma once

#include <QList>
#include <QString>

namespace quorvane {

// What was wrong in a settings file the program read (Endpoints.ini and its [Network] group). The readers
// never show anything; the window and the command line show each fault as an error, its text as it stands.
enum class SettingsFaultKind {
    Unreadable, // the file is no text at all: nothing of it is used
    Endpoints,  // entries of [Endpoints]; the compiled-in addresses stay
    Proxy,      // [Network] Proxy=; the system's proxy settings stay
    ProxyPool,  // [Network] Proxies=; one connection per engine
    DelayMs,    // [Network] DelayMs=; no delay
    SideBySide, // [Network] SideBySide=; the engines side by side
};

struct SettingsFault {
    SettingsFaultKind kind;
    QString text; // the file, what was ignored and what is used instead, then a line per mistake
};

using SettingsFaults = QList<SettingsFault>;

} // namespace quorvane
