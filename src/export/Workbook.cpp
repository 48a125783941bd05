#include "export/Workbook.h"

#include "export/AtomicSave.h"
#include "export/FileErrors.h"
#include "export/NewWorkbookWriter.h"
#include "export/TemplateFill.h"
#include "export/WorkbookError.h"

namespace quorvane {

Workbook::Workbook(std::unique_ptr<SheetOutput> output)
    : output_(std::move(output)) {}
Workbook::Workbook(Workbook&&) noexcept = default;
Workbook& Workbook::operator=(Workbook&&) noexcept = default;
Workbook::~Workbook() = default;

Workbook Workbook::create() {
    return Workbook(std::make_unique<NewWorkbookWriter>());
}

Workbook Workbook::openCopy(const QString& templatePath) {
    auto fill = std::make_unique<TemplateFill>(templatePath);
    const QString name = fill->sheetName();
    Workbook book(std::move(fill));
    book.copiesTemplate_ = true;
    book.sheet_.setName(name);
    return book;
}

void Workbook::beginRow(int row) {
    if (!output_)
        throw WorkbookError(QStringLiteral("工作簿已经保存，不能再更改。"));
    const int firstOpen = sheet_.firstOpenRow();
    if (row <= firstOpen)
        return;
    for (int r = firstOpen; r < row && r <= sheet_.rowCount(); ++r) {
        rowsWritten_ = true;
        output_->writeRow(r, sheet_);
    }
    sheet_.dropRowsBefore(row);
}

void Workbook::setSheetName(const QString& name) {
    // The rows written out already name the sheet (in the template's own formulas, in the package).
    if (rowsWritten_ && name != sheet_.name())
        throw WorkbookError(QStringLiteral("工作表名称须在写出第一行之前设置。"));
    sheet_.setName(name);
}

void Workbook::merge(QStringView range) {
    const CellRange cells = parseRange(range);
    beginRow(cells.firstRow);
    sheet_.merge(cells);
}

void Workbook::setFontSize(QStringView range, double points) {
    const CellRange cells = parseRange(range);
    beginRow(cells.firstRow);
    sheet_.setFontSize(cells, points);
}

void Workbook::setBold(QStringView range, bool bold) {
    const CellRange cells = parseRange(range);
    beginRow(cells.firstRow);
    sheet_.setBold(cells, bold);
}

void Workbook::setFontName(QStringView range, const QString& fontName) {
    const CellRange cells = parseRange(range);
    beginRow(cells.firstRow);
    sheet_.setFontName(cells, fontName);
}

void Workbook::centreHorizontally(QStringView range) {
    const CellRange cells = parseRange(range);
    beginRow(cells.firstRow);
    sheet_.setCentred(cells);
}

void Workbook::setThinBorders(QStringView range) {
    const CellRange cells = parseRange(range);
    beginRow(cells.firstRow);
    sheet_.setThinBorders(cells);
}

void Workbook::setColumnWidth(int column, double width) {
    if (!output_)
        throw WorkbookError(QStringLiteral("工作簿已经保存，不能再更改。"));
    sheet_.setColumnWidth(column, width);
}

void Workbook::setRowHeight(int row, double points) {
    beginRow(row);
    sheet_.setRowHeight(row, points);
}

void Workbook::printLandscapeOnePageWide() {
    if (!output_)
        throw WorkbookError(QStringLiteral("工作簿已经保存，不能再更改。"));
    if (copiesTemplate_)
        throw WorkbookError(QStringLiteral("模板的副本按模板的页面设置打印。"));
    sheet_.setPrintLandscapeOnePageWide();
}

void Workbook::setText(int row, int column, const QString& text) {
    beginRow(row);
    sheet_.setText(row, column, text);
}

void Workbook::setNumber(int row, int column, double value) {
    beginRow(row);
    sheet_.setNumber(row, column, value);
}

void Workbook::setFormula(int row, int column, const QString& formula, const QString& cachedResult) {
    beginRow(row);
    sheet_.setFormula(row, column, formula, cachedResult);
}

void Workbook::save(const QString& path) {
    if (!package_) {
        if (!output_)
            throw WorkbookError(QStringLiteral("工作簿在上次保存时出错，无法再保存。"));
        // Whatever happens now, the output is spent.
        const std::unique_ptr<SheetOutput> output = std::move(output_);
        try {
            for (int r = sheet_.firstOpenRow(); r <= sheet_.rowCount(); ++r)
                output->writeRow(r, sheet_);
            sheet_.dropRowsBefore(sheet_.rowCount() + 1);
            package_ = output->finish(sheet_);
        } catch (const WorkbookError& error) {
            throw WorkbookError(QStringLiteral("无法保存文件") + quotedPath(path) + u'：' + error.message(),
                                error.failure());
        }
    }
    saveAtomically(path, *package_);
}

} // namespace quorvane
