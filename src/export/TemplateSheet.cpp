#include "export/TemplateSheet.h"

#include "export/SheetReferences.h"
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

// Stands in the sheet's data while the rest of the part is written; the rows take its place.
constexpr char kRowsMarker[] = "quorvane-rows";

// Rows are written out in pieces of about this size.
constexpr qsizetype kRowsPiece = 256 * 1024;

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

struct AppendWriter : pugi::xml_writer {
    explicit AppendWriter(QByteArray& out)
        : bytes(out) {}
    void write(const void* data, size_t size) override {
        bytes.append(static_cast<const char*>(data), static_cast<qsizetype>(size));
    }
    QByteArray& bytes;
};

} // namespace

bool renameInWorksheet(pugi::xml_node node, const QString& oldName, const QString& newName) {
    bool changed = false;
    const auto rename = [&](const char* text, const auto& set) {
        const QString formula = QString::fromUtf8(text);
        const QString renamed = rewriteSheetReferences(formula, oldName, newName, std::nullopt).text;
        if (renamed != formula) {
            set(renamed.toUtf8());
            changed = true;
        }
    };
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element)
            continue;
        const std::string_view local = localName(child);
        if (local == "f" || local == "formula" || local == "formula1" || local == "formula2") {
            rename(child.text().as_string(),
                   [&](const QByteArray& text) { child.text().set(text.constData()); });
        } else if (local == "hyperlink") {
            if (pugi::xml_attribute location = child.attribute("location"))
                rename(location.as_string(), [&](const QByteArray& text) { location = text.constData(); });
        } else {
            changed = renameInWorksheet(child, oldName, newName) || changed;
        }
    }
    return changed;
}

TemplateSheetWriter::TemplateSheetWriter(std::unique_ptr<pugi::xml_document> worksheet,
                                         TemplateStyles& styles, const QString& templateName,
                                         ChartValues& chartValues)
    : document_(std::move(worksheet))
    , root_(document_->document_element())
    , sheetData_(firstChild(root_, "sheetData"))
    , styles_(styles)
    , templateName_(templateName)
    , chartValues_(chartValues)
    , p_(prefixOf(root_)) {
    if (!sheetData_)
        throw WorkbookError(QStringLiteral("第一个工作表没有单元格数据（sheetData）。"));
    // Rows and cells may leave out their numbers, counting on the order; every one gets its number now,
    // so that rows can be matched and written one by one.
    int lastRow = 0;
    for (pugi::xml_node row = firstChild(sheetData_, "row"); row; row = row.next_sibling()) {
        if (!row.attribute("r"))
            row.append_attribute("r") = lastRow + 1;
        lastRow = row.attribute("r").as_int();
        int lastColumn = 0;
        for (pugi::xml_node c = firstChild(row, "c"); c; c = c.next_sibling()) {
            if (localName(c) != "c")
                continue;
            if (!c.attribute("r"))
                c.append_attribute("r") = cellName(lastRow, lastColumn + 1).toLatin1().constData();
            lastColumn = columnOfReference(c.attribute("r").as_string());
        }
    }
}

TemplateSheetWriter::~TemplateSheetWriter() = default;

void TemplateSheetWriter::writeOut(pugi::xml_node rowNode) {
    AppendWriter writer(pending_);
    rowNode.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    sheetData_.remove_child(rowNode);
    if (pending_.size() >= kRowsPiece) {
        rows_.write(pending_);
        pending_.clear();
    }
}

void TemplateSheetWriter::renameTemplateFormulas(pugi::xml_node node, const SheetModel& sheet) const {
    if (sheet.name() != templateName_)
        renameInWorksheet(node, templateName_, sheet.name());
}

void TemplateSheetWriter::emitTemplateRowsBefore(int row, const SheetModel& sheet) {
    pugi::xml_node next = firstChild(sheetData_, "row");
    while (next && next.attribute("r").as_int() < row) {
        const pugi::xml_node after = next.next_sibling();
        renameTemplateFormulas(next, sheet);
        writeOut(next);
        next = after;
    }
}

void TemplateSheetWriter::writeRow(int row, const SheetModel& sheet) {
    emitTemplateRowsBefore(row, sheet);
    const std::vector<SheetCell>& cells = sheet.row(row);
    if (cells.empty())
        return; // the template's row, if any, goes out as it is
    chartValues_.record(row, cells);
    pugi::xml_node next = firstChild(sheetData_, "row");
    pugi::xml_node rowNode;
    if (next && next.attribute("r").as_int() == row) {
        rowNode = next;
        renameTemplateFormulas(rowNode, sheet);
    } else {
        rowNode = next ? sheetData_.insert_child_before(name("row").c_str(), next)
                       : sheetData_.append_child(name("row").c_str());
        rowNode.append_attribute("r") = row;
    }
    fillRow(rowNode, row, sheet);
    writeOut(rowNode);
}

