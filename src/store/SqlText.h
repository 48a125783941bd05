#pragma once

#include <QDate>
#include <QString>

namespace quorvane {

// Helpers for the statements the program builds by concatenation.

// 'text' with every inner single quote doubled.
QString QuotedStr(const QString& text);
// The Jet date literal of a day: #YYYY-MM-DD#, for WHERE clauses.
QString JetDate(const QDate& date);
// A day as written by INSERT and UPDATE: 'yyyy-mm-dd'.
QString SqlDate(const QDate& date);
// The day's text without quotes, yyyy-mm-dd.
QString DateText(const QDate& date);

} // namespace quorvane
