#include "sites/UrlForms.h"

#include "engine/SiteHosts.h"

namespace quorvane {

QString canonicalUrl(const QString& typed) {
    QString url = typed;
    url.remove(QStringLiteral("http:"), Qt::CaseSensitive);
    url.remove(u'/');
    return url;
}

QString importedUrl(const QString& line) {
    QString url = line;
    url.remove(QStringLiteral("http:"), Qt::CaseSensitive);
    url.remove(u'\\');
    return url;
}

QString storedSiteText(const QString& typed, SiteMatch rule) {
    if (rule == SiteMatch::Address)
        return canonicalUrl(typed);
    return hostOfAddress(typed);
}

} // namespace quorvane
