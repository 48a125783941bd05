#pragma once

#include "platform/ProgramFolders.h"

#include <QString>

namespace quorvane {

// How making the user's folders ready ended. The folder named is the one that could not be made or
// written (or the database file that could not be made).
struct UserFoldersCheck {
    enum class Problem { None, CannotCreate, NotWritable, DatabaseNotMade };
    Problem problem = Problem::None;
    QString path;
    QString reason; // the system's words, when it gave any
    bool databaseMade = false;
};

// Makes an installed copy's folders ready at start: the data folder with DataBase/ and, on the first start,
// a fresh database of the program's own schema and the files the program ships for it (the history
// template) from the shared folder; the settings folder. Never overwrites a file. A copy that keeps
// everything beside the executable is left as it is (its database is there already).
UserFoldersCheck prepareUserFolders(const ProgramFolders& folders);

// The message for a problem, naming the folder.
QString userFoldersProblemText(const UserFoldersCheck& check);

} // namespace quorvane
