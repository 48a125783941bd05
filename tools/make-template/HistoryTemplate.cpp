#include "HistoryTemplate.h"

#include "export/AtomicSave.h"
#include "export/WorkbookError.h"

#include <QFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <cstdio>
#include <memory>

namespace quorvane {

namespace {

struct WorkbookCloser {
    void operator()(lxw_workbook* book) const { workbook_close(book); }
};
using WorkbookHandle = std::unique_ptr<lxw_workbook, WorkbookCloser>;

// The name the export replaces; it only has to be a valid one.
const char* const kSheetName = "历史记录";
constexpr lxw_row_t kHeaderRow = 1;
constexpr lxw_row_t kFirstDataRow = 2; // zero-based: row 3

void writeRows(lxw_workbook* book, lxw_worksheet* sheet) {
    lxw_format* title = workbook_add_format(book);
    format_set_bold(title);
    format_set_font_size(title, 14);
    format_set_align(title, LXW_ALIGN_CENTER);
    worksheet_merge_range(sheet, 0, 0, 0, 4, "关键词和链接历史排名", title);

    lxw_format* header = workbook_add_format(book);
    format_set_bold(header);
    format_set_align(header, LXW_ALIGN_CENTER);
    format_set_border(header, LXW_BORDER_THIN);
    // A 14-point title in a row of the default height would be cut at the bottom when printed.
    worksheet_set_row(sheet, 0, 20, nullptr);
    const char* const headers[] = {"关键词", "相关链接", "Baidu", "Google", "日期"};
    const double widths[] = {20, 30, 10, 10, 14};
    for (lxw_col_t column = 0; column < 5; ++column) {
        worksheet_write_string(sheet, kHeaderRow, column, headers[column], header);
        worksheet_set_column(sheet, column, column, widths[column], nullptr);
    }
}

void addChart(lxw_workbook* book, lxw_worksheet* sheet) {
    lxw_chart* chart = workbook_add_chart(book, LXW_CHART_LINE);
    // The series start on the first data row alone; the export sets their last row.
    for (const lxw_col_t column : {lxw_col_t{2}, lxw_col_t{3}}) {
        lxw_chart_series* series = chart_add_series(chart, nullptr, nullptr);
        chart_series_set_name_range(series, kSheetName, kHeaderRow, column);
        chart_series_set_categories(series, kSheetName, kFirstDataRow, 4, kFirstDataRow, 4);
        chart_series_set_values(series, kSheetName, kFirstDataRow, column, kFirstDataRow, column);
        chart_series_set_marker_type(series, LXW_CHART_MARKER_AUTOMATIC);
    }
    chart_title_set_name(chart, "排名曲线");
    chart_axis_set_name(chart->x_axis, "日期");
    chart_axis_set_name(chart->y_axis, "排名");
    // The rows are newest first: the date axis runs from its last category to its first, so time goes from
    // left to right, and the rank axis crosses it at its (now left) end.
    chart_axis_set_reverse(chart->x_axis);
    chart_axis_set_crossing_max(chart->x_axis);
    // The best rank at the top; the date axis crosses the rank axis at its largest value, at the bottom,
    // so the dates stand under the plot.
    chart_axis_set_reverse(chart->y_axis);
    chart_axis_set_min(chart->y_axis, 1);
    chart_axis_set_crossing_max(chart->y_axis);
    chart_legend_set_position(chart, LXW_CHART_LEGEND_BOTTOM);

    // Beside the table from G2, 600 x 432 pixels: tall enough for a month of slanted dates under the plot,
    // low enough to end within the first landscape page.
    lxw_chart_options placement{};
    placement.x_scale = 1.25;
    placement.y_scale = 1.5;
    worksheet_insert_chart_opt(sheet, 1, 6, chart, &placement);
}

// Printed across the paper and scaled to one page wide, so the table and the chart beside it print on the
// first page together; longer tables go on down.
void setUpPage(lxw_worksheet* sheet) {
    worksheet_set_landscape(sheet);
    worksheet_fit_to_pages(sheet, 1, 0);
}

} // namespace

bool writeHistoryTemplate(const QString& path) {
    // Built in a folder of its own, then put in place the way the exports save: checked, synced and
    // renamed, so a full disk or an interrupted run leaves the file that was there.
    const QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "make-template: %s\n", qUtf8Printable(folder.errorString()));
        return false;
    }
    const QString built = folder.filePath(QStringLiteral("template.xlsx"));
    WorkbookHandle book(workbook_new(QFile::encodeName(built).constData()));
    if (!book)
        return false;
    lxw_worksheet* sheet = workbook_add_worksheet(book.get(), kSheetName);
    writeRows(book.get(), sheet);
    addChart(book.get(), sheet);
    setUpPage(sheet);
    const lxw_error error = workbook_close(book.release());
    if (error != LXW_NO_ERROR) {
        std::fprintf(stderr, "make-template: %s\n", lxw_strerror(error));
        return false;
    }
    QFile file(built);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "make-template: %s\n", qUtf8Printable(file.errorString()));
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        std::fprintf(stderr, "make-template: %s\n", qUtf8Printable(file.errorString()));
        return false;
    }
    try {
        saveAtomically(path, bytes);
    } catch (const WorkbookError& failure) {
        std::fprintf(stderr, "make-template: %s\n", qUtf8Printable(failure.message()));
        return false;
    }
    return true;
}

} // namespace quorvane
