#include "store/JetDialect.h"

#include <QRegularExpression>

namespace quorvane {
namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Reads "YYYY-M[M]-D[D]" starting at pos; returns the normalised date text or an empty string.
QString readIsoDate(const QString& s, qsizetype pos, qsizetype end) {
    const QStringView body = QStringView(s).mid(pos, end - pos);
    const auto parts = body.split(u'-');
    if (parts.size() != 3 || parts[0].size() != 4 || parts[1].isEmpty() || parts[1].size() > 2 ||
        parts[2].isEmpty() || parts[2].size() > 2)
        return {};
    for (const auto& p : parts)
        for (QChar c : p)
            if (!isDigit(c))
                return {};
    return parts[0].toString() + u'-' + parts[1].toString().rightJustified(2, u'0') + u'-' +
           parts[2].toString().rightJustified(2, u'0');
}

QString translateDateLiterals(const QString& sql) {
    QString out;
    out.reserve(sql.size());
    QChar quote;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (!quote.isNull()) {
            out += c;
            if (c == quote)
                quote = QChar(); // a doubled quote closes and reopens: the text stays untouched either way
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
            out += c;
            continue;
        }
        if (c == u'#') {
            const qsizetype close = sql.indexOf(u'#', i + 1);
            if (close > i && close - i <= 11) {
                const QString date = readIsoDate(sql, i + 1, close);
                if (!date.isEmpty()) {
                    out += u'\'' + date + u'\'';
                    i = close;
                    continue;
                }
            }
        }
        out += c;
    }
    return out;
}

QString translateAlterType(const QString& sql) {
    static const QRegularExpression alter(
        QStringLiteral(
            R"(^\s*alter\s+table\s+(\S+)\s+add\s+(?:column\s+)?(\S+)\s+(long|text\s*\(\s*(\d+)\s*\)|text)\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = alter.match(sql);
    if (!m.hasMatch())
        return sql;
    const QString table = m.captured(1);
    const QString column = m.captured(2);
    const QString type = m.captured(3).toLower();
    QString sqliteType;
    if (type == u"long")
        sqliteType = QStringLiteral("INTEGER");
    else if (!m.captured(4).isEmpty())
        sqliteType = QStringLiteral("TEXT COLLATE NOCASE CHECK (length(") + column + QStringLiteral(") <= ") +
                     m.captured(4) + u')';
    else
        sqliteType =
            QStringLiteral("TEXT COLLATE NOCASE CHECK (length(") + column + QStringLiteral(") <= 255)");
    return QStringLiteral("Alter Table ") + table + QStringLiteral(" Add ") + column + u' ' + sqliteType;
}

} // namespace

QString translateJet(const QString& sql) {
    return translateAlterType(translateDateLiterals(sql));
}

} // namespace quorvane
