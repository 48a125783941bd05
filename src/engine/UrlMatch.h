#pragma once

#include "engine/StopFlag.h"
#include "pages/PageResults.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVariant>

#include <optional>

namespace quorvane {

// The form in which a site URL and a result link are compared: leading and trailing spaces and control
// characters removed, every "http:" (lower case only) and every "/" deleted, ASCII letters in upper case.
// So "http://www.site.com/" and "WWW.SITE.COM" are the same site, while "https://www.site.com" (its
// scheme stays) and "http://www.site.com/page.html" are not.
QString normalizeUrl(QStringView url);

// The 1-based position of the first link that equals the site URL after normalizeUrl, or 0. Reads the stop
// request before every link and gives 0 once it is set.
int findSiteInLinks(QStringView siteUrl, const QStringList& links, const StopFlag& stopRequested);

// What counts as a hit for a site, chosen by its owner and stored with it.
enum class SiteMatch {
    Address, // the whole address equals the site's, after normalizeUrl (every stored site's rule at first)
    Host,    // the result's host is the site's host
    Domain,  // the result's host is the site's domain or a host under it
};

// The rule as the site's row stores it (a whole number; nothing stored, or a value this version does not
// know, is the address rule), and back.
SiteMatch siteMatchOfStored(const QVariant& stored);
int storedValue(SiteMatch rule);
// "完整网址", "同一主机", "整个域名".
QString siteMatchLabel(SiteMatch rule);
// "address", "host", "domain": the names the command line takes and prints.
QString siteMatchName(SiteMatch rule);
std::optional<SiteMatch> siteMatchOfName(QStringView name);

// A site as the rank check looks for it: its stored text and its rule.
struct SiteTarget {
    SiteTarget() = default;
    // A stored URL compared by its whole address, as every site was before rules existed.
    SiteTarget(QString text, SiteMatch rule = SiteMatch::Address) // NOLINT(google-explicit-constructor)
        : text(std::move(text))
        , rule(rule) {}

    QString text;
    SiteMatch rule = SiteMatch::Address;
};

// The 1-based position of the first result that is a hit for the site under its rule, or 0.
//  - Address: the result's address equals the site's text as findSiteInLinks compares them;
//  - Host and Domain: the result's host (from its address; from the address the page shows when the
//    address is an engine's redirect or has no host) equals the site's host, or, for Domain, ends with "."
//    and the site's host; under Domain a site host's leading "www." stands for the domain after it
//    ("www.example.com" covers blog.example.com, not example.com.evil.org). A result without either host, or
//    a site whose text holds no host, matches nothing.
// Reads the stop request before every result and gives 0 once it is set.
int findSiteInResults(const SiteTarget& site, const PageResults& results, const StopFlag& stopRequested);

// The results of a page that gives only its links.
PageResults resultsOfLinks(const QStringList& links);

} // namespace quorvane
