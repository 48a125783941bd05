#include "XlsxReader.h"

#include <QDir>
#include <QRegularExpression>

#include <zip.h>

#include <gtest/gtest.h>

namespace quorvane::test {

namespace {

std::shared_ptr<pugi::xml_document> parse(const QByteArray& bytes) {
    auto document = std::make_shared<pugi::xml_document>();
    const auto result = document->load_buffer(bytes.constData(), bytes.size(),
                                              pugi::parse_default | pugi::parse_ws_pcdata_single);
    EXPECT_TRUE(result) << result.description();
    return document;
}

QString textOf(pugi::xml_node node) {
    return QString::fromUtf8(node.text().as_string());
}

QString relsTarget(const QByteArray& rels, const char* attribute, const std::string& value) {
    const auto document = parse(rels);
    for (pugi::xml_node rel : document->document_element().children("Relationship")) {
        if (std::string(rel.attribute(attribute).as_string()).ends_with(value))
            return QString::fromUtf8(rel.attribute("Target").as_string());
    }
    return {};
}

// "_x0041_" -> "A", "_x005F_" -> "_": the escapes of spreadsheet text, decoded as readers decode them.
QString decodeEscapes(const QString& stored) {
    static const QRegularExpression escape(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString shown;
    qsizetype copied = 0;
    for (auto it = escape.globalMatch(stored); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        shown += QStringView(stored).mid(copied, m.capturedStart() - copied);
        shown += QChar(static_cast<char16_t>(m.captured(1).toUShort(nullptr, 16)));
        copied = m.capturedEnd();
    }
    return shown + QStringView(stored).mid(copied);
}

pugi::xml_node nth(pugi::xml_node list, int index) {
    for (pugi::xml_node child : list.children()) {
        if (index-- == 0)
            return child;
    }
    return {};
}

} // namespace

XlsxReader::XlsxReader(const QString& path) {
    int error = 0;
    const std::unique_ptr<zip_t, decltype(&zip_discard)> archive(
        zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error), &zip_discard);
    if (!archive) {
        ADD_FAILURE() << "cannot open " << path.toStdString() << " as a zip, error " << error;
        return;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive.get(), 0); ++i) {
        zip_stat_t stat;
        zip_stat_index(archive.get(), i, 0, &stat);
        QByteArray content(static_cast<qsizetype>(stat.size), Qt::Uninitialized);
        const std::unique_ptr<zip_file_t, decltype(&zip_fclose)> file(zip_fopen_index(archive.get(), i, 0),
                                                                      &zip_fclose);
        EXPECT_EQ(zip_fread(file.get(), content.data(), stat.size), static_cast<zip_int64_t>(stat.size));
        parts_.insert(QString::fromUtf8(stat.name), content);
    }

    const QString workbookPart = relsTarget(part(QStringLiteral("_rels/.rels")), "Type", "/officeDocument");
    workbookPart_ = workbookPart;
    const auto workbook = parse(part(workbookPart));
    const pugi::xml_node sheet = workbook->document_element().child("sheets").child("sheet");
    sheetName_ = QString::fromUtf8(sheet.attribute("name").as_string());
    const QString folder = workbookPart.left(workbookPart.lastIndexOf(u'/') + 1);
    const QByteArray workbookRels =
        part(folder + QStringLiteral("_rels/") + workbookPart.mid(folder.size()) + QStringLiteral(".rels"));
    sheetPart_ =
        QDir::cleanPath(folder + relsTarget(workbookRels, "Id", sheet.attribute("r:id").as_string()));
    sheet_ = parse(part(sheetPart_));
    styles_ = parse(part(QDir::cleanPath(folder + relsTarget(workbookRels, "Type", "/styles"))));
    const QString stringsTarget = relsTarget(workbookRels, "Type", "/sharedStrings");
    if (!stringsTarget.isEmpty()) {
        const auto strings = parse(part(QDir::cleanPath(folder + stringsTarget)));
        for (pugi::xml_node si : strings->document_element().children("si"))
            sharedStrings_ << textOf(si.child("t"));
    }
}

