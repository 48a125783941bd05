#pragma once

#include <QString>

namespace quorvane {

// The column types of the schema upgrade are written as Jet wrote them. This step turns them into SQLite's:
// in "Alter Table t Add c type", the type "long" becomes INTEGER and "Text(n)" becomes a case-insensitive
// TEXT whose length is checked against n, as Jet refused values too long for their column. Everything else
// (left join, Between, -1 for true) passes unchanged; days are bound as values (stored as yyyy-mm-dd text),
// never written into a statement as Jet's #date# literals.
QString translateJet(const QString& sql);

} // namespace quorvane
