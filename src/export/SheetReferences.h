#pragma once

#include "export/CellAddress.h"

#include <QString>

#include <optional>

namespace quorvane {

// "'My sheet'!" style prefix: quoted always, an apostrophe doubled, so any valid name is safe.
QString quotedSheetName(const QString& name);

struct RewrittenFormula {
    QString text;
    // The data range the formula now names when it is one single-column range; the chart caches
    // are rebuilt from it.
    std::optional<CellRange> dataRange;
};

// Rewrites the references to sheet oldName (compared without regard to case) in a formula such as a
// chart series' "Sheet1!$C$3:$C$9" or a cell's "SUM(Sheet1!C:C)": every sheet prefix naming it, quoted
// or not, names newName instead, whatever follows it (a cell, a range, whole columns or rows, a name);
// text literals ("Sheet1!A1" inside quotes) are left as they are. A reference that lies in the data
// rows (row 3 or below; a template made for no rows names row 3 alone) becomes the range of rows
// 3..lastDataRow. With no data rows (lastDataRow < 3) that range is row 3 alone: empty, so a chart
// draws no point, and still a valid reference. References to rows 1 and 2 (titles, headers) keep their
// rows, and so does every reference when lastDataRow is not given.
RewrittenFormula rewriteSheetReferences(const QString& formula, const QString& oldName,
                                        const QString& newName, std::optional<int> lastDataRow);

} // namespace quorvane
