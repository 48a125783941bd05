#pragma once

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
// unreadable is reported by the general error report naming the file, and nothing is written. Reports
// "导出数据成功!" or, when a row or the save fails, "导出数据失败!" with the reason. The template itself is
// only read. The history's current row stays where it was.
void exportHistory(QWidget* window, Recordset& historyRows,
                   const QString& templatePath = historyTemplatePath(),
                   const QDate& today = QDate::currentDate());

} // namespace quorvane
