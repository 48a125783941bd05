#pragma once

#include "export/ExportSteps.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QStringView>

class QTableView;
class QWidget;

namespace quorvane {

class Recordset;

inline constexpr char16_t kLatestResultsSheet[] = u"最新排名结果";
inline constexpr char16_t kLatestResultsStem[] = u"最新排名结果";
inline constexpr char16_t kLatestResultsTitle[] = u"最新排名记录表";
inline constexpr char16_t kLatestResultsFont[] = u"微软雅黑";

// The titles of a grid's columns in the order the grid shows them now, after any column the user moved.
QStringList columnTitlesOnDisplay(const QTableView& grid);

// The cell formula of a rank cell text: a link to the engine's first result page for the keyword (the
// page "打开搜索页" opens) that shows the rank, when the text is a whole number above 0; otherwise empty.
QString rankLinkFormula(QStringView engine, const QString& keyword, const QString& rankText);

// "导出" of the mission grid: writes the mission list, in the order on display, into a new workbook that
// the user names in the save dialog. A cancelled dialog ends the command at once. Saved, or Failed with the
// reason when a row or the save fails (no file is then left at the chosen name; an existing file there keeps
// its content). The grid and the mission list's current row stay where they are, during the export and
// after it.
ExportResult exportLatestResults(QWidget* window, Recordset& missions, const QTableView& missionGrid,
                                 const QDate& today = QDate::currentDate());

} // namespace quorvane
