#include "export/SheetReferences.h"

#include "export/WorkbookError.h"

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

// A character of an unquoted sheet name or of the cell, name or function after it.
bool isNameCharacter(QChar c) {
    static const QString operators = QStringLiteral("'!(),:;=+-*/&^<>\"{}%");
    return !c.isSpace() && !operators.contains(c);
}

// The end of the quoted text that starts at `start` (a ' or a "), where a doubled quote stands for
// one; the formula's end when it is not closed.
qsizetype endOfQuoted(QStringView formula, qsizetype start) {
    const QChar quote = formula[start];
    qsizetype i = start + 1;
    while (i < formula.size()) {
        if (formula[i] == quote) {
            if (i + 1 < formula.size() && formula[i + 1] == quote) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return formula.size();
}

} // namespace

QString quotedSheetName(const QString& name) {
    return u'\'' + QString(name).replace(QStringLiteral("'"), QStringLiteral("''")) + u'\'';
}

RewrittenFormula rewriteSheetReferences(const QString& formula, const QString& oldName,
                                        const QString& newName, std::optional<int> lastDataRow) {
    static const QRegularExpression cellRange(
        QStringLiteral(R"(\$?[A-Za-z]{1,3}\$?[0-9]{1,7}(?::\$?[A-Za-z]{1,3}\$?[0-9]{1,7})?)"));

    RewrittenFormula result;
    int references = 0;
    std::optional<CellRange> onlyRange;
    const QStringView text(formula);
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        // A text literal is copied whole: "Data!A1" inside it is no reference.
        if (c == u'"') {
            const qsizetype end = endOfQuoted(text, i);
            result.text += text.mid(i, end - i);
            i = end;
            continue;
        }
        qsizetype end = i + 1;
        if (c == u'\'')
            end = endOfQuoted(text, i);
        else if (isNameCharacter(c)) {
            while (end < text.size() && isNameCharacter(text[end]))
                ++end;
        }
        const QStringView token = text.mid(i, end - i);
        if (end >= text.size() || text[end] != u'!' || (c != u'\'' && !isNameCharacter(c))) {
            result.text += token;
            i = end;
            continue;
        }

        // A sheet prefix: whatever follows (a cell, a range, whole columns or rows, a name) stays.
        ++references;
        i = end + 1;
        if (unquoted(token).compare(oldName, Qt::CaseInsensitive) != 0) {
            result.text += token + u'!';
            continue;
        }
        result.text += quotedSheetName(newName) + u'!';
        const QRegularExpressionMatch m = cellRange.match(formula, i, QRegularExpression::NormalMatch,
                                                          QRegularExpression::AnchorAtOffsetMatchOption);
        if (!m.hasMatch() || (m.capturedEnd() < text.size() && isNameCharacter(text[m.capturedEnd()])))
            continue;
        const QStringView matched = m.capturedView();
        const qsizetype colon = matched.indexOf(u':');
        QString first = (colon < 0 ? matched : matched.left(colon)).toString();
        QString last = colon < 0 ? QString() : matched.mid(colon + 1).toString();
        if (lastDataRow && rowOf(first) >= kFirstDataRow &&
            (last.isEmpty() || rowOf(last) >= kFirstDataRow)) {
            if (last.isEmpty())
                last = first;
            first = withRow(first, kFirstDataRow);
            last = withRow(last, std::max(kFirstDataRow, *lastDataRow));
            try {
                const CellRange range = parseRange(QString(first + u':' + last));
                if (range.firstColumn == range.lastColumn)
                    onlyRange = range;
            } catch (const WorkbookError&) {
                // Columns beyond the sheet's: the reference is renamed and has no cache to rebuild.
            }
        }
        result.text += first;
        if (!last.isEmpty())
            result.text += u':' + last;
        i = m.capturedEnd();
    }
    if (references == 1)
        result.dataRange = onlyRange;
    return result;
}

} // namespace quorvane
