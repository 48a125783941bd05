#pragma once

#include "export/SheetModel.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace quorvane {

// The values of the sheet's columns that a template's charts draw, kept as the rows go out, so that
// the charts' cached points can be rebuilt at the end without keeping the rows: a few bytes a value.
class ChartValues {
public:
    void watch(int column) { columns_[column]; }
    void record(int row, const std::vector<SheetCell>& cells);

    struct Value {
        int row;
        CellKind kind;
        QByteArrayView text; // the cell's content, as SheetCell::content()
    };
    // The kept values of a column in rows first..last, in row order.
    void forEachValue(int column, int first, int last, const std::function<void(const Value&)>& visit) const;

private:
    // Twelve bytes a value: 100,000 rows of three drawn columns take under 4 MB with their texts.
    struct Point {
        std::int32_t row;
        std::uint32_t offset; // into the column's text
        std::uint16_t length;
        CellKind kind;
    };
    struct Column {
        std::vector<Point> points;
        QByteArray text;
    };
    std::map<int, Column> columns_;
};

} // namespace quorvane
