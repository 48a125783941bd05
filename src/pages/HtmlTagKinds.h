#pragma once

#include <gumbo.h>

#include <initializer_list>

// What the HTML parser does with each tag, as far as the nesting guard follows it: which elements it reopens,
// which never hold children, which close a paragraph, end a scope, and so on. Kept apart from the guard's
// tokenizer and tree model so that the tables can be read and checked against the parser's rules alone.
namespace quorvane::html {

// Gumbo's tag numbers: GUMBO_TAG_UNKNOWN for all the elements it does not know, which are of none of the
// kinds below.
using TagId = int;

bool isOneOf(TagId tag, std::initializer_list<GumboTag> tags);

bool isFormatting(TagId tag);           // kept in the list of active formatting elements and reopened
bool isVoid(TagId tag);                 // never holds children
bool isRawText(TagId tag);              // its content is text up to its own end tag
bool closesParagraph(TagId tag);        // its start tag closes an open <p>
bool startsWithoutReopening(TagId tag); // closed formatting elements are not reopened before it
bool isHeading(TagId tag);
bool isMarkerElement(TagId tag);      // formatting does not reach into it
bool endsScope(TagId tag);            // ends the scope in which an end tag looks for its element
bool onlyInTables(TagId tag);         // a table's parts, rows, cells, caption, columns: dropped elsewhere
bool endsInTableScope(TagId tag);     // its end tag looks for its element up to the nearest table
bool leavesForeignContent(TagId tag); // starting inside SVG or MathML, it ends them
bool isSpecial(TagId tag);            // stops the search of an <li>, <dd> or <dt> for the item it closes
bool isIntegrationPoint(TagId tag, bool svg); // as an SVG (or else MathML) element, holds HTML

} // namespace quorvane::html
