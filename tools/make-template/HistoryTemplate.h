#pragma once

#include <QString>

namespace quorvane {

// Writes the history workbook template to path, replacing a file there; sheet 1 holds a title in
// row 1, the column headers in row 2 and a line chart of the Baidu (C) and Google (D) ranks over the
// dates (E) of the data rows, which the history export writes from row 3 on and to which it points
// the chart. The rank axis is reversed so that rank 1 is at the top. Reports failures on standard
// error and returns false.
bool writeHistoryTemplate(const QString& path);

} // namespace quorvane
