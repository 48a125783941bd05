#pragma once

#include "export/SheetModel.h"

#include <pugixml.hpp>

#include <optional>
#include <vector>

namespace quorvane {

// The styles part of a template, to which the fill appends one cell format per style it uses. A new
// format starts from the template's default cell format and font, so the template's look carries over
// to the cells the fill writes.
class TemplateStyles {
public:
    TemplateStyles(pugi::xml_document& styles, const SheetModel& sheet);

    // The cellXfs index for a style of the sheet; appended to the part on first use.
    unsigned formatIndex(std::uint32_t styleId);

private:
    unsigned addFont(const CellStyle& style);
    unsigned thinBorder();

    pugi::xml_node root_;
    const SheetModel& sheet_;
    std::vector<std::optional<unsigned>> formats_;
    std::optional<unsigned> thinBorder_;
};

} // namespace quorvane
