#include "engine/UrlMatch.h"

#include "engine/SiteHosts.h"
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

SiteMatch siteMatchOfStored(const QVariant& stored) {
    bool ok = false;
    const qlonglong value = stored.toLongLong(&ok);
    if (!ok)
        return SiteMatch::Address;
    switch (value) {
    case 1:
        return SiteMatch::Host;
    case 2:
        return SiteMatch::Domain;
    default:
        return SiteMatch::Address;
    }
}

int storedValue(SiteMatch rule) {
    switch (rule) {
    case SiteMatch::Host:
        return 1;
    case SiteMatch::Domain:
        return 2;
    case SiteMatch::Address:
        break;
    }
    return 0;
}

QString siteMatchLabel(SiteMatch rule) {
    switch (rule) {
    case SiteMatch::Host:
        return QStringLiteral("同一主机");
    case SiteMatch::Domain:
        return QStringLiteral("整个域名");
    case SiteMatch::Address:
        break;
    }
    return QStringLiteral("完整网址");
}

QString siteMatchName(SiteMatch rule) {
    switch (rule) {
    case SiteMatch::Host:
        return QStringLiteral("host");
    case SiteMatch::Domain:
        return QStringLiteral("domain");
    case SiteMatch::Address:
        break;
    }
    return QStringLiteral("address");
}

std::optional<SiteMatch> siteMatchOfName(QStringView name) {
    for (const SiteMatch rule : {SiteMatch::Address, SiteMatch::Host, SiteMatch::Domain})
        if (name.compare(siteMatchName(rule), Qt::CaseInsensitive) == 0)
            return rule;
    return std::nullopt;
}

namespace {

// The host a result stands for, in compared form; empty when it shows none.
QString resultHost(const PageResult& result) {
    if (!isRedirectLink(result.address)) {
        const QString host = hostOfAddress(result.address);
        if (!host.isEmpty())
            return comparableHost(host);
    }
    const QString shown = hostOfShownAddress(result.shownAddress);
    return shown.isEmpty() ? QString() : comparableHost(shown);
}

bool hostMatches(SiteMatch rule, const QString& siteHost, const QString& host) {
    if (host.isEmpty())
        return false;
    if (host == siteHost)
        return true;
    return rule == SiteMatch::Domain && host.size() > siteHost.size() && host.endsWith(siteHost) &&
           host[host.size() - siteHost.size() - 1] == u'.';
}

} // namespace

int findSiteInResults(const SiteTarget& site, const PageResults& results, const StopFlag& stopRequested) {
    if (site.rule == SiteMatch::Address) {
        const QString wanted = normalizeUrl(site.text);
        for (qsizetype k = 0; k < results.size(); ++k) {
            if (stopRequested)
                return 0;
            if (normalizeUrl(results[k].address) == wanted)
                return static_cast<int>(k + 1);
        }
        return 0;
    }
    const QString typedHost = hostOfAddress(site.text);
    QString siteHost = typedHost.isEmpty() ? QString() : comparableHost(typedHost);
    // The whole domain of "www.example.com" is example.com: its blog.example.com is the owner's site too.
    if (site.rule == SiteMatch::Domain && siteHost.startsWith(u"www.") && siteHost.indexOf(u'.', 4) > 0)
        siteHost.remove(0, 4);
    for (qsizetype k = 0; k < results.size(); ++k) {
        if (stopRequested || siteHost.isEmpty())
            return 0;
        if (hostMatches(site.rule, siteHost, resultHost(results[k])))
            return static_cast<int>(k + 1);
    }
    return 0;
}

PageResults resultsOfLinks(const QStringList& links) {
    PageResults results;
    results.reserve(links.size());
    for (const QString& link : links)
        results.append(PageResult{link, {}, false});
    return results;
}

} // namespace quorvane
