#pragma once

#include <QString>

#include <cstdio>

namespace quorvane {

// Quorvane --read-page FILE --engine NAME: reads a saved result page (its bytes as served) as that engine's
// page with the definitions in force (compiled-in, changed by Engines.ini) and prints one line per result in
// page order: position, address, shown address (empty when the page shows none) and, for a promoted result,
// "promoted", separated by tabs. How a user checks an Engines.ini change against a page kept under
// Logs/unparsed/. The exit status: 0 when the page was read (also a page that says there are no results),
// 1 for a page not understood or a verification page, 2 for a file that cannot be read.
int runReadPage(const QString& file, const QString& engine, std::FILE* out, std::FILE* err);

} // namespace quorvane
