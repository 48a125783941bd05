#include "settings/UrlForms.h"

namespace quorvane {

QString CanonicalUrl(const QString& typed) {
    QString url = typed;
    url.remove(QStringLiteral("http:"), Qt::CaseSensitive);
    url.remove(u'/');
    return url;
}

QString ImportedUrl(const QString& line) {
    QString url = line;
    url.remove(QStringLiteral("http:"), Qt::CaseSensitive);
    url.remove(u'\\');
    return url;
}

} // namespace quorvane
