#pragma once

#include "store/Recordset.h"
#include "ui/DataGrid.h"

namespace quorvane {

// The mission grid's 相关链接 cells show the site with its match rule as their tooltip, so that the user sees
// what counts as a hit for it: "www.example.com\n匹配方式: 整个域名". Other cells show their text where the
// column cuts it.
DataGrid::CellToolTipProvider addressToolTip(const Recordset& missions, const DataGrid& grid);

} // namespace quorvane
