#pragma once

#include "export/CellAddress.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <deque>
#include <map>
#include <vector>

namespace quorvane {

// The formatting a cell can receive through the facade. Unset parts keep the workbook's defaults.
struct CellStyle {
    QByteArray fontName; // UTF-8; empty: default font
    double fontSize = 0; // points; 0: default size
    bool bold = false;
    bool centred = false;
    bool thinBorders = false;

    bool isDefault() const { return *this == CellStyle{}; }
    bool operator==(const CellStyle&) const = default;
};

size_t qHash(const CellStyle& style, size_t seed = 0) noexcept;

// Empty: never given a value (perhaps formatted); Blank: given an empty text, which clears the cell.
enum class CellKind : std::uint8_t { Empty, Blank, Text, Number, Formula };

// One cell as the sheet keeps it until the save: the UTF-8 content and an index into the sheet's
// interned styles, so ten thousand framed rows share a handful of style records.
class SheetCell {
public:
    CellKind kind() const { return kind_; }
    std::uint32_t styleId() const { return styleId_; }
    // The text, the number in its shortest decimal form, or the formula without its leading "=".
    QByteArrayView content() const;
    // A formula's result as the file stores it for readers that do not recalculate; may be empty.
    QByteArrayView cachedResult() const;
    // Both views end at a NUL, so their data can go to C interfaces as they are.

private:
    friend class SheetModel;
    QByteArray data_; // formula and result are separated by a NUL, which no XML text can hold
    std::uint32_t styleId_ = 0;
    CellKind kind_ = CellKind::Empty;
};

// Sheet 1 of a workbook being built: name, cells, styles, merges and column widths. It knows nothing
// about files; the writers turn it into a package. It holds the rows still open: rows before
// firstOpenRow() have been handed to a writer and dropped (dropRowsBefore), and changing them throws, so
// a sheet of any length costs the memory of a few rows.
class SheetModel {
public:
    SheetModel();

    const QString& name() const { return name_; }
    // Throws WorkbookError for a name the spreadsheet programs refuse (empty, over 31 characters,
    // one of []:*?/\ or an apostrophe at either end).
    void setName(const QString& name);

    void setText(int row, int column, const QString& text);
    void setNumber(int row, int column, double value);
    void setFormula(int row, int column, const QString& formula, const QString& cachedResult);

    void setFontName(const CellRange& range, const QString& fontName);
    void setFontSize(const CellRange& range, double points);
    void setBold(const CellRange& range, bool bold);
    void setCentred(const CellRange& range);
    void setThinBorders(const CellRange& range);

    // A row's height in points, for a font larger than the default one; throws WorkbookError for a row that
    // went out or a height the spreadsheet programs refuse. 0: the default height.
    void setRowHeight(int row, double points);
    double rowHeight(int row) const;

    // Printed across, scaled to one page wide (as many pages down as the rows need).
    void setPrintLandscapeOnePageWide() { landscapeOnePageWide_ = true; }
    bool printsLandscapeOnePageWide() const { return landscapeOnePageWide_; }

    // Throws WorkbookError for a single cell or a range that overlaps an earlier merge.
    void merge(const CellRange& range);
    void setColumnWidth(int column, double width);

    // The number of the last row given a cell, dropped or not; rows before it may be empty.
    int rowCount() const { return firstRow_ - 1 + static_cast<int>(rows_.size()); }
    // The cells of an open row (firstOpenRow() to rowCount()), from column 1; shorter than the widest
    // row when its tail is unset.
    const std::vector<SheetCell>& row(int row) const { return rows_[static_cast<size_t>(row - firstRow_)]; }
    // The first row that may still change.
    int firstOpenRow() const { return firstRow_; }
    // Forgets the rows before `row`, which a writer has taken; they can no longer change.
    void dropRowsBefore(int row);
    // The last row that holds a value (text, number or formula); 0 when none does.
    int lastValueRow() const { return lastValueRow_; }
    int lastColumn() const { return lastColumn_; }
    bool hasFormulas() const { return hasFormulas_; }

    const CellStyle& style(std::uint32_t id) const { return styles_[id]; }
    std::uint32_t styleCount() const { return static_cast<std::uint32_t>(styles_.size()); }
    const std::vector<CellRange>& merges() const { return merges_; }
    const std::map<int, double>& columnWidths() const { return columnWidths_; }

private:
    SheetCell& cell(int row, int column);
    std::uint32_t intern(const CellStyle& style);
    template <typename Change> void restyle(const CellRange& range, Change change);

    QString name_;
    std::deque<std::vector<SheetCell>> rows_; // rows firstRow_, firstRow_ + 1, ...
    int firstRow_ = 1;
    std::vector<CellStyle> styles_;
    QHash<CellStyle, std::uint32_t> styleIds_;
    std::vector<CellRange> merges_;
    std::map<int, double> columnWidths_;
    std::map<int, double> rowHeights_; // open rows only
    bool landscapeOnePageWide_ = false;
    int lastValueRow_ = 0;
    int lastColumn_ = 0;
    bool hasFormulas_ = false;
};

} // namespace quorvane
