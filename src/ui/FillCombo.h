#pragma once

#include "store/Database.h"
#include "store/Recordset.h"

class QComboBox;

namespace quorvane {

// Empties the combo box, reopens the query with the statement and appends the named field of every row in
// the query's order (null gives an empty item). Statement errors reach the caller with the box empty.
void fillComboFromQuery(Database& database, Recordset& query, const QString& sql, const QString& field,
                        QComboBox* combo);

} // namespace quorvane
