#include "export/NewWorkbookWriter.h"

#include "export/FileErrors.h"
#include "export/WorkbookError.h"
#include "export/XmlPart.h"
#include "export/ZipPackage.h"

#include <QFile>

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <string_view>

namespace quorvane {

namespace {

[[noreturn]] void failWith(const QString& what, lxw_error error) {
    throw WorkbookError(what + QStringLiteral("（") + QString::fromUtf8(lxw_strerror(error)) +
                        QStringLiteral("）。"));
}

void check(lxw_error error, int row, int column) {
    if (error != LXW_NO_ERROR)
        failWith(QStringLiteral("无法写入单元格 ") + cellName(row, column), error);
}

// Writes one cell; false when the library was given nothing (an empty cell without a format).
bool writeCell(lxw_worksheet* ws, int row, int column, const SheetCell& cell, lxw_format* format) {
    const auto r = static_cast<lxw_row_t>(row - 1);
    const auto c = static_cast<lxw_col_t>(column - 1);
    switch (cell.kind()) {
    case CellKind::Empty:
    case CellKind::Blank:
        if (!format)
            return false;
        check(worksheet_write_blank(ws, r, c, format), row, column);
        return true;
    case CellKind::Text:
        // The library escapes what XML cannot carry but not a literal "_xHHHH_", which readers would
        // decode; escapeSpreadsheetText does both, leaving the library nothing to change.
        check(worksheet_write_string(ws, r, c, escapeSpreadsheetText(cell.content()).constData(), format),
              row, column);
        return true;
    case CellKind::Number:
        check(worksheet_write_number(ws, r, c, cell.content().toDouble(), format), row, column);
        return true;
    case CellKind::Formula: {
        const char* formula = cell.content().data();
        const QByteArrayView cached = cell.cachedResult();
        if (cached.isEmpty())
            check(worksheet_write_formula(ws, r, c, formula, format), row, column);
        else
            check(worksheet_write_formula_str(ws, r, c, formula, format,
                                              escapeSpreadsheetText(cached).constData()),
                  row, column);
        return true;
    }
    }
    return false;
}

// Counts "<row " across the pieces of a part and keeps its last bytes.
class RowCount {
public:
    void feed(const char* data, qsizetype size) {
        static constexpr std::string_view kRow = "<row ";
        for (qsizetype i = 0; i < size; ++i) {
            matched_ = data[i] == kRow[matched_] ? matched_ + 1 : data[i] == '<' ? 1 : 0;
            if (matched_ == kRow.size()) {
                ++rows_;
                matched_ = 0;
            }
        }
        const qsizetype kept = std::min<qsizetype>(size, 32);
        tail_ = QByteArray(tail_ + QByteArray(data + size - kept, kept)).right(32);
    }
    int rows() const { return rows_; }
    bool endsTheWorksheet() const { return tail_.trimmed().endsWith("</worksheet>"); }

private:
    size_t matched_ = 0;
    int rows_ = 0;
    QByteArray tail_;
};

} // namespace

NewWorkbookWriter::NewWorkbookWriter() {
    if (!folder_.isValid())
        throw WorkbookError(QStringLiteral("无法创建临时文件夹：") + folder_.errorString() + u'。');
    path_ = QFile::encodeName(folder_.filePath(QStringLiteral("workbook.xlsx")));
    tmpdir_ = QFile::encodeName(folder_.path());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = tmpdir_.data();
    book_ = workbook_new_opt(path_.constData(), &options);
    if (!book_)
        throw WorkbookError(QStringLiteral("无法新建工作簿。"));
}

NewWorkbookWriter::~NewWorkbookWriter() {
    // Closing also writes the package; on the error paths that only fills the temporary folder, which
    // goes away with this object.
    if (book_)
        workbook_close(book_);
}

lxw_worksheet* NewWorkbookWriter::worksheet(const SheetModel& sheet) {
    // Made when the first row goes out, so that it takes the name the sheet has by then.
    if (!sheet_) {
        sheet_ = workbook_add_worksheet(book_, sheet.name().toUtf8().constData());
        if (!sheet_)
            throw WorkbookError(QStringLiteral("工作表名称“") + sheet.name() + QStringLiteral("”无效。"));
    }
    return sheet_;
}

lxw_format* NewWorkbookWriter::format(const SheetModel& sheet, std::uint32_t styleId) {
    if (styleId == 0)
        return nullptr;
    if (formats_.size() <= styleId)
        formats_.resize(styleId + 1, nullptr);
    lxw_format*& format = formats_[styleId];
    if (!format) {
        const CellStyle& style = sheet.style(styleId);
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

void NewWorkbookWriter::writeRow(int row, const SheetModel& sheet) {
    lxw_worksheet* ws = worksheet(sheet);
    // Rows go out in order and a row is final once a later one is begun, so a merge is declared when its
    // first row comes up. With no text and no format it only records the range; the cells are written
    // with their own formats afterwards.
    for (const CellRange& m : sheet.merges()) {
        if (m.firstRow != row)
            continue;
        const lxw_error error = worksheet_merge_range(ws, m.firstRow - 1, m.firstColumn - 1, m.lastRow - 1,
                                                      m.lastColumn - 1, "", nullptr);
        if (error != LXW_NO_ERROR)
            failWith(QStringLiteral("无法合并 ") + cellName(m.firstRow, m.firstColumn) + u':' +
                         cellName(m.lastRow, m.lastColumn),
                     error);
    }
    // In constant memory a row's height goes out with the row, before its cells.
    if (const double height = sheet.rowHeight(row); height > 0)
        check(worksheet_set_row(ws, row - 1, height, nullptr), row, 1);
    bool written = false;
    const std::vector<SheetCell>& cells = sheet.row(row);
    for (int column = 1; column <= static_cast<int>(cells.size()); ++column) {
        const SheetCell& cell = cells[column - 1];
        written = writeCell(ws, row, column, cell, format(sheet, cell.styleId())) || written;
    }
    rowsWithCells_ += written ? 1 : 0;
}

QByteArray NewWorkbookWriter::finish(const SheetModel& sheet) {
    lxw_worksheet* ws = worksheet(sheet);
    if (sheet.printsLandscapeOnePageWide()) {
        worksheet_set_landscape(ws);
        worksheet_fit_to_pages(ws, 1, 0); // one page wide, as many down as needed
    }
    for (const auto& [column, width] : sheet.columnWidths())
        check(worksheet_set_column(ws, column - 1, column - 1, width, nullptr), 1, column);

    errno = 0;
    const lxw_error closed = workbook_close(book_);
    book_ = nullptr;
    const QString path = QFile::decodeName(path_);
    if (closed != LXW_NO_ERROR) {
        // The library names the system's reason only on its error output; errno still holds it.
        const int error = errno;
        if (error != 0)
            throw fileError(QStringLiteral("无法写入临时文件"), path, error);
        failWith(QStringLiteral("无法生成工作簿"), closed);
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw WorkbookError(QStringLiteral("无法读取生成的工作簿：") + file.errorString() + u'。');
    QByteArray package = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw WorkbookError(QStringLiteral("无法读取生成的工作簿：") + file.errorString() + u'。');

    // Every part inflates with its checksum, and the sheet holds every row given and its end: a
    // temporary file that could not be written whole shows here.
    const ZipPackage written(package);
    RowCount sheetRows;
    for (const QString& part : written.partNames()) {
        const bool isSheet = part == u"xl/worksheets/sheet1.xml";
        written.readInPieces(part, std::numeric_limits<qint64>::max(), [&](const char* data, qsizetype size) {
            if (isSheet)
                sheetRows.feed(data, size);
        });
    }
    if (sheetRows.rows() != rowsWithCells_ || !sheetRows.endsTheWorksheet())
        throw WorkbookError(QStringLiteral("临时文件夹") + quotedPath(folder_.path()) +
                                QStringLiteral("中的文件没有完整写入（磁盘空间可能不足）。"),
                            FileFailure::DiskFull);
    return package;
}

} // namespace quorvane
