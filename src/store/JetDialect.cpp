#include "store/JetDialect.h"

#include <QRegularExpression>

namespace quorvane {
namespace {

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
    return translateAlterType(sql);
}

} // namespace quorvane
