#pragma once

#include <QString>

#include <functional>

namespace quorvane {

// Where the program finds its modules and keeps what users keep. A copy unpacked or built into a folder of
// its own keeps everything beside the executable; an installed copy (its folder not writable by the user,
// or without a database there) keeps the user's data in the user's folders, so that each user of a
// machine has their own sites. Every folder ends with the path separator.
struct ProgramFolders {
    QString program; // the executable's folder
    QString modules; // the window's and the browser engine's modules
    QString shared;  // files the installed program ships for a user's first start (the history template)
    QString data;    // DataBase/, Logs/, the history template, where the exports' save dialog opens
    QString config;  // Endpoints.ini and Engines.ini
    bool besideExecutable = true;
};

// The environment the folders are decided from: a variable's value, empty when unset.
using EnvironmentLookup = std::function<QString(const char* name)>;

// The folders of an executable in `executableFolder`: beside it when that folder is writable and holds
// DataBase/Trevanid.mdb; otherwise $XDG_DATA_HOME/Quorvane (default ~/.local/share/Quorvane) and
// $XDG_CONFIG_HOME/Quorvane (default ~/.config/Quorvane). Modules are in ../lib/quorvane/ when that folder
// exists (the installed layout), else beside the executable. Reads the disk, never writes it.
ProgramFolders programFoldersOf(const QString& executableFolder, const EnvironmentLookup& environment);

// The folders of this process, decided once from /proc/self/exe and the environment; usable before the
// application object exists.
const ProgramFolders& programFolders();
// What one running copy (window or command line) owns, for the single-instance guard: the executable's path
// when the data is beside it, as always; the data folder of an installed copy, so that copies of one
// installed program with data folders of their own (users, the shards of one host) do not exclude each
// other, while the window and a run on the same data still do.
QString instanceKey(const ProgramFolders& folders, const QString& executablePath);

// Shorthands for programFolders().data and .config.
QString dataFolder();
QString configFolder();

} // namespace quorvane
