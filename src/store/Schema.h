#pragma once

#include <QString>
#include <QStringList>

namespace quorvane {

// The database file's name beside the executable and its password.
inline constexpr char16_t kDbFile[] = u"DataBase\\Trevanid.mdb";
inline constexpr char16_t kDbPassword[] = u"pvx5203846";

enum class SchemaVersion {
    Full,            // every engine's rank columns and the sites' match rule
    BeforeMatchRule, // every engine's rank columns, no match rule: files made before sites had rules
    Older,           // only the first rank columns of the engines the oldest files knew (inOldestSchema)
};

// The indexes of the look-ups the program makes often (duplicate tests, a site's keywords, the merge's
// keyword by text, a pair's history), as "Create Index If Not Exists": a file made without them gains them
// at start, and older versions read the file as before.
QStringList schemaIndexStatements();

// Creates a new database file with the three tables. Refuses to touch an existing file. On failure
// returns false, removes what it wrote and puts the reason into *error.
bool createDatabase(const QString& path, const QString& password, SchemaVersion version, QString* error);

} // namespace quorvane
