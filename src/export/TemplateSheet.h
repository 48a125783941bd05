#pragma once

#include "export/ChartValues.h"
#include "export/ScratchFile.h"
#include "export/SheetModel.h"
#include "export/TemplateStyles.h"

#include <QByteArray>

#include <pugixml.hpp>

#include <memory>
#include <string>

namespace quorvane {

// Names newName instead of oldName in the formulas of a worksheet: its cells' (shared ones included),
// its conditional formats' and validations' (also in the extensions of newer programs) and the targets
// of its links inside the workbook. Rows stay. Returns whether anything changed.
bool renameInWorksheet(pugi::xml_node node, const QString& oldName, const QString& newName);

// A template's first sheet, filled row by row as the sheet's rows are final. Each row is merged into the
// template's row of the same number and written to a temporary file together with the template's rows
// before it, so that only the template's rows not yet reached stay in memory. Cells the sheet does not
// touch keep their content and format; a cell the sheet formats keeps the template's format for it (its
// own, else its row's or column's) with only what the style sets changed. The values of the columns
// the template's charts draw are kept in chartValues. The template's own formulas take the sheet's
// name when it was renamed.
class TemplateSheetWriter {
public:
    // templateName: the sheet's name in the template.
    TemplateSheetWriter(std::unique_ptr<pugi::xml_document> worksheet, TemplateStyles& styles,
                        const QString& templateName, ChartValues& chartValues);
    ~TemplateSheetWriter();
    TemplateSheetWriter(const TemplateSheetWriter&) = delete;
    TemplateSheetWriter& operator=(const TemplateSheetWriter&) = delete;

    void writeRow(int row, const SheetModel& sheet);
    // Writes the whole part to `part`: the template's remaining rows, the column widths, the merges and
    // the dimension around the rows written.
    void finish(const SheetModel& sheet, ScratchFile& part);

private:
    std::string name(const char* local) const { return p_ + local; }
    // Serializes the row to the rows written and drops it from the document.
    void writeOut(pugi::xml_node rowNode);
    void renameTemplateFormulas(pugi::xml_node node, const SheetModel& sheet) const;
    void emitTemplateRowsBefore(int row, const SheetModel& sheet);
    void fillRow(pugi::xml_node rowNode, int row, const SheetModel& sheet);
    void writeCell(pugi::xml_node cellNode, const SheetCell& cell, unsigned base, const SheetModel& sheet);
    unsigned columnStyle(int column) const;
    void writeColumnWidths(const SheetModel& sheet);
    void writeMerges(const SheetModel& sheet);
    void updateDimension(const SheetModel& sheet);

    std::unique_ptr<pugi::xml_document> document_;
    pugi::xml_node root_;
    pugi::xml_node sheetData_;
    TemplateStyles& styles_;
    QString templateName_;
    ChartValues& chartValues_;
    std::string p_;
    ScratchFile rows_;   // the rows written so far
    QByteArray pending_; // rows not yet in rows_
};

} // namespace quorvane
