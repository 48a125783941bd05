#include "export/TemplateFill.h"

#include "export/XmlPart.h"

namespace quorvane {

namespace {

ChartValues watching(const std::vector<int>& columns) {
    ChartValues values;
    for (const int column : columns)
        values.watch(column);
    return values;
}

} // namespace

TemplateFill::TemplateFill(const QString& templatePath)
    : package_(TemplatePackage::read(templatePath))
    , styles_(package_.takeStyles())
    , templateStyles_(*styles_)
    , chartValues_(watching(package_.chartColumns()))
    , sheet_(package_.takeWorksheet(), templateStyles_, package_.sheetName(), chartValues_) {}

TemplateFill::~TemplateFill() = default;

void TemplateFill::writeRow(int row, const SheetModel& sheet) {
    sheet_.writeRow(row, sheet);
}

QByteArray TemplateFill::finish(const SheetModel& sheet) {
    ScratchFile worksheet;
    sheet_.finish(sheet, worksheet);
    return package_.filled(sheet, worksheet.path(), serializeXmlPart(*styles_), chartValues_);
}

} // namespace quorvane