CellRead XlsxReader::cell(const QString& address) const {
    CellRead read;
    if (!sheet_)
        return read;
    const std::string wanted = address.toStdString();
    for (pugi::xml_node row : sheet_->document_element().child("sheetData").children("row")) {
        for (pugi::xml_node c : row.children("c")) {
            if (wanted != c.attribute("r").as_string())
                continue;
            read.exists = true;
            read.type = QString::fromUtf8(c.attribute("t").as_string());
            read.styleIndex = c.attribute("s").as_int(0);
            read.hasFormula = bool(c.child("f"));
            read.formula = textOf(c.child("f"));
            if (read.type == u"s")
                read.text = sharedStrings_.value(c.child("v").text().as_int(-1));
            else if (read.type == u"inlineStr")
                read.text = textOf(c.child("is").child("t"));
            else
                read.text = textOf(c.child("v"));
            read.shown = decodeEscapes(read.text);
            return read;
        }
    }
    return read;
}

StyleRead XlsxReader::style(int styleIndex) const {
    StyleRead read;
    const pugi::xml_node root = styles_->document_element();
    const pugi::xml_node xf = nth(root.child("cellXfs"), styleIndex);
    const pugi::xml_node font = nth(root.child("fonts"), xf.attribute("fontId").as_int());
    read.fontName = QString::fromUtf8(font.child("name").attribute("val").as_string());
    read.fontSize = font.child("sz").attribute("val").as_double();
    read.bold = font.child("b") && font.child("b").attribute("val").as_bool(true);
    read.italic = font.child("i") && font.child("i").attribute("val").as_bool(true);
    read.fontColor = QString::fromUtf8(font.child("color").attribute("rgb").as_string());
    const pugi::xml_node fill = nth(root.child("fills"), xf.attribute("fillId").as_int());
    read.fillColor =
        QString::fromUtf8(fill.child("patternFill").child("fgColor").attribute("rgb").as_string());
    const int numberFormat = xf.attribute("numFmtId").as_int();
    read.numberFormat = QStringLiteral("#%1").arg(numberFormat);
    for (pugi::xml_node format : root.child("numFmts").children("numFmt")) {
        if (format.attribute("numFmtId").as_int() == numberFormat)
            read.numberFormat = QString::fromUtf8(format.attribute("formatCode").as_string());
    }
    read.horizontal = QString::fromUtf8(xf.child("alignment").attribute("horizontal").as_string());
    read.vertical = QString::fromUtf8(xf.child("alignment").attribute("vertical").as_string());
    const pugi::xml_node border = nth(root.child("borders"), xf.attribute("borderId").as_int());
    read.thinBorders = true;
    QStringList edges;
    for (const char* edge : {"left", "right", "top", "bottom"}) {
        const std::string style = border.child(edge).attribute("style").as_string();
        read.thinBorders = read.thinBorders && style == "thin";
        edges << QString::fromStdString(style);
    }
    read.edges = edges.join(u',');
    return read;
}

QStringList XlsxReader::merges() const {
    QStringList refs;
    for (pugi::xml_node m : sheet_->document_element().child("mergeCells").children("mergeCell"))
        refs << QString::fromUtf8(m.attribute("ref").as_string());
    return refs;
}

int XlsxReader::rowStyle(int row) const {
    for (pugi::xml_node r : sheet_->document_element().child("sheetData").children("row")) {
        if (r.attribute("r").as_int() == row && r.attribute("customFormat").as_bool())
            return r.attribute("s").as_int();
    }
    return 0;
}

int XlsxReader::columnStyle(int column) const {
    for (pugi::xml_node col : sheet_->document_element().child("cols").children("col")) {
        if (col.attribute("min").as_int() <= column && column <= col.attribute("max").as_int())
            return col.attribute("style").as_int();
    }
    return 0;
}

