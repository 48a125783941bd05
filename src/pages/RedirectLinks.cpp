#include "pages/RedirectLinks.h"

#include <QByteArray>
#include <QUrl>
#include <QUrlQuery>

namespace quorvane {

namespace {

bool isWebAddress(QStringView address) {
    return address.startsWith(u"http://", Qt::CaseInsensitive) ||
           address.startsWith(u"https://", Qt::CaseInsensitive);
}

QString percentDecoded(QStringView text) {
    return QUrl::fromPercentEncoding(text.toUtf8());
}

// The raw value of a query parameter (before percent-decoding), or a null text.
QString queryValue(QStringView query, QStringView name) {
    for (QStringView pair : query.split(u'&')) {
        const qsizetype equals = pair.indexOf(u'=');
        if (equals > 0 && pair.first(equals) == name)
            return pair.sliced(equals + 1).toString();
    }
    return {};
}

QString googleTarget(QStringView link) {
    const qsizetype question = link.indexOf(u'?');
    if (question < 0)
        return {};
    QStringView path = link.first(question);
    if (!path.endsWith(u"/url"))
        return {};
    const QStringView query = link.sliced(question + 1);
    for (QStringView name : {QStringView(u"q"), QStringView(u"url")}) {
        const QString value = queryValue(query, name);
        if (!value.isNull())
            return percentDecoded(value);
    }
    return {};
}

QString yahooTarget(QStringView link) {
    const qsizetype start = link.indexOf(u"/RU=");
    if (start < 0)
        return {};
    const qsizetype end = link.indexOf(u"/RK=", start + 4);
    if (end < 0)
        return {};
    return percentDecoded(link.sliced(start + 4, end - start - 4));
}

QString bingTarget(QStringView link) {
    const qsizetype question = link.indexOf(u'?');
    if (question < 0 || !link.first(question).endsWith(u"/ck/a"))
        return {};
    const QString value = queryValue(link.sliced(question + 1), u"u");
    if (!value.startsWith(u"a1"))
        return {};
    const auto decoded = QByteArray::fromBase64Encoding(
        percentDecoded(QStringView(value).sliced(2)).toLatin1(),
        QByteArray::Base64UrlEncoding | QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? QString::fromUtf8(*decoded) : QString();
}

} // namespace

QString unwrapRedirect(QStringView link) {
    for (QString (*target)(QStringView) : {googleTarget, yahooTarget, bingTarget}) {
        const QString address = target(link);
        if (isWebAddress(address))
            return address;
    }
    return link.toString();
}

} // namespace quorvane
