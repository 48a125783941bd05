#include "export/SheetModel.h"

#include "export/WorkbookError.h"

#include <QHashFunctions>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace quorvane {

size_t qHash(const CellStyle& style, size_t seed) noexcept {
    return qHashMulti(seed, style.fontName, style.fontSize, style.bold, style.centred, style.thinBorders);
}

QByteArrayView SheetCell::content() const {
    const qsizetype nul = data_.indexOf('\0');
    return nul < 0 ? QByteArrayView(data_) : QByteArrayView(data_).first(nul);
}

QByteArrayView SheetCell::cachedResult() const {
    const qsizetype nul = data_.indexOf('\0');
    return nul < 0 ? QByteArrayView() : QByteArrayView(data_).sliced(nul + 1);
}

SheetModel::SheetModel()
    : name_(QStringLiteral("Sheet1")) {
    intern(CellStyle{});
}

void SheetModel::setName(const QString& name) {
    static const QString forbidden = QStringLiteral("[]:*?/\\");
    const bool bad = name.isEmpty() || name.size() > 31 || name.startsWith(u'\'') || name.endsWith(u'\'') ||
                     std::any_of(name.begin(), name.end(), [](QChar c) { return forbidden.contains(c); });
    if (bad)
        throw WorkbookError(QStringLiteral("工作表名称“") + name + QStringLiteral("”无效。"));
    name_ = name;
}

SheetCell& SheetModel::cell(int row, int column) {
    if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns)
        throw WorkbookError(
            QStringLiteral("单元格（第 %1 行，第 %2 列）超出工作表的范围。").arg(row).arg(column));
    if (row < firstRow_)
        throw WorkbookError(QStringLiteral("第 %1 行已经写出，不能再更改。").arg(row));
    const auto index = static_cast<size_t>(row - firstRow_);
    if (rows_.size() <= index)
        rows_.resize(index + 1);
    std::vector<SheetCell>& cells = rows_[index];
    if (cells.size() < static_cast<size_t>(column))
        cells.resize(column);
    lastColumn_ = std::max(lastColumn_, column);
    return cells[column - 1];
}

void SheetModel::setRowHeight(int row, double points) {
    if (row < 1 || row > kMaxRows || !(points >= 0 && points <= 409))
        throw WorkbookError(QStringLiteral("第 %2 行的高度 %1 无效。").arg(points).arg(row));
    if (row < firstRow_)
        throw WorkbookError(QStringLiteral("第 %1 行已经写出，不能再更改。").arg(row));
    const auto index = static_cast<size_t>(row - firstRow_);
    if (rows_.size() <= index)
        rows_.resize(index + 1); // the row goes out even without cells
    rowHeights_[row] = points;
}

double SheetModel::rowHeight(int row) const {
    const auto found = rowHeights_.find(row);
    return found == rowHeights_.end() ? 0 : found->second;
}

void SheetModel::dropRowsBefore(int row) {
    rowHeights_.erase(rowHeights_.begin(), rowHeights_.lower_bound(row));
    while (firstRow_ < row) {
        if (!rows_.empty())
            rows_.pop_front();
        ++firstRow_;
    }
}

void SheetModel::setText(int row, int column, const QString& text) {
    SheetCell& target = cell(row, column);
    target.data_ = text.toUtf8();
    // A NUL cannot be stored in the file and would cut the text here; drop it.
    target.data_.replace('\0', QByteArray());
    target.kind_ = target.data_.isEmpty() ? CellKind::Blank : CellKind::Text;
    if (target.kind_ == CellKind::Text)
        lastValueRow_ = std::max(lastValueRow_, row);
}

void SheetModel::setNumber(int row, int column, double value) {
    if (!std::isfinite(value))
        throw WorkbookError(QStringLiteral("单元格 ") + cellName(row, column) +
                            QStringLiteral(" 不能存放数值 %1。").arg(value));
    SheetCell& target = cell(row, column);
    target.data_ = QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
    target.kind_ = CellKind::Number;
    lastValueRow_ = std::max(lastValueRow_, row);
}

