#pragma once

#include "export/SheetModel.h"
#include "export/TemplateStyles.h"

#include <pugixml.hpp>

namespace quorvane {

// Writes the sheet's cells, merges and column widths into a template's worksheet part. Cells the
// sheet does not touch keep their content and format; a cell the sheet formats keeps the template's
// format for it (its own, else its row's or column's) with only what the style sets changed.
void fillWorksheet(pugi::xml_document& worksheet, const SheetModel& sheet, TemplateStyles& styles);

} // namespace quorvane
