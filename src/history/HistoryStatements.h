#pragma once

#include "store/Statement.h"

#include <QDate>
#include <QString>
#include <QStringView>

namespace quorvane {

// The statements of the history grid and the trend chart, and the engine facts both need.

// The engines' buttons are the engine table's rows, in its order (catalog/EngineCatalog.h).

// The chart frame's caption: which of the two ranks the curve of the engine with two draws.
QString chartCaption();

// The history column drawn for an engine name (exact, case-sensitive); empty for any other text. The engine
// with two ranks is drawn from the rank without promoted results.
QString chartRankColumn(QStringView engine);

// The rows of one keyword/URL pair between two days, both included, newest first.
BoundSql historyStatement(const QString& keyWordId, const QString& webId, const QDate& first,
                          const QDate& last);

// The chart's rows of one pair between two days for one engine: only days with a rank, oldest first.
// Empty for an unknown engine name.
BoundSql trendStatement(const QString& keyWordId, const QString& webId, const QDate& first, const QDate& last,
                        QStringView engine);

// The engine whose result page a double click on a mission-grid column opens: the engine whose first rank
// column it is. Empty for a second rank column and every column that is not a rank.
QString engineOfMissionField(QStringView fieldName);

} // namespace quorvane
