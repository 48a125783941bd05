#include "export/ChartValues.h"

#include "export/WorkbookError.h"

#include <algorithm>
#include <limits>

namespace quorvane {

void ChartValues::record(int row, const std::vector<SheetCell>& cells) {
    for (auto& [column, kept] : columns_) {
        if (column > static_cast<int>(cells.size()))
            continue;
        const SheetCell& cell = cells[static_cast<size_t>(column - 1)];
        if (cell.kind() != CellKind::Text && cell.kind() != CellKind::Number)
            continue;
        const QByteArrayView content = cell.content();
        // A cell holds at most 32,767 characters (a few times as many bytes); the texts of one column stay
        // far below 4 GB in a sheet's million rows of them.
        if (content.size() > std::numeric_limits<std::uint16_t>::max() ||
            kept.text.size() + content.size() > std::numeric_limits<std::uint32_t>::max())
            throw WorkbookError(
                QStringLiteral("图表引用的第 %1 行第 %2 列的内容过长。").arg(row).arg(column));
        kept.points.push_back({row, static_cast<std::uint32_t>(kept.text.size()),
                               static_cast<std::uint16_t>(content.size()), cell.kind()});
        kept.text += content;
    }
}

void ChartValues::forEachValue(int column, int first, int last,
                               const std::function<void(const Value&)>& visit) const {
    const auto kept = columns_.find(column);
    if (kept == columns_.end())
        return;
    const std::vector<Point>& points = kept->second.points;
    auto it = std::lower_bound(points.begin(), points.end(), first,
                               [](const Point& point, int row) { return point.row < row; });
    for (; it != points.end() && it->row <= last; ++it)
        visit({it->row, it->kind, QByteArrayView(kept->second.text).sliced(it->offset, it->length)});
}

} // namespace quorvane
