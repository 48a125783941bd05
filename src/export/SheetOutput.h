#pragma once

#include "export/SheetModel.h"

#include <QByteArray>

namespace quorvane {

// Where a workbook's rows go once they are final, so that none has to stay in memory: each row once,
// in ascending order, while the sheet is still being written; then finish() completes the package.
// Both throw WorkbookError.
class SheetOutput {
public:
    virtual ~SheetOutput() = default;

    // The sheet's open row `row` is final; empty rows come too.
    virtual void writeRow(int row, const SheetModel& sheet) = 0;
    // Every row has been written: the package's bytes, compressed (a few megabytes for 100,000 rows).
    virtual QByteArray finish(const SheetModel& sheet) = 0;
};

} // namespace quorvane
