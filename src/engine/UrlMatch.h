#pragma once

#include "engine/StopFlag.h"
#include "pages/PageResults.h"

#include <QString>
#include <QStringList>
#include <QStringView>

namespace quorvane {

// The form in which a site URL and a result link are compared: leading and trailing spaces and control
// characters removed, every "http:" (lower case only) and every "/" deleted, ASCII letters in upper case.
// So "http://www.site.com/" and "WWW.SITE.COM" are the same site, while "https://www.site.com" (its
// scheme stays) and "http://www.site.com/page.html" are not.
QString normalizeUrl(QStringView url);

// The 1-based position of the first link that equals the site URL after normalizeUrl, or 0. Reads the stop
// request before every link and gives 0 once it is set.
int findSiteInLinks(QStringView siteUrl, const QStringList& links, const StopFlag& stopRequested);

// The same over a page's results, by their addresses.
int findSiteInResults(QStringView siteUrl, const PageResults& results, const StopFlag& stopRequested);

} // namespace quorvane
