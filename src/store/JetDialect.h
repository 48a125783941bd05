#pragma once

#include <QString>

namespace quorvane {

// The program's statements are written in the Jet dialect. This step turns the few Jet forms that SQLite
// does not take into SQLite's, outside quoted text only:
//  - date literals #YYYY-MM-DD# become 'YYYY-MM-DD' (dates are stored as that text);
//  - in "Alter Table t Add c type", the type "long" becomes INTEGER and "Text(n)" becomes a case-insensitive
//    TEXT whose length is checked against n, as Jet refused values too long for their column.
// Everything else (left join, Between, -1 for true, doubled quotes) passes unchanged.
QString translateJet(const QString& sql);

} // namespace quorvane
