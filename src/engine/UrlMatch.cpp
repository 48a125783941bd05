#include "engine/UrlMatch.h"

#include "platform/TextCutting.h"

namespace quorvane {

QString normalizeUrl(QStringView url) {
    QString text = trimControlChars(url).toString();
    text.remove(QStringLiteral("http:"), Qt::CaseSensitive);
    text.remove(u'/');
    // Only ASCII letters are folded: other characters compare exactly.
    for (QChar& ch : text)
        if (ch >= u'a' && ch <= u'z')
            ch = QChar(ch.unicode() - u'a' + u'A');
    return text;
}

int findSiteInLinks(QStringView siteUrl, const QStringList& links, const StopFlag& stopRequested) {
    const QString site = normalizeUrl(siteUrl);
    for (qsizetype k = 0; k < links.size(); ++k) {
        if (stopRequested)
            return 0;
        if (normalizeUrl(links[k]) == site)
            return static_cast<int>(k + 1);
    }
    return 0;
}

int findSiteInResults(QStringView siteUrl, const PageResults& results, const StopFlag& stopRequested) {
    const QString site = normalizeUrl(siteUrl);
    for (qsizetype k = 0; k < results.size(); ++k) {
        if (stopRequested)
            return 0;
        if (normalizeUrl(results[k].address) == site)
            return static_cast<int>(k + 1);
    }
    return 0;
}

} // namespace quorvane
