#pragma once

#include "export/SheetModel.h"
#include "export/TemplateStyles.h"

#include <pugixml.hpp>

namespace quorvane {

// Writes the sheet's cells, merges and column widths into a template's worksheet part. Cells the
// sheet does not touch keep their content and format; a cell the sheet gives a style gets that style
// in place of the template's.
void fillWorksheet(pugi::xml_document& worksheet, const SheetModel& sheet, TemplateStyles& styles);

} // namespace quorvane