void TemplateSheetWriter::finish(const SheetModel& sheet, ScratchFile& part) {
    emitTemplateRowsBefore(kMaxRows + 1, sheet);
    rows_.write(pending_);
    pending_.clear();

    writeColumnWidths(sheet);
    writeMerges(sheet);
    updateDimension(sheet);
    renameTemplateFormulas(root_, sheet);

    // The part around the rows, split where they go.
    sheetData_.append_child(kRowsMarker);
    const QByteArray frame = serializeXmlPart(*document_);
    const QByteArray marker = QByteArray("<") + kRowsMarker + "/>";
    const qsizetype at = frame.indexOf(marker);
    if (at < 0 || frame.indexOf(marker, at + 1) >= 0)
        throw WorkbookError(QStringLiteral("第一个工作表含有保留的名称 ") + QString::fromLatin1(kRowsMarker) +
                            u'。');
    part.write(QByteArrayView(frame).first(at));
    rows_.readBack([&](const char* data, qsizetype size) { part.write(QByteArrayView(data, size)); });
    part.write(QByteArrayView(frame).sliced(at + marker.size()));
}

void TemplateSheetWriter::fillRow(pugi::xml_node rowNode, int row, const SheetModel& sheet) {
    // The spans hint would no longer match the row's cells.
    rowNode.remove_attribute("spans");
    if (const double height = sheet.rowHeight(row); height > 0) {
        rowNode.remove_attribute("ht");
        rowNode.remove_attribute("customHeight");
        rowNode.append_attribute("ht") = height;
        rowNode.append_attribute("customHeight") = 1;
    }
    const std::vector<SheetCell>& cells = sheet.row(row);
    // A row's extensions come after its cells: new cells go before them.
    const auto columnOf = [](pugi::xml_node node) {
        return localName(node) == "c" ? columnOfReference(node.attribute("r").as_string()) : kMaxColumns + 1;
    };
    pugi::xml_node next = rowNode.first_child();
    while (next && next.type() != pugi::node_element)
        next = next.next_sibling();
    int nextColumn = next ? columnOf(next) : 0;
    for (int column = 1; column <= static_cast<int>(cells.size()); ++column) {
        const SheetCell& cell = cells[column - 1];
        if (cell.kind() == CellKind::Empty && cell.styleId() == 0)
            continue;
        while (next && nextColumn < column) {
            next = next.next_sibling();
            nextColumn = next ? columnOf(next) : 0;
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
        writeCell(cellNode, cell, base, sheet);
    }
}

unsigned TemplateSheetWriter::columnStyle(int column) const {
    for (pugi::xml_node col = firstChild(firstChild(root_, "cols"), "col"); col; col = col.next_sibling()) {
        if (col.attribute("min").as_int() <= column && column <= col.attribute("max").as_int())
            return col.attribute("style").as_uint(0);
    }
    return 0;
}

void TemplateSheetWriter::writeCell(pugi::xml_node cellNode, const SheetCell& cell, unsigned base,
                                    const SheetModel& sheet) {
    if (cell.styleId() != 0) {
        pugi::xml_attribute s = cellNode.attribute("s");
        if (!s)
            s = cellNode.append_attribute("s");
        s = styles_.formatIndex(base, sheet.style(cell.styleId()), cell.styleId());
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

void TemplateSheetWriter::writeColumnWidths(const SheetModel& sheet) {
    if (sheet.columnWidths().empty())
        return;
    pugi::xml_node cols = firstChild(root_, "cols");
    if (!cols)
        cols = root_.insert_child_before(name("cols").c_str(), firstChild(root_, "sheetData"));
    for (const auto& [column, width] : sheet.columnWidths()) {
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

void TemplateSheetWriter::writeMerges(const SheetModel& sheet) {
    if (sheet.merges().empty())
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
        for (const CellRange& m : sheet.merges()) {
            const bool apart = m.lastRow < old.firstRow || old.lastRow < m.firstRow ||
                               m.lastColumn < old.firstColumn || old.lastColumn < m.firstColumn;
            if (!apart)
                throw WorkbookError(
                    QStringLiteral("合并区域 ") + cellName(m.firstRow, m.firstColumn) + u':' +
                    cellName(m.lastRow, m.lastColumn) + QStringLiteral(" 与模板中的合并区域 ") +
                    QString::fromLatin1(existing.attribute("ref").as_string()) + QStringLiteral(" 重叠。"));
        }
    }
    for (const CellRange& m : sheet.merges()) {
        const QString ref = cellName(m.firstRow, m.firstColumn) + u':' + cellName(m.lastRow, m.lastColumn);
        merges.append_child(name("mergeCell").c_str()).append_attribute("ref") = ref.toLatin1().constData();
    }
    unsigned count = 0;
    for (pugi::xml_node child = merges.first_child(); child; child = child.next_sibling())
        ++count;
    merges.remove_attribute("count");
    merges.append_attribute("count") = count;
}

void TemplateSheetWriter::updateDimension(const SheetModel& sheet) {
    pugi::xml_node dimension = firstChild(root_, "dimension");
    if (!dimension || sheet.rowCount() == 0)
        return;
    int lastRow = sheet.rowCount();
    int lastColumn = std::max(1, sheet.lastColumn());
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

} // namespace quorvane
