#pragma once

#include "engine/UrlMatch.h"

#include <QString>

namespace quorvane {

// The stored form of a URL typed into the sites-and-keywords dialog: every "http:" and every "/" removed
// (exact, case-sensitive, anywhere), blanks kept. It equals the form the rank check compares with.
QString canonicalUrl(const QString& typed);

// The stored form of a URL line read from an import file: every "http:" and every backslash removed;
// forward slashes and blanks stay.
QString importedUrl(const QString& line);

// The longest site address and keyword the database stores.
inline constexpr int kLongestSiteText = 50;
inline constexpr int kLongestKeyword = 20;

// The stored form of a site typed under a match rule: the canonical form under the address rule; under the
// host and domain rules the site is its host, taken from what is typed with scheme, port and path dropped
// ("https://www.example.com/blog" gives "www.example.com"), and also from a stored canonical form
// ("https:www.example.com"). Empty when a host rule is asked for and the text holds no plausible host.
QString storedSiteText(const QString& typed, SiteMatch rule);

} // namespace quorvane
