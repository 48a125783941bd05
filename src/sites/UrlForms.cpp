#include "sites/UrlForms.h"

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

} // namespace quorvane
