#pragma once

#include <QDate>
#include <QString>

namespace quorvane {

// Helpers for statement texts built by concatenation (test and benchmark fixtures; the program binds its
// values, Statement.h).

// 'text' with every inner single quote doubled.
QString quotedStr(const QString& text);
// A day as written by INSERT and UPDATE: 'yyyy-mm-dd'.
QString sqlDate(const QDate& date);
// The day's text without quotes, yyyy-mm-dd.
QString dateText(const QDate& date);

} // namespace quorvane
