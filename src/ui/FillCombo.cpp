#include "ui/FillCombo.h"

#include <QComboBox>

namespace quorvane {

void fillComboFromQuery(Database& database, Recordset& query, const QString& sql, const QString& field,
                        QComboBox* combo) {
    combo->clear();
    database.openQuery(query, sql);
    const int column = query.fieldIndex(field);
    QStringList items;
    items.reserve(query.recordCount());
    for (int row = 0; row < query.recordCount(); ++row)
        items << (column >= 0 ? query.value(row, column).toString() : QString());
    combo->addItems(items);
}

} // namespace quorvane
