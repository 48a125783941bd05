#include "export/TemplateSheet.h"

#include "export/WorkbookError.h"
#include "export/XmlPart.h"

#include <QByteArray>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

namespace quorvane {

namespace {

// Schema order of the worksheet's children that may come between <sheetData> and <mergeCells>.
constexpr std::array<std::string_view, 9> kBeforeMergeCells = {
    "sheetData",  "sheetCalcPr", "sheetProtection", "protectedRanges", "scenarios",
    "autoFilter", "sortState",   "dataConsolidate", "customSheetViews"};

// The stored width of a column that spreadsheet programs show as `width` characters: whole pixels of
// the default font's 7-pixel digits plus 5 pixels of padding, in 1/256 steps, as new workbooks store it.
double storedColumnWidth(double width) {
    if (width <= 0)
        return 0;
    return std::floor((width * 7 + 5) / 7 * 256) / 256;
}

int columnOfReference(const char* reference) {
    std::string_view text(reference);
    const size_t digits = text.find_first_of("0123456789");
    return columnNumber(QString::fromLatin1(text.substr(0, digits)));
}

class SheetWriter {
public:
    SheetWriter(pugi::xml_node root, const SheetModel& sheet, TemplateStyles& styles)
        : root_(root)
        , sheet_(sheet)
        , styles_(styles)
        , p_(prefixOf(root)) {}

    void writeCells();
    void writeColumnWidths();
    void writeMerges();
    void updateDimension();

private:
    std::string name(const char* local) const { return p_ + local; }
    void writeRow(pugi::xml_node rowNode, int row);
    void writeCell(pugi::xml_node cellNode, const SheetCell& cell, unsigned base);
    unsigned columnStyle(int column) const;

