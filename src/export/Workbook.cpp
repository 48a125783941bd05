#include "export/Workbook.h"

#include "export/AtomicSave.h"
#include "export/FileErrors.h"
#include "export/NewWorkbookWriter.h"
#include "export/TemplatePackage.h"
#include "export/WorkbookError.h"

namespace quorvane {

Workbook::Workbook() = default;
Workbook::Workbook(Workbook&&) noexcept = default;
Workbook& Workbook::operator=(Workbook&&) noexcept = default;
Workbook::~Workbook() = default;

Workbook Workbook::create() {
    return Workbook();
}

Workbook Workbook::openCopy(const QString& templatePath) {
    Workbook book;
    book.template_ = std::make_unique<TemplatePackage>(TemplatePackage::read(templatePath));
    book.sheet_.setName(book.template_->sheetName());
    return book;
}

void Workbook::setSheetName(const QString& name) {
    sheet_.setName(name);
}

void Workbook::merge(QStringView range) {
    sheet_.merge(parseRange(range));
}

void Workbook::setFontSize(QStringView range, double points) {
    sheet_.setFontSize(parseRange(range), points);
}

void Workbook::setBold(QStringView range, bool bold) {
    sheet_.setBold(parseRange(range), bold);
}

void Workbook::setFontName(QStringView range, const QString& fontName) {
    sheet_.setFontName(parseRange(range), fontName);
}

void Workbook::centreHorizontally(QStringView range) {
    sheet_.setCentred(parseRange(range));
}

void Workbook::setThinBorders(QStringView range) {
    sheet_.setThinBorders(parseRange(range));
}

void Workbook::setColumnWidth(int column, double width) {
    sheet_.setColumnWidth(column, width);
}

void Workbook::setText(int row, int column, const QString& text) {
    sheet_.setText(row, column, text);
}

void Workbook::setNumber(int row, int column, double value) {
    sheet_.setNumber(row, column, value);
}

void Workbook::setFormula(int row, int column, const QString& formula, const QString& cachedResult) {
    sheet_.setFormula(row, column, formula, cachedResult);
}

void Workbook::save(const QString& path) const {
    QByteArray package;
    try {
        package = template_ ? template_->filled(sheet_) : writeNewWorkbook(sheet_);
    } catch (const WorkbookError& error) {
        throw WorkbookError(QStringLiteral("无法保存文件") + quotedPath(path) + u'：' + error.message(),
                            error.failure());
    }
    saveAtomically(path, package);
}

} // namespace quorvane
