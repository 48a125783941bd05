#include "engine/SiteHosts.h"

#include <QStringList>
#include <QUrl>
#include <QUrlQuery>

namespace quorvane {

namespace {

constexpr qsizetype kLongestHost = 253;
constexpr qsizetype kLongestLabel = 63;

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

QString foldAscii(QStringView text) {
    QString folded = text.toString();
    for (QChar& c : folded)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    return folded;
}

bool plausibleLabel(QStringView label) {
    if (label.isEmpty() || label.size() > kLongestLabel || label.startsWith(u'-') || label.endsWith(u'-'))
        return false;
    for (const QChar c : label) {
        const bool ascii = c.unicode() < 0x80;
        if (ascii ? !(isAsciiLetter(c) || isAsciiDigit(c) || c == u'-')
                  : !c.isLetterOrNumber() && !c.isMark())
            return false;
    }
    return true;
}

// The text after a scheme: "scheme://" anywhere at the start, or letters and a colon not followed by a
// port's digits (the stored form of a typed address keeps "https:" without its slashes). Leading slashes
// go too ("//host/path", as imports store addresses).
QStringView afterScheme(QStringView text) {
    const qsizetype slashes = text.indexOf(u"://");
    if (slashes > 0) {
        bool scheme = isAsciiLetter(text[0]);
        for (qsizetype i = 1; i < slashes && scheme; ++i)
            scheme = isAsciiLetter(text[i]) || isAsciiDigit(text[i]) || text[i] == u'+' || text[i] == u'-' ||
                     text[i] == u'.';
        if (scheme)
            text = text.mid(slashes + 3);
    } else {
        qsizetype letters = 0;
        while (letters < text.size() && isAsciiLetter(text[letters]))
            ++letters;
        if (letters > 0 && letters < text.size() && text[letters] == u':' &&
            (letters + 1 == text.size() || !isAsciiDigit(text[letters + 1])))
            text = text.mid(letters + 1);
    }
    while (text.startsWith(u'/') || text.startsWith(u'\\'))
        text = text.mid(1);
    return text;
}

// The host of an authority ("user@host:port"), folded; empty when implausible.
QString hostOfAuthority(QStringView authority) {
    const qsizetype at = authority.lastIndexOf(u'@');
    if (at >= 0)
        authority = authority.mid(at + 1);
    const qsizetype colon = authority.indexOf(u':');
    if (colon >= 0) {
        const QStringView port = authority.mid(colon + 1);
        for (const QChar c : port)
            if (!isAsciiDigit(c))
                return {};
        authority = authority.first(colon);
    }
    QString host = foldAscii(authority);
    return comparableHost(host).isEmpty() ? QString() : host;
}

qsizetype firstOf(QStringView text, QStringView characters) {
    for (qsizetype i = 0; i < text.size(); ++i)
        if (characters.contains(text[i]) || text[i].isSpace())
            return i;
    return -1;
}

} // namespace

QString comparableHost(QStringView host) {
    if (host.endsWith(u'.'))
        host.chop(1);
    if (host.isEmpty() || host.size() > kLongestHost)
        return {};
    const QList<QStringView> labels = host.split(u'.');
    if (labels.size() < 2)
        return {};
    for (const QStringView label : labels)
        if (!plausibleLabel(label))
            return {};
    const QByteArray ace = QUrl::toAce(host.toString(), QUrl::IgnoreIDNWhitelist);
    if (ace.isEmpty() || ace.size() > kLongestHost)
        return {};
    return foldAscii(QString::fromLatin1(ace));
}

QString hostOfAddress(QStringView address) {
    QStringView text = afterScheme(address.trimmed());
    const qsizetype end = firstOf(text, u"/\\?#");
    if (end >= 0)
        text = text.first(end);
    return hostOfAuthority(text);
}

QString hostOfShownAddress(QStringView shown) {
    QStringView text = shown.trimmed();
    const qsizetype space = firstOf(text, u"");
    if (space >= 0)
        text = text.first(space);
    text = afterScheme(text);
    qsizetype cut = text.indexOf(u"...");
    const qsizetype ellipsis = text.indexOf(u'…');
    if (ellipsis >= 0 && (cut < 0 || ellipsis < cut))
        cut = ellipsis;
    const qsizetype end = firstOf(text, u"/\\?#");
    if (cut >= 0 && (end < 0 || cut < end))
        return {}; // the cut reaches into the host: what is left of it may be another site's beginning
    if (end >= 0)
        text = text.first(end);
    return hostOfAuthority(text);
}

bool isRedirectLink(QStringView link) {
    const QUrl url(link.trimmed().toString());
    if (!url.isValid())
        return false;
    const QString path = url.path();
    return (path == u"/link" || path.endsWith(u"/link")) &&
           QUrlQuery(url).hasQueryItem(QStringLiteral("url"));
}

} // namespace quorvane
