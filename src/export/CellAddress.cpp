#include "export/CellAddress.h"

#include "export/WorkbookError.h"

#include <algorithm>
#include <optional>

namespace quorvane {

int columnNumber(QStringView letters) {
    if (letters.isEmpty() || letters.size() > 3)
        return 0;
    int number = 0;
    for (const QChar c : letters) {
        const char16_t u = c.toUpper().unicode();
        if (u < u'A' || u > u'Z')
            return 0;
        number = number * 26 + (u - u'A' + 1);
    }
    return number <= kMaxColumns ? number : 0;
}

QString columnName(int column) {
    QString name;
    while (column > 0) {
        const int digit = (column - 1) % 26;
        name.prepend(QChar(u'A' + digit));
        column = (column - 1) / 26;
    }
    return name;
}

QString cellName(int row, int column) {
    return columnName(column) + QString::number(row);
}

namespace {

struct Cell {
    int row;
    int column;
};

std::optional<Cell> parseCell(QStringView text) {
    qsizetype i = 0;
    if (i < text.size() && text[i] == u'$')
        ++i;
    const qsizetype lettersStart = i;
    while (i < text.size() && text[i].isLetter())
        ++i;
    const int column = columnNumber(text.mid(lettersStart, i - lettersStart));
    if (i < text.size() && text[i] == u'$')
        ++i;
    const QStringView digits = text.mid(i);
    if (column == 0 || digits.isEmpty() || digits.size() > 7 ||
        !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    const int row = digits.toInt();
    if (row < 1 || row > kMaxRows)
        return std::nullopt;
    return Cell{row, column};
}

} // namespace

CellRange parseRange(QStringView address) {
    const QStringView trimmed = address.trimmed();
    const qsizetype colon = trimmed.indexOf(u':');
    const auto first = parseCell(colon < 0 ? trimmed : trimmed.left(colon));
    const auto last = colon < 0 ? first : parseCell(trimmed.mid(colon + 1));
    if (!first || !last)
        throw WorkbookError(QStringLiteral("单元格区域“") + address.toString() + QStringLiteral("”无效。"));
    return CellRange{std::min(first->row, last->row), std::min(first->column, last->column),
                     std::max(first->row, last->row), std::max(first->column, last->column)};
}

} // namespace quorvane
