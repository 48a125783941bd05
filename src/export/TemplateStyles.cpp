#include "export/TemplateStyles.h"

#include "export/WorkbookError.h"
#include "export/XmlPart.h"

#include <array>
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

// The list's item at index, or its first when there is no such item.
pugi::xml_node itemOrFirst(pugi::xml_node list, unsigned index) {
    const pugi::xml_node item = nthElement(list, index);
    return item ? item : nthElement(list, 0);
}

void setAttribute(pugi::xml_node node, const char* name, const char* value) {
    pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute)
        attribute = node.append_attribute(name);
    attribute = value;
}

// A child by its local name, made with the parent's prefix when missing; placed before the first of
// `later` present, as the schema's order of the parent's children asks.
template <size_t N>
pugi::xml_node childInOrder(pugi::xml_node parent, const char* local,
                            const std::array<const char*, N>& later) {
    if (pugi::xml_node found = firstChild(parent, local))
        return found;
    const std::string name = prefixOf(parent) + local;
    for (const char* next : later) {
        if (const pugi::xml_node before = firstChild(parent, next))
            return parent.insert_child_before(name.c_str(), before);
    }
    return parent.append_child(name.c_str());
}

} // namespace

TemplateStyles::TemplateStyles(pugi::xml_document& styles)
    : root_(styles.document_element()) {}

unsigned TemplateStyles::formatIndex(unsigned base, const CellStyle& style, std::uint32_t styleId) {
    const auto key = std::make_pair(base, styleId);
    if (const auto found = formats_.find(key); found != formats_.end())
        return found->second;
    pugi::xml_node cellXfs = listElement(root_, "cellXfs");
    pugi::xml_node xf = cellXfs.append_copy(itemOrFirst(cellXfs, base));
    if (!xf)
        throw WorkbookError(QStringLiteral("样式部件中没有单元格格式。"));

    if (!style.fontName.isEmpty() || style.fontSize > 0 || style.bold) {
        setAttribute(xf, "fontId",
                     std::to_string(changedFont(xf.attribute("fontId").as_uint(0), style)).c_str());
        setAttribute(xf, "applyFont", "1");
    }
    if (style.thinBorders) {
        setAttribute(xf, "borderId", std::to_string(thinBorder(xf.attribute("borderId").as_uint(0))).c_str());
        setAttribute(xf, "applyBorder", "1");
    }
    if (style.centred) {
        // The alignment's other settings (vertical, wrapping, indent) stay.
        const std::array<const char*, 2> later{"protection", "extLst"};
        setAttribute(childInOrder(xf, "alignment", later), "horizontal", "center");
        setAttribute(xf, "applyAlignment", "1");
    }
    const unsigned index = countAfterAppend(cellXfs);
    formats_.emplace(key, index);
    return index;
}

unsigned TemplateStyles::changedFont(unsigned base, const CellStyle& style) {
    pugi::xml_node fonts = listElement(root_, "fonts");
    pugi::xml_node font = fonts.append_copy(itemOrFirst(fonts, base));
    if (!font)
        throw WorkbookError(QStringLiteral("样式部件中没有字体。"));
    const std::string p = prefixOf(font);
    if (style.bold) {
        while (pugi::xml_node old = firstChild(font, "b"))
            font.remove_child(old);
        font.prepend_child((p + "b").c_str());
    }
    if (style.fontSize > 0) {
        const std::array<const char*, 5> later{"color", "name", "family", "charset", "scheme"};
        setAttribute(childInOrder(font, "sz", later), "val", QByteArray::number(style.fontSize).constData());
    }
    if (!style.fontName.isEmpty()) {
        pugi::xml_node name = firstChild(font, "name");
        if (name.attribute("val").as_string() != std::string_view(style.fontName.constData())) {
            const std::array<const char*, 3> later{"family", "charset", "scheme"};
            setAttribute(childInOrder(font, "name", later), "val", style.fontName.constData());
            // The family, character set and theme scheme belong to the font replaced; a theme scheme
            // would make readers show the theme's font instead of the one named.
            for (const char* local : {"family", "charset", "scheme"}) {
                while (pugi::xml_node old = firstChild(font, local))
                    font.remove_child(old);
            }
        }
    }
    return countAfterAppend(fonts);
}

unsigned TemplateStyles::thinBorder(unsigned base) {
    if (const auto found = thinBorders_.find(base); found != thinBorders_.end())
        return found->second;
    pugi::xml_node borders = listElement(root_, "borders");
    pugi::xml_node border = borders.append_copy(itemOrFirst(borders, base));
    if (!border)
        border = borders.append_child((prefixOf(borders) + "border").c_str());
    const std::string p = prefixOf(border);
    // The edges in the schema's order; the diagonal and the inner lines stay as they were.
    const std::array<const char*, 4> edges{"left", "right", "top", "bottom"};
    for (size_t i = 0; i < edges.size(); ++i) {
        const std::array<const char*, 6> later{
            i < 1 ? "right" : "", i < 2 ? "top" : "", i < 3 ? "bottom" : "",
            "diagonal",           "vertical",         "horizontal"};
        pugi::xml_node side = childInOrder(border, edges[i], later);
        while (side.first_child())
            side.remove_child(side.first_child());
        setAttribute(side, "style", "thin");
        side.append_child((p + "color").c_str()).append_attribute("auto") = 1;
    }
    const unsigned index = countAfterAppend(borders);
    thinBorders_.emplace(base, index);
    return index;
}

} // namespace quorvane
