#include "export/SheetReferences.h"

#include <QRegularExpression>

namespace quorvane {

namespace {

constexpr int kFirstDataRow = 3;

QString unquoted(QStringView sheet) {
    if (sheet.size() >= 2 && sheet.front() == u'\'' && sheet.back() == u'\'')
        return sheet.mid(1, sheet.size() - 2).toString().replace(QStringLiteral("''"), QStringLiteral("'"));
    return sheet.toString();
}

// "$C$9" with its row replaced, keeping the column and the absolute markers.
QString withRow(QStringView corner, int row) {
    qsizetype end = corner.size();
    while (end > 0 && corner[end - 1].isDigit())
        --end;
    return corner.left(end).toString() + QString::number(row);
}

int rowOf(QStringView corner) {
    qsizetype end = corner.size();
    while (end > 0 && corner[end - 1].isDigit())
        --end;
    return corner.mid(end).toInt();
}

} // namespace

QString quotedSheetName(const QString& name) {
    return u'\'' + QString(name).replace(QStringLiteral("'"), QStringLiteral("''")) + u'\'';
}

RewrittenFormula rewriteSheetReferences(const QString& formula, const QString& oldName,
                                        const QString& newName, std::optional<int> lastDataRow) {
    static const QRegularExpression reference(QStringLiteral(
        R"(('(?:[^']|'')+'|[^'!(),\s:;=+\-*/&^<>"]+)!(\$?[A-Za-z]{1,3}\$?[0-9]{1,7})(?::(\$?[A-Za-z]{1,3}\$?[0-9]{1,7}))?)"));

    RewrittenFormula result;
    int references = 0;
    std::optional<CellRange> onlyRange;
    qsizetype copied = 0;
    for (auto it = reference.globalMatch(formula); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        ++references;
        result.text += QStringView(formula).mid(copied, m.capturedStart() - copied);
        copied = m.capturedEnd();
        if (unquoted(m.capturedView(1)).compare(oldName, Qt::CaseInsensitive) != 0) {
            result.text += m.capturedView(0);
            continue;
        }
        QString first = m.captured(2);
        QString last = m.captured(3);
        if (lastDataRow && rowOf(first) >= kFirstDataRow &&
            (last.isEmpty() || rowOf(last) >= kFirstDataRow)) {
            if (last.isEmpty())
                last = first;
            first = withRow(first, kFirstDataRow);
            last = withRow(last, std::max(kFirstDataRow, *lastDataRow));
            const CellRange range = parseRange(QString(first + u':' + last));
            if (range.firstColumn == range.lastColumn)
                onlyRange = range;
        }
        result.text += quotedSheetName(newName) + u'!' + first;
        if (!last.isEmpty())
            result.text += u':' + last;
    }
    result.text += QStringView(formula).mid(copied);
    if (references == 1)
        result.dataRange = onlyRange;
    return result;
}

} // namespace quorvane
