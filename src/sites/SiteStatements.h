#pragma once

#include "engine/UrlMatch.h"

#include <QString>

#include <optional>

namespace quorvane {

// The statements that write sites and keywords, shared by the dialog and the command line. `day` is the
// quoted date text ('yyyy-mm-dd').

// A new site, ticked for runs. The address rule is what an empty rule column means, so a site under it is
// written without the column, as every version wrote sites.
QString siteInsertSql(const QString& url, SiteMatch rule, const QString& day);
// A site's address (and its rule, when one is given) changed.
QString siteEditSql(qint64 webId, const QString& url, std::optional<SiteMatch> rule, const QString& day);
// A new keyword of a site; Valid and the rank cells take the database's defaults.
QString keywordInsertSql(qint64 webId, const QString& keyword, const QString& day);

} // namespace quorvane