double XlsxReader::columnWidth(int column) const {
    for (pugi::xml_node col : sheet_->document_element().child("cols").children("col")) {
        if (col.attribute("min").as_int() <= column && column <= col.attribute("max").as_int())
            return col.attribute("width").as_double();
    }
    return 0;
}

QList<int> XlsxReader::rowNumbers() const {
    QList<int> rows;
    for (pugi::xml_node row : sheet_->document_element().child("sheetData").children("row"))
        rows << row.attribute("r").as_int();
    return rows;
}

QStringList XlsxReader::chartFormulas() const {
    QStringList formulas;
    for (auto it = parts_.begin(); it != parts_.end(); ++it) {
        if (!it.key().startsWith(u"xl/charts/chart"))
            continue;
        const auto chart = parse(it.value());
        for (const pugi::xpath_node& f : chart->select_nodes("//c:f"))
            formulas << textOf(f.node());
    }
    return formulas;
}

QMap<int, QString> XlsxReader::chartCache(const QString& formula) const {
    QMap<int, QString> points;
    for (auto it = parts_.begin(); it != parts_.end(); ++it) {
        if (!it.key().startsWith(u"xl/charts/chart"))
            continue;
        const auto chart = parse(it.value());
        for (const pugi::xpath_node& f : chart->select_nodes("//c:f")) {
            if (textOf(f.node()) != formula)
                continue;
            const pugi::xml_node cache = f.node().next_sibling();
            for (pugi::xml_node pt : cache.children("c:pt"))
                points.insert(pt.attribute("idx").as_int(), textOf(pt.child("c:v")));
        }
    }
    return points;
}

QString XlsxReader::appTitles() const {
    const auto app = parse(part(QStringLiteral("docProps/app.xml")));
    QStringList titles;
    for (const pugi::xpath_node& t : app->select_nodes("//TitlesOfParts//vt:lpstr"))
        titles << textOf(t.node());
    return titles.join(u'|');
}

QStringList XlsxReader::sheetTexts(const QString& sheetName, const char* xpath) const {
    const auto workbook = parse(part(workbookPart_));
    const QString folder = workbookPart_.left(workbookPart_.lastIndexOf(u'/') + 1);
    const QByteArray rels =
        part(folder + QStringLiteral("_rels/") + workbookPart_.mid(folder.size()) + QStringLiteral(".rels"));
    QStringList texts;
    for (pugi::xml_node sheet : workbook->document_element().child("sheets").children("sheet")) {
        if (QString::fromUtf8(sheet.attribute("name").as_string()) != sheetName)
            continue;
        const auto document = parse(
            part(QDir::cleanPath(folder + relsTarget(rels, "Id", sheet.attribute("r:id").as_string()))));
        for (const pugi::xpath_node& found : document->select_nodes(xpath))
            texts << QString::fromUtf8(found.attribute() ? found.attribute().value()
                                                         : found.node().text().as_string());
    }
    return texts;
}

QStringList XlsxReader::definedNames() const {
    const auto workbook = parse(part(workbookPart_));
    QStringList names;
    for (pugi::xml_node name : workbook->document_element().child("definedNames").children("definedName"))
        names << QString::fromUtf8(name.attribute("name").as_string()) + u'=' + textOf(name);
    return names;
}

void PrintTo(const StyleRead& style, std::ostream* out) {
    *out << "{font " << style.fontName.toStdString() << ' ' << style.fontSize << (style.bold ? " bold" : "")
         << (style.italic ? " italic" : "") << " colour " << style.fontColor.toStdString() << ", fill "
         << style.fillColor.toStdString() << ", format " << style.numberFormat.toStdString() << ", align "
         << style.horizontal.toStdString() << '/' << style.vertical.toStdString() << ", edges "
         << style.edges.toStdString() << '}';
}

} // namespace quorvane::test
