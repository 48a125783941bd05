#pragma once

#include <QString>

namespace quorvane {

// The stored form of a URL typed into the sites-and-keywords dialog: every "http:" and every "/" removed
// (exact, case-sensitive, anywhere), blanks kept. It equals the form the rank check compares with.
QString canonicalUrl(const QString& typed);

// The stored form of a URL line read from an import file: every "http:" and every backslash removed;
// forward slashes and blanks stay.
QString importedUrl(const QString& line);

} // namespace quorvane
