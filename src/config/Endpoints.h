#pragma once

#include "config/SettingsFaults.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace quorvane {

// Where the engines and the maker's hosts are reached: "scheme://host[:port]", no path. The program has
// compiled-in addresses; an optional Endpoints.ini beside the executable overrides single entries:
//
//   [Endpoints]
//   Baidu=http://127.0.0.1:18081
//   Maker=http://127.0.0.1:18088
//   Download=ftp://127.0.0.1:18089
//
// Keys are the engine names, "Maker" (the maker's web site) and "Download" (its FTP host), compared
// exactly; an absent key keeps its compiled-in value, a key not listed here is ignored. The file is read
// by readIniFile (config/IniText.h), with ";" after a value starting a comment. Every mistake is returned
// once per reading as a SettingsFault, each with its section, key and line, and ignored: the user asked for
// another address and does not get it, which must not pass unnoticed, but the program goes on with the
// compiled-in one. Mistakes are a value that is not a valid scheme://host[:port] (scheme http, https or
// ftp, port 1 to 65535), a line holding bytes that are not valid in the file's encoding, a line outside
// every section, a key given twice (reported; the last one counts, as it always did) and a file that is
// not text at all (nothing of it is used). The [Network] keys are reported by their own readers.

// The keys of [Endpoints]: every engine's name of the engine table, then "Maker" and "Download".
QList<QStringView> endpointKeys();

inline constexpr int kMaxPort = 65535;

// The port written in "scheme://[user@]host:port[/...]", as written (it may be out of range); nothing when
// no port is written or it is not a number.
std::optional<qint64> writtenPort(QStringView address);

// The address for a key; empty for an unknown key. The compiled-in one until loadEndpoints reads a file.
QString endpoint(QStringView key);
// The compiled-in address for a key; empty for an unknown key.
QString defaultEndpoint(QStringView key);

// Sets every address back to its compiled-in value, then applies the file at the path when it exists. The
// faults are the caller's to show (at most one: the file unreadable, or its [Endpoints] mistakes).
SettingsFaults loadEndpoints(const QString& iniPath);
// loadEndpoints with Endpoints.ini in the settings folder (beside the executable, or the user's when
// installed: configFolder()); the program calls it once at start, where the window or the command line
// shows the faults. The name is from when it was always there.
SettingsFaults loadEndpointsBesideExecutable();

} // namespace quorvane
