#pragma once

#include "export/SheetModel.h"

#include <pugixml.hpp>

#include <map>
#include <utility>

namespace quorvane {

// The styles part of a template, to which the fill appends the cell formats it needs. A cell the fill
// formats keeps the template's format for it (number format, font, fill, border, protection) with only
// the parts the sheet's style sets changed: a centred cell keeps its borders and fonts, a bold one its
// colour and size. Cells the template does not format start from its default cell format and font.
class TemplateStyles {
public:
    explicit TemplateStyles(pugi::xml_document& styles);

    // The cellXfs index of the template's format `base` changed by a style of the sheet; appended to
    // the part on first use. An index beyond the template's formats counts as its default (0).
    unsigned formatIndex(unsigned base, const CellStyle& style, std::uint32_t styleId);

private:
    unsigned changedFont(unsigned base, const CellStyle& style);
    unsigned thinBorder(unsigned base);

    pugi::xml_node root_;
    std::map<std::pair<unsigned, std::uint32_t>, unsigned> formats_; // (base, style id) -> index
    std::map<unsigned, unsigned> thinBorders_;                       // border id -> framed copy
};

} // namespace quorvane
