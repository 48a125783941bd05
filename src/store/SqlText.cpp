#include "store/SqlText.h"

namespace quorvane {

QString quotedStr(const QString& text) {
    QString doubled = text;
    doubled.replace(u'\'', QStringLiteral("''"));
    return u'\'' + doubled + u'\'';
}

QString dateText(const QDate& date) {
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString sqlDate(const QDate& date) {
    return u'\'' + dateText(date) + u'\'';
}

} // namespace quorvane
