#pragma once

#include <QDate>
#include <QString>

namespace quorvane {

// Helpers for the statements the program builds by concatenation.

// 'text' with every inner single quote doubled.
QString quotedStr(const QString& text);
// The Jet date literal of a day: #YYYY-MM-DD#, for WHERE clauses.
QString jetDate(const QDate& date);
// A day as written by INSERT and UPDATE: 'yyyy-mm-dd'.
QString sqlDate(const QDate& date);
// The day's text without quotes, yyyy-mm-dd.
QString dateText(const QDate& date);

} // namespace quorvane
