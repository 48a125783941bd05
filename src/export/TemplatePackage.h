#pragma once

#include "export/SheetModel.h"

#include <QByteArray>
#include <QString>

namespace quorvane {

// A template workbook read into memory, with the parts that the fill changes located through the
// package's relationships: the workbook, its first sheet and its styles.
class TemplatePackage {
public:
    // Throws WorkbookError, in the program's language, naming the file and what is wrong when it is
    // missing or unreadable, not a workbook, larger than its bounds once inflated (ZipPackage's limits,
    // counted while inflating), holds a document type declaration in any part, or lacks the first
    // sheet, its cell data or the styles.
    static TemplatePackage read(const QString& path);

    const QString& sheetName() const { return sheetName_; }

    // The template with sheet 1 renamed and filled from the sheet, and the chart series that refer to
    // sheet 1 set to the rows written from row 3 on. Every other part is copied unchanged.
    QByteArray filled(const SheetModel& sheet) const;

private:
    TemplatePackage() = default;

    QString path_;
    QByteArray bytes_;
    QString workbookPart_;
    QString sheetPart_;
    QString stylesPart_;
    QString appPart_; // empty when the package has no extended properties
    QString sheetName_;
};

} // namespace quorvane