void SheetModel::setFormula(int row, int column, const QString& formula, const QString& cachedResult) {
    QStringView body(formula);
    if (body.startsWith(u'='))
        body = body.mid(1);
    if (body.trimmed().isEmpty())
        throw WorkbookError(QStringLiteral("单元格 ") + cellName(row, column) +
                            QStringLiteral(" 的公式为空。"));
    SheetCell& target = cell(row, column);
    target.data_ = body.toUtf8();
    target.data_.replace('\0', QByteArray());
    if (!cachedResult.isEmpty()) {
        QByteArray result = cachedResult.toUtf8();
        result.replace('\0', QByteArray());
        target.data_ += '\0' + result;
    }
    target.kind_ = CellKind::Formula;
    lastValueRow_ = std::max(lastValueRow_, row);
    hasFormulas_ = true;
}

std::uint32_t SheetModel::intern(const CellStyle& style) {
    const auto found = styleIds_.constFind(style);
    if (found != styleIds_.constEnd())
        return *found;
    const auto id = static_cast<std::uint32_t>(styles_.size());
    styles_.push_back(style);
    styleIds_.insert(style, id);
    return id;
}

template <typename Change> void SheetModel::restyle(const CellRange& range, Change change) {
    // Cells of a range mostly share one style, so the last lookup is kept.
    std::uint32_t lastFrom = UINT32_MAX;
    std::uint32_t lastTo = 0;
    for (int r = range.firstRow; r <= range.lastRow; ++r) {
        for (int c = range.firstColumn; c <= range.lastColumn; ++c) {
            SheetCell& target = cell(r, c);
            if (target.styleId_ != lastFrom) {
                CellStyle style = styles_[target.styleId_];
                change(style);
                lastFrom = target.styleId_;
                lastTo = intern(style);
            }
            target.styleId_ = lastTo;
        }
    }
}

void SheetModel::setFontName(const CellRange& range, const QString& fontName) {
    const QByteArray name = fontName.toUtf8();
    restyle(range, [&](CellStyle& s) { s.fontName = name; });
}

void SheetModel::setFontSize(const CellRange& range, double points) {
    if (!(points >= 1 && points <= 409))
        throw WorkbookError(QStringLiteral("字号 %1 无效。").arg(points));
    restyle(range, [&](CellStyle& s) { s.fontSize = points; });
}

void SheetModel::setBold(const CellRange& range, bool bold) {
    restyle(range, [&](CellStyle& s) { s.bold = bold; });
}

void SheetModel::setCentred(const CellRange& range) {
    restyle(range, [](CellStyle& s) { s.centred = true; });
}

void SheetModel::setThinBorders(const CellRange& range) {
    restyle(range, [](CellStyle& s) { s.thinBorders = true; });
}

void SheetModel::merge(const CellRange& range) {
    const QString address =
        cellName(range.firstRow, range.firstColumn) + u':' + cellName(range.lastRow, range.lastColumn);
    if (range.firstRow == range.lastRow && range.firstColumn == range.lastColumn)
        throw WorkbookError(QStringLiteral("不能合并单个单元格 ") + address + u'。');
    for (const CellRange& other : merges_) {
        const bool apart = range.lastRow < other.firstRow || other.lastRow < range.firstRow ||
                           range.lastColumn < other.firstColumn || other.lastColumn < range.firstColumn;
        if (!apart)
            throw WorkbookError(QStringLiteral("合并区域 ") + address +
                                QStringLiteral(" 与先前的合并区域重叠。"));
    }
    // The cells must exist so that the writers see the range's rows.
    cell(range.lastRow, range.lastColumn);
    cell(range.firstRow, range.firstColumn);
    merges_.push_back(range);
}

void SheetModel::setColumnWidth(int column, double width) {
    if (column < 1 || column > kMaxColumns || !(width >= 0 && width <= 255))
        throw WorkbookError(QStringLiteral("第 %2 列的宽度 %1 无效。").arg(width).arg(column));
    columnWidths_[column] = width;
}

} // namespace quorvane
