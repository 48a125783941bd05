#include "store/SqlText.h"

namespace quorvane {

QString QuotedStr(const QString& text) {
    QString doubled = text;
    doubled.replace(u'\'', QStringLiteral("''"));
    return u'\'' + doubled + u'\'';
}

QString DateText(const QDate& date) {
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString JetDate(const QDate& date) {
    return u'#' + DateText(date) + u'#';
}

QString SqlDate(const QDate& date) {
    return u'\'' + DateText(date) + u'\'';
}

} // namespace quorvane
