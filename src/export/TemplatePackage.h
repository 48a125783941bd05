#pragma once

#include "export/ChartValues.h"
#include "export/SheetModel.h"

#include <QByteArray>
#include <QString>

#include <pugixml.hpp>

#include <memory>
#include <vector>

namespace quorvane {

// A template workbook read into memory, with the parts that the fill changes located through the
// package's relationships: the workbook, its first sheet and its styles, the last two parsed.
class TemplatePackage {
public:
    // Throws WorkbookError, in the program's language, naming the file and what is wrong when it is
    // missing or unreadable, not a workbook, larger than its bounds once inflated (ZipPackage's limits,
    // counted while inflating), holds a document type declaration in any part, or lacks the first
    // sheet, its cell data or the styles.
    static TemplatePackage read(const QString& path);

    const QString& sheetName() const { return sheetName_; }
    // The columns of sheet 1 whose data rows the template's charts draw.
    const std::vector<int>& chartColumns() const { return chartColumns_; }
    // The parsed first sheet and styles, for the fill to change; each can be taken once.
    std::unique_ptr<pugi::xml_document> takeWorksheet();
    std::unique_ptr<pugi::xml_document> takeStyles();

    // The template with sheet 1 renamed, its part taken from worksheetFile and the styles part replaced,
    // the formulas, names and chart references that named sheet 1 renamed, and the chart series that
    // refer to its data rows set to the rows written from row 3 on, their caches from chartValues.
    // Every other part is copied unchanged.
    QByteArray filled(const SheetModel& sheet, const QString& worksheetFile, QByteArray styles,
                      const ChartValues& chartValues) const;

private:
    TemplatePackage() = default;

    QString path_;
    QByteArray bytes_;
    QString workbookPart_;
    QString sheetPart_;
    QString stylesPart_;
    QString appPart_; // empty when the package has no extended properties
    QString sheetName_;
    std::unique_ptr<pugi::xml_document> worksheet_;
    std::unique_ptr<pugi::xml_document> styles_;
    std::vector<int> chartColumns_;
};

} // namespace quorvane
