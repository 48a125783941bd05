#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <pugixml.hpp>

#include <memory>
#include <ostream>

namespace quorvane::test {

// What a reader finds in one cell of sheet 1.
struct CellRead {
    bool exists = false;
    QString type;    // the t attribute: "s", "inlineStr", "str", or empty
    QString text;    // the stored value: the string, or the stored value
    QString shown;   // the text as spreadsheet programs show it, with _xHHHH_ escapes decoded
    QString formula; // the <f> text; empty without one
    bool hasFormula = false;
    int styleIndex = 0;
};

struct StyleRead {
    QString fontName;
    double fontSize = 0;
    bool bold = false;
    bool italic = false;
    QString fontColor;        // the colour's rgb, empty when unset
    QString fillColor;        // the pattern fill's foreground rgb, empty when unset
    QString numberFormat;     // the format code, or "#<id>" for a built-in format
    QString horizontal;       // alignment, empty when unset
    QString vertical;         // alignment, empty when unset
    bool thinBorders = false; // thin left, right, top and bottom
    QString edges;            // the edges' styles: "left,right,top,bottom"

    bool operator==(const StyleRead&) const = default;
};

void PrintTo(const StyleRead& style, std::ostream* out);

// Reads a workbook file as an independent reader would: the zip with libzip, the parts with pugixml,
// sheet 1 found through the workbook's relationships.
class XlsxReader {
public:
    explicit XlsxReader(const QString& path);

    QStringList partNames() const { return parts_.keys(); }
    QByteArray part(const QString& name) const { return parts_.value(name); }

    QString sheetName() const { return sheetName_; }
    CellRead cell(const QString& address) const;
    StyleRead style(int styleIndex) const;
    StyleRead styleOf(const QString& address) const { return style(cell(address).styleIndex); }
    QStringList merges() const;
    // The format index a row or a column gives its empty cells; 0 when it gives none.
    int rowStyle(int row) const;
    int columnStyle(int column) const;
    // The stored width of a column; 0 when the column has none.
    double columnWidth(int column) const;
    // The row numbers present in sheet 1's data, in file order.
    QList<int> rowNumbers() const;
    // The <c:f> texts of every chart part, in document order.
    QStringList chartFormulas() const;
    // The cached points (index -> value) beside the chart formula with the given text.
    QMap<int, QString> chartCache(const QString& formula) const;
    QString appTitles() const;
    // The texts (or attribute values) an XPath selects in the sheet of that name, e.g. "//f".
    QStringList sheetTexts(const QString& sheetName, const char* xpath) const;
    // "name=formula" of every defined name.
    QStringList definedNames() const;

private:
    QMap<QString, QByteArray> parts_;
    QString sheetName_;
    QString sheetPart_;
    QString workbookPart_;
    QStringList sharedStrings_;
    std::shared_ptr<pugi::xml_document> sheet_;
    std::shared_ptr<pugi::xml_document> styles_;
};

} // namespace quorvane::test
