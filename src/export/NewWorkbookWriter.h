#pragma once

#include "export/SheetModel.h"

#include <QByteArray>

namespace quorvane {

// The package of a new workbook holding the sheet, built with libxlsxwriter. Throws WorkbookError.
QByteArray writeNewWorkbook(const SheetModel& sheet);

} // namespace quorvane
