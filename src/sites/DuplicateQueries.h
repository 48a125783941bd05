#pragma once

#include "store/Statement.h"

#include <QString>

namespace quorvane {

// The duplicate tests of the adds and the imports: one row or more means the text is already stored.

// The sites stored under the URL.
BoundSql urlDuplicateSql(const QString& url);
// The keyword under one URL. The unary plus on WebID keeps the look-up on the keyword name's index: all
// keywords of a URL share its WebID, so that index would make every test read the URL's whole list, and
// an import of n keywords cost n squared.
BoundSql keyWordDuplicateSql(const QString& keyword, int webId);

} // namespace quorvane
