#pragma once

#include "export/ExportSteps.h"

#include <QDate>
#include <QString>

class QWidget;

namespace quorvane {

class Recordset;

inline constexpr char16_t kHistoryTemplateName[] = u"历史记录曲线排名模板.xls";
inline constexpr char16_t kHistorySheet[] = u"关键词和链接历史记录";
inline constexpr char16_t kHistoryStem[] = u"关键词和链接历史记录";

// The history template in the program's folder.
QString historyTemplatePath();

// "导出" of the history grid: fills a copy of the history template with the history rows on display
// (keyword, URL, the ranks of the engines the oldest files knew, day; from row 3 on) and saves it under the
// name the user chooses. A cancelled dialog ends the command at once. A template that is missing or
// unreadable ends it as BookUnusable, the reason naming the file, and nothing is written. Otherwise Saved,
// or Failed with the reason when a row or the save fails. The template itself is only read. The history's
// current row stays where it was.
ExportResult exportHistory(QWidget* window, Recordset& historyRows,
                           const QString& templatePath = historyTemplatePath(),
                           const QDate& today = QDate::currentDate());

} // namespace quorvane
