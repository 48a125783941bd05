#include "ui/FillCombo.h"

#include <QComboBox>

namespace quorvane {

void FillComboFromQuery(Database& database, Recordset& query, const QString& sql, const QString& field,
                        QComboBox* combo) {
    combo->clear();
    database.OpenSQL(query, sql);
    const int column = query.FieldIndex(field);
    QStringList items;
    items.reserve(query.RecordCount());
    for (int row = 0; row < query.RecordCount(); ++row)
        items << (column >= 0 ? query.Value(row, column).toString() : QString());
    combo->addItems(items);
}

} // namespace quorvane
