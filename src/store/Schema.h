#pragma once

#include <QString>

namespace quorvane {

// The database file's name beside the executable and its password.
inline constexpr char16_t kDbFile[] = u"DataBase\\Trevanid.mdb";
inline constexpr char16_t kDbPassword[] = u"pvx5203846";

enum class SchemaVersion {
    Full,            // every engine's rank columns and the sites' match rule
    BeforeMatchRule, // every engine's rank columns, no match rule: files made before sites had rules
    Older,           // only the first rank columns of the engines the oldest files knew (inOldestSchema)
};

// Creates a new database file with the three tables. Refuses to touch an existing file. On failure
// returns false, removes what it wrote and puts the reason into *error.
bool createDatabase(const QString& path, const QString& password, SchemaVersion version, QString* error);

} // namespace quorvane
