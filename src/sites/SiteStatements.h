#pragma once

#include "engine/UrlMatch.h"
#include "store/Statement.h"

#include <QDate>
#include <QString>

#include <optional>

namespace quorvane {

// The statements that write sites and keywords, shared by the dialog and the command line, with their values
// bound. `day` is the day written as the add and update time.

// A new site, ticked for runs. The address rule is what an empty rule column means, so a site under it is
// written without the column, as every version wrote sites.
BoundSql siteInsertSql(const QString& url, SiteMatch rule, const QDate& day);
// A site's address (and its rule, when one is given) changed.
BoundSql siteEditSql(qint64 webId, const QString& url, std::optional<SiteMatch> rule, const QDate& day);
// A new keyword of a site; Valid and the rank cells take the database's defaults.
BoundSql keywordInsertSql(qint64 webId, const QString& keyword, const QDate& day);

} // namespace quorvane
