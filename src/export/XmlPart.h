#pragma once

#include <QByteArray>
#include <QString>

#include <pugixml.hpp>

#include <string_view>

namespace quorvane {

// Parses a package part, keeping its declaration and the whitespace of text-only elements.
// Throws WorkbookError naming the part and the offset of the fault.
void parseXmlPart(pugi::xml_document& document, const QByteArray& content, const QString& partName);
QByteArray serializeXmlPart(const pugi::xml_document& document);

// Element names without their namespace prefix, so "c:f" and "f" both match "f".
std::string_view localName(const pugi::xml_node& node);
pugi::xml_node firstChild(const pugi::xml_node& parent, std::string_view local);
// An attribute by its local name ("r:id" matches "id").
pugi::xml_attribute attributeByLocalName(const pugi::xml_node& node, std::string_view local);
// "x:" for <x:worksheet>, "" without a prefix: new elements take their parent's prefix.
std::string prefixOf(const pugi::xml_node& node);

// Text as a spreadsheet text element stores it: characters XML cannot carry become _xHHHH_, and a
// literal "_xHHHH_" is protected so that readers do not decode it.
QByteArray escapeSpreadsheetText(QByteArrayView utf8);

} // namespace quorvane
