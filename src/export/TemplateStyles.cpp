#include "export/TemplateStyles.h"

#include "export/WorkbookError.h"
#include "export/XmlPart.h"

#include <string>

namespace quorvane {

namespace {

// A list element (fonts, borders, cellXfs); every styles part written by a spreadsheet program has them.
pugi::xml_node listElement(pugi::xml_node root, const char* local) {
    if (pugi::xml_node found = firstChild(root, local))
        return found;
    throw WorkbookError(QStringLiteral("样式部件中没有 ") + QString::fromLatin1(local) +
                        QStringLiteral(" 列表。"));
}

// Updates the list's count after an append and returns the index of the item appended last.
unsigned countAfterAppend(pugi::xml_node list) {
    unsigned count = 0;
    for (pugi::xml_node child = list.first_child(); child; child = child.next_sibling())
        count += child.type() == pugi::node_element ? 1 : 0;
    list.remove_attribute("count");
    list.prepend_attribute("count") = count;
    return count - 1;
}

pugi::xml_node nthElement(pugi::xml_node list, unsigned index) {
    for (pugi::xml_node child = list.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element)
            continue;
        if (index-- == 0)
            return child;
    }
    return {};
}

} // namespace

TemplateStyles::TemplateStyles(pugi::xml_document& styles, const SheetModel& sheet)
    : root_(styles.document_element())
    , sheet_(sheet)
    , formats_(sheet.styleCount()) {}

unsigned TemplateStyles::formatIndex(std::uint32_t styleId) {
    if (formats_[styleId])
        return *formats_[styleId];
    const CellStyle& style = sheet_.style(styleId);
    pugi::xml_node cellXfs = listElement(root_, "cellXfs");
    const pugi::xml_node base = nthElement(cellXfs, 0);
    const std::string p = prefixOf(cellXfs);

    pugi::xml_node xf = cellXfs.append_child((p + "xf").c_str());
    for (const char* name : {"numFmtId", "fontId", "fillId", "borderId"})
        xf.append_attribute(name) = base.attribute(name).as_uint(0);
    xf.append_attribute("xfId") = 0;
    if (!style.fontName.isEmpty() || style.fontSize > 0 || style.bold) {
        xf.attribute("fontId") = addFont(style);
        xf.append_attribute("applyFont") = 1;
    }
    if (style.thinBorders) {
        xf.attribute("borderId") = thinBorder();
        xf.append_attribute("applyBorder") = 1;
    }
    if (style.centred) {
        xf.append_attribute("applyAlignment") = 1;
        xf.append_child((p + "alignment").c_str()).append_attribute("horizontal") = "center";
    }
    const unsigned index = countAfterAppend(cellXfs);
    formats_[styleId] = index;
    return index;
}

unsigned TemplateStyles::addFont(const CellStyle& style) {
    pugi::xml_node fonts = listElement(root_, "fonts");
    const pugi::xml_node cellXfs = listElement(root_, "cellXfs");
    const pugi::xml_node base = nthElement(fonts, nthElement(cellXfs, 0).attribute("fontId").as_uint(0));
    const std::string p = prefixOf(fonts);
    const auto baseValue = [&](const char* local) { return firstChild(base, local).attribute("val"); };

    // Children in the order the schema fixes: b, sz, color, name, family, scheme.
    pugi::xml_node font = fonts.append_child((p + "font").c_str());
    if (style.bold)
        font.append_child((p + "b").c_str());
    pugi::xml_node size = font.append_child((p + "sz").c_str());
    if (style.fontSize > 0)
        size.append_attribute("val") = style.fontSize;
    else
        size.append_attribute("val") = baseValue("sz").as_double(11);
    if (const pugi::xml_node color = firstChild(base, "color"))
        font.append_copy(color);
    const std::string baseName = baseValue("name").as_string("Calibri");
    const std::string name = style.fontName.isEmpty() ? baseName : style.fontName.toStdString();
    font.append_child((p + "name").c_str()).append_attribute("val") = name.c_str();
    // A theme scheme would make readers show the theme's font instead of the one named.
    if (name == baseName) {
        for (const char* local : {"family", "charset", "scheme"}) {
            if (const pugi::xml_node kept = firstChild(base, local))
                font.append_copy(kept);
        }
    }
    return countAfterAppend(fonts);
}

unsigned TemplateStyles::thinBorder() {
    if (thinBorder_)
        return *thinBorder_;
    pugi::xml_node borders = listElement(root_, "borders");
    const std::string p = prefixOf(borders);
    pugi::xml_node border = borders.append_child((p + "border").c_str());
    for (const char* edge : {"left", "right", "top", "bottom"}) {
        pugi::xml_node side = border.append_child((p + edge).c_str());
        side.append_attribute("style") = "thin";
        side.append_child((p + "color").c_str()).append_attribute("auto") = 1;
    }
    border.append_child((p + "diagonal").c_str());
    thinBorder_ = countAfterAppend(borders);
    return *thinBorder_;
}

} // namespace quorvane