    pugi::xml_node root_;
    const SheetModel& sheet_;
    TemplateStyles& styles_;
    std::string p_;
};

void SheetWriter::writeCells() {
    pugi::xml_node sheetData = firstChild(root_, "sheetData");
    if (!sheetData)
        throw WorkbookError(QStringLiteral("第一个工作表没有单元格数据（sheetData）。"));
    // Rows and the template's rows are both ascending, so one walk places every row.
    pugi::xml_node next = firstChild(sheetData, "row");
    for (int row = 1; row <= sheet_.rowCount(); ++row) {
        if (sheet_.row(row).empty())
            continue;
        while (next && next.attribute("r").as_int() < row)
            next = next.next_sibling();
        pugi::xml_node rowNode;
        if (next && next.attribute("r").as_int() == row)
            rowNode = next;
        else {
            rowNode = next ? sheetData.insert_child_before(name("row").c_str(), next)
                           : sheetData.append_child(name("row").c_str());
            rowNode.append_attribute("r") = row;
        }
        writeRow(rowNode, row);
    }
}

void SheetWriter::writeRow(pugi::xml_node rowNode, int row) {
    // The spans hint would no longer match the row's cells.
    rowNode.remove_attribute("spans");
    const std::vector<SheetCell>& cells = sheet_.row(row);
    pugi::xml_node next = firstChild(rowNode, "c");
    int nextColumn = next ? columnOfReference(next.attribute("r").as_string()) : 0;
    for (int column = 1; column <= static_cast<int>(cells.size()); ++column) {
        const SheetCell& cell = cells[column - 1];
        if (cell.kind() == CellKind::Empty && cell.styleId() == 0)
            continue;
        while (next && nextColumn < column) {
            next = next.next_sibling();
            nextColumn = next ? columnOfReference(next.attribute("r").as_string()) : 0;
        }
        pugi::xml_node cellNode;
        unsigned base = 0;
        if (next && nextColumn == column) {
            cellNode = next;
            base = cellNode.attribute("s").as_uint(0);
        } else {
            cellNode = next ? rowNode.insert_child_before(name("c").c_str(), next)
                            : rowNode.append_child(name("c").c_str());
            cellNode.append_attribute("r") = cellName(row, column).toLatin1().constData();
            // A new cell looks as the template shows that place empty: the row's format, else the
            // column's.
            base = rowNode.attribute("customFormat").as_bool() ? rowNode.attribute("s").as_uint(0)
                                                               : columnStyle(column);
            if (base != 0)
                cellNode.append_attribute("s") = base;
        }
        writeCell(cellNode, cell, base);
    }
}

unsigned SheetWriter::columnStyle(int column) const {
    for (pugi::xml_node col = firstChild(firstChild(root_, "cols"), "col"); col; col = col.next_sibling()) {
        if (col.attribute("min").as_int() <= column && column <= col.attribute("max").as_int())
            return col.attribute("style").as_uint(0);
    }
    return 0;
}

void SheetWriter::writeCell(pugi::xml_node cellNode, const SheetCell& cell, unsigned base) {
    if (cell.styleId() != 0) {
        pugi::xml_attribute s = cellNode.attribute("s");
        if (!s)
            s = cellNode.append_attribute("s");
        s = styles_.formatIndex(base, sheet_.style(cell.styleId()), cell.styleId());
    }
    if (cell.kind() == CellKind::Empty)
        return; // only formatted: the template's content stays

    while (cellNode.first_child())
        cellNode.remove_child(cellNode.first_child());
    cellNode.remove_attribute("t");
    switch (cell.kind()) {
    case CellKind::Empty:
    case CellKind::Blank:
        break;
    case CellKind::Text: {
        cellNode.append_attribute("t") = "inlineStr";
        pugi::xml_node t = cellNode.append_child(name("is").c_str()).append_child(name("t").c_str());
        const QByteArray text = escapeSpreadsheetText(cell.content());
        if (text.front() == ' ' || text.back() == ' ' || text.contains('\n') || text.front() == '\t' ||
            text.back() == '\t')
            t.append_attribute("xml:space") = "preserve";
        t.text().set(text.constData());
        break;
    }
    case CellKind::Number:
        cellNode.append_child(name("v").c_str()).text().set(cell.content().data());
        break;
    case CellKind::Formula: {
        cellNode.append_child(name("f").c_str()).text().set(cell.content().data());
        if (!cell.cachedResult().isEmpty()) {
            cellNode.append_attribute("t") = "str";
            cellNode.append_child(name("v").c_str())
                .text()
                .set(escapeSpreadsheetText(cell.cachedResult()).constData());
        }
        break;
    }
    }
}

void SheetWriter::writeColumnWidths() {
    if (sheet_.columnWidths().empty())
        return;
    pugi::xml_node cols = firstChild(root_, "cols");
    if (!cols)
        cols = root_.insert_child_before(name("cols").c_str(), firstChild(root_, "sheetData"));
    for (const auto& [column, width] : sheet_.columnWidths()) {
        pugi::xml_node col = cols.first_child();
        // Find the entry that covers the column, or the first one after it.
        while (col && col.attribute("max").as_int() < column)
            col = col.next_sibling();
        if (col && col.attribute("min").as_int() <= column) {
            // Split a range entry so that only this column changes.
            const int min = col.attribute("min").as_int();
            const int max = col.attribute("max").as_int();
            if (min < column)
                cols.insert_copy_before(col, col).attribute("max") = column - 1;
            if (column < max)
                cols.insert_copy_after(col, col).attribute("min") = column + 1;
            col.attribute("min") = column;
            col.attribute("max") = column;
        } else {
            col = col ? cols.insert_child_before(name("col").c_str(), col)
                      : cols.append_child(name("col").c_str());
            col.append_attribute("min") = column;
            col.append_attribute("max") = column;
        }
        for (const char* attribute : {"width", "customWidth"}) {
            if (!col.attribute(attribute))
                col.append_attribute(attribute);
        }
        col.attribute("width") = storedColumnWidth(width);
        col.attribute("customWidth") = 1;
    }
}

void SheetWriter::writeMerges() {
    if (sheet_.merges().empty())
        return;
    pugi::xml_node merges = firstChild(root_, "mergeCells");
    if (!merges) {
        pugi::xml_node after;
        for (pugi::xml_node child = root_.first_child(); child; child = child.next_sibling()) {
            if (std::find(kBeforeMergeCells.begin(), kBeforeMergeCells.end(), localName(child)) !=
                kBeforeMergeCells.end())
                after = child;
        }
        merges = root_.insert_child_after(name("mergeCells").c_str(), after);
    }
    for (pugi::xml_node existing = merges.first_child(); existing; existing = existing.next_sibling()) {
        const CellRange old = parseRange(QString::fromLatin1(existing.attribute("ref").as_string()));
        for (const CellRange& m : sheet_.merges()) {
            const bool apart = m.lastRow < old.firstRow || old.lastRow < m.firstRow ||
                               m.lastColumn < old.firstColumn || old.lastColumn < m.firstColumn;
            if (!apart)
                throw WorkbookError(
                    QStringLiteral("合并区域 ") + cellName(m.firstRow, m.firstColumn) + u':' +
                    cellName(m.lastRow, m.lastColumn) + QStringLiteral(" 与模板中的合并区域 ") +
                    QString::fromLatin1(existing.attribute("ref").as_string()) + QStringLiteral(" 重叠。"));
        }
    }
    for (const CellRange& m : sheet_.merges()) {
        const QString ref = cellName(m.firstRow, m.firstColumn) + u':' + cellName(m.lastRow, m.lastColumn);
        merges.append_child(name("mergeCell").c_str()).append_attribute("ref") = ref.toLatin1().constData();
    }
    unsigned count = 0;
    for (pugi::xml_node child = merges.first_child(); child; child = child.next_sibling())
        ++count;
    merges.remove_attribute("count");
    merges.append_attribute("count") = count;
}

void SheetWriter::updateDimension() {
    pugi::xml_node dimension = firstChild(root_, "dimension");
    if (!dimension || sheet_.rowCount() == 0)
        return;
    int lastRow = sheet_.rowCount();
    int lastColumn = std::max(1, sheet_.lastColumn());
    try {
        const CellRange old = parseRange(QString::fromUtf8(dimension.attribute("ref").as_string()));
        lastRow = std::max(lastRow, old.lastRow);
        lastColumn = std::max(lastColumn, old.lastColumn);
    } catch (const WorkbookError&) {
        // An unreadable dimension is replaced by the one written.
    }
    const QString ref = QStringLiteral("A1:") + cellName(lastRow, lastColumn);
    dimension.attribute("ref") = ref.toLatin1().constData();
}

} // namespace

void fillWorksheet(pugi::xml_document& worksheet, const SheetModel& sheet, TemplateStyles& styles) {
    SheetWriter writer(worksheet.document_element(), sheet, styles);
    writer.writeColumnWidths();
    writer.writeCells();
    writer.writeMerges();
    writer.updateDimension();
}

} // namespace quorvane
