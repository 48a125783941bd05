#pragma once

#include <QString>

namespace quorvane {

// Rows and columns count from 1, as the export code addresses cells.
struct CellRange {
    int firstRow = 1;
    int firstColumn = 1;
    int lastRow = 1;
    int lastColumn = 1;

    bool operator==(const CellRange&) const = default;
};

inline constexpr int kMaxRows = 1048576;
inline constexpr int kMaxColumns = 16384;

// "A" -> 1, "AA" -> 27; 0 when the text is not a column name within the sheet's columns.
int columnNumber(QStringView letters);
// 1 -> "A", 27 -> "AA".
QString columnName(int column);
// (3, 2) -> "B3".
QString cellName(int row, int column);
// "A2:K2", "B3" (one cell) or "$A$2:$K$2"; the corners may come in any order. Throws WorkbookError for
// anything else.
CellRange parseRange(QStringView address);

} // namespace quorvane
