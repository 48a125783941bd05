#pragma once

#include "export/SheetModel.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

namespace quorvane {

class SheetOutput;

// The spreadsheet facade the exports drive, one step per call, on sheet 1 of one workbook.
// Rows and columns count from 1; ranges are address texts such as "A2:K2".
// Every failure throws WorkbookError with a message that names the file or the address.
//
// A workbook is either new (create) or a copy of a template file (openCopy). Rows are written in
// ascending order and go out to a temporary file as soon as a later row is begun, so a workbook of any
// length takes the memory of a few rows: a call that changes a row before the one last begun throws,
// and the sheet's name is set before a row goes out. Nothing is written at the target before
// save(), which replaces it in one step: a failed save leaves an existing file as it was and no partial
// file behind. A template file is read once, at openCopy, and never written.
class Workbook {
public:
    // A new workbook with one empty sheet named "Sheet1".
    static Workbook create();
    // A copy of the workbook file at templatePath, to be filled and saved under another name.
    // Throws when the file is missing, unreadable or not a usable workbook template.
    static Workbook openCopy(const QString& templatePath);

    Workbook(Workbook&&) noexcept;
    Workbook& operator=(Workbook&&) noexcept;
    ~Workbook();

    QString sheetName() const { return sheet_.name(); }
    void setSheetName(const QString& name);

    void merge(QStringView range);
    void setFontSize(QStringView range, double points);
    void setBold(QStringView range, bool bold = true);
    void setFontName(QStringView range, const QString& fontName);
    void centreHorizontally(QStringView range);
    // A thin line on the left, right, top and bottom edge of every cell of the range.
    void setThinBorders(QStringView range);
    void setColumnWidth(int column, double width);
    // The row's height in points (room for a larger font).
    void setRowHeight(int row, double points);
    // Prints across the paper, scaled to one page wide. New workbooks only: a copy of a template prints as
    // the template is set up, and asking a copy throws.
    void printLandscapeOnePageWide();

    // Stores the text as a text cell, whatever it begins with; an empty text leaves the cell blank.
    void setText(int row, int column, const QString& text);
    // Stores a number cell, for values a chart or a sum reads.
    void setNumber(int row, int column, double value);
    // Stores a formula (with or without its leading "="). cachedResult is the value shown by readers
    // that do not recalculate on opening.
    void setFormula(int row, int column, const QString& formula, const QString& cachedResult = {});

    // Completes the workbook and writes it at path. Afterwards it can no longer change; saving again
    // writes the same workbook.
    void save(const QString& path);

    // The rows still open, the styles, merges and widths.
    const SheetModel& sheet() const { return sheet_; }

private:
    explicit Workbook(std::unique_ptr<SheetOutput> output);
    // Rows before `row` are final: they go to the output and leave the model.
    void beginRow(int row);

    SheetModel sheet_;
    std::unique_ptr<SheetOutput> output_; // null once the workbook is complete
    std::optional<QByteArray> package_;   // the complete workbook, after the first save
    bool rowsWritten_ = false;
    bool copiesTemplate_ = false;
};

} // namespace quorvane
