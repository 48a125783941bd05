#include "export/NewWorkbookWriter.h"

#include "export/FileErrors.h"
#include "export/WorkbookError.h"
#include "export/XmlPart.h"

#include <QFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <cerrno>
#include <memory>
#include <vector>

namespace quorvane {

namespace {

// Closing a libxlsxwriter workbook also writes it; on the error paths that only fills the temporary
// folder, which goes away with it.
struct WorkbookCloser {
    void operator()(lxw_workbook* book) const { workbook_close(book); }
};
using WorkbookHandle = std::unique_ptr<lxw_workbook, WorkbookCloser>;

[[noreturn]] void failWith(const QString& what, lxw_error error) {
    throw WorkbookError(what + QStringLiteral("（") + QString::fromUtf8(lxw_strerror(error)) +
                        QStringLiteral("）。"));
}

void check(lxw_error error, int row, int column) {
    if (error != LXW_NO_ERROR)
        failWith(QStringLiteral("无法写入单元格 ") + cellName(row, column), error);
}

// One libxlsxwriter format per style of the sheet, made when a cell first uses it. The workbook owns
// the formats.
class Formats {
public:
    Formats(lxw_workbook* book, const SheetModel& sheet)
        : book_(book)
        , sheet_(sheet)
        , formats_(sheet.styleCount(), nullptr) {}

    lxw_format* get(std::uint32_t styleId) {
        if (styleId == 0)
            return nullptr;
        lxw_format*& format = formats_[styleId];
        if (!format) {
            const CellStyle& style = sheet_.style(styleId);
            format = workbook_add_format(book_);
            if (!format)
                throw WorkbookError(QStringLiteral("内存不足，无法添加单元格格式。"));
            if (!style.fontName.isEmpty())
                format_set_font_name(format, style.fontName.constData());
            if (style.fontSize > 0)
                format_set_font_size(format, style.fontSize);
            if (style.bold)
                format_set_bold(format);
            if (style.centred)
                format_set_align(format, LXW_ALIGN_CENTER);
            if (style.thinBorders)
                format_set_border(format, LXW_BORDER_THIN);
        }
        return format;
    }

private:
    lxw_workbook* book_;
    const SheetModel& sheet_;
    std::vector<lxw_format*> formats_;
};

void writeCell(lxw_worksheet* ws, int row, int column, const SheetCell& cell, lxw_format* format) {
    const auto r = static_cast<lxw_row_t>(row - 1);
    const auto c = static_cast<lxw_col_t>(column - 1);
    switch (cell.kind()) {
    case CellKind::Empty:
    case CellKind::Blank:
        if (format)
            check(worksheet_write_blank(ws, r, c, format), row, column);
        break;
    case CellKind::Text:
        // The library escapes what XML cannot carry but not a literal "_xHHHH_", which readers would
        // decode; escapeSpreadsheetText does both, leaving the library nothing to change.
        check(worksheet_write_string(ws, r, c, escapeSpreadsheetText(cell.content()).constData(), format),
              row, column);
        break;
    case CellKind::Number:
        check(worksheet_write_number(ws, r, c, cell.content().toDouble(), format), row, column);
        break;
    case CellKind::Formula: {
        const char* formula = cell.content().data();
        const QByteArrayView cached = cell.cachedResult();
        if (cached.isEmpty())
            check(worksheet_write_formula(ws, r, c, formula, format), row, column);
        else
            check(worksheet_write_formula_str(ws, r, c, formula, format,
                                              escapeSpreadsheetText(cached).constData()),
                  row, column);
        break;
    }
    }
}

void writeSheet(lxw_workbook* book, lxw_worksheet* ws, const SheetModel& sheet) {
    for (const auto& [column, width] : sheet.columnWidths())
        check(worksheet_set_column(ws, column - 1, column - 1, width, nullptr), 1, column);

    // In constant-memory mode rows go out in order and a row is final once a later one is begun, so a
    // merge is declared when its first row comes up. With no text and no format it only records the
    // range; the cells are written with their own formats afterwards.
    std::vector<std::vector<CellRange>> mergesByRow(sheet.rowCount() + 1);
    for (const CellRange& m : sheet.merges())
        mergesByRow[m.firstRow].push_back(m);

    Formats formats(book, sheet);
    for (int row = 1; row <= sheet.rowCount(); ++row) {
        for (const CellRange& m : mergesByRow[row]) {
            const lxw_error error = worksheet_merge_range(ws, m.firstRow - 1, m.firstColumn - 1,
                                                          m.lastRow - 1, m.lastColumn - 1, "", nullptr);
            if (error != LXW_NO_ERROR)
                failWith(QStringLiteral("无法合并 ") + cellName(m.firstRow, m.firstColumn) + u':' +
                             cellName(m.lastRow, m.lastColumn),
                         error);
        }
        const std::vector<SheetCell>& cells = sheet.row(row);
        for (int column = 1; column <= static_cast<int>(cells.size()); ++column) {
            const SheetCell& cell = cells[column - 1];
            writeCell(ws, row, column, cell, formats.get(cell.styleId()));
        }
    }
}

} // namespace

QByteArray writeNewWorkbook(const SheetModel& sheet) {
    const QTemporaryDir folder;
    if (!folder.isValid())
        throw WorkbookError(QStringLiteral("无法创建临时文件夹：") + folder.errorString() + u'。');
    const QByteArray path = QFile::encodeName(folder.filePath(QStringLiteral("workbook.xlsx")));
    QByteArray tmpdir = QFile::encodeName(folder.path());

    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = tmpdir.data();
    WorkbookHandle book(workbook_new_opt(path.constData(), &options));
    if (!book)
        throw WorkbookError(QStringLiteral("无法新建工作簿。"));

    lxw_worksheet* ws = workbook_add_worksheet(book.get(), sheet.name().toUtf8().constData());
    if (!ws)
        throw WorkbookError(QStringLiteral("工作表名称“") + sheet.name() + QStringLiteral("”无效。"));
    writeSheet(book.get(), ws, sheet);

    errno = 0;
    const lxw_error closed = workbook_close(book.release());
    if (closed != LXW_NO_ERROR) {
        // The library names the system's reason only on its error output; errno still holds it.
        const int error = errno;
        if (error != 0)
            throw fileError(QStringLiteral("无法写入临时文件"), QFile::decodeName(path), error);
        failWith(QStringLiteral("无法生成工作簿"), closed);
    }

    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly))
        throw WorkbookError(QStringLiteral("无法读取生成的工作簿：") + file.errorString() + u'。');
    return file.readAll();
}

} // namespace quorvane
