#include "export/ChartValues.h"

#include <algorithm>

namespace quorvane {

void ChartValues::record(int row, const std::vector<SheetCell>& cells) {
    for (auto& [column, kept] : columns_) {
        if (column > static_cast<int>(cells.size()))
            continue;
        const SheetCell& cell = cells[static_cast<size_t>(column - 1)];
        if (cell.kind() != CellKind::Text && cell.kind() != CellKind::Number)
            continue;
        const QByteArrayView content = cell.content();
        kept.points.push_back({row, cell.kind(), kept.text.size(), content.size()});
        kept.text += content;
    }
}

std::vector<ChartValues::Value> ChartValues::values(int column, int first, int last) const {
    std::vector<Value> found;
    const auto kept = columns_.find(column);
    if (kept == columns_.end())
        return found;
    const std::vector<Point>& points = kept->second.points;
    auto it = std::lower_bound(points.begin(), points.end(), first,
                               [](const Point& point, int row) { return point.row < row; });
    for (; it != points.end() && it->row <= last; ++it)
        found.push_back(
            {it->row, it->kind, QByteArrayView(kept->second.text).sliced(it->offset, it->length)});
    return found;
}

} // namespace quorvane
