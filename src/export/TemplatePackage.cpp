#include "export/TemplatePackage.h"

#include "export/FileErrors.h"
#include "export/SheetReferences.h"
#include "export/TemplateSheet.h"
#include "export/TemplateStyles.h"
#include "export/WorkbookError.h"
#include "export/XmlPart.h"
#include "export/ZipPackage.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane {

namespace {

constexpr std::string_view kChartContentType =
    "application/vnd.openxmlformats-officedocument.drawingml.chart+xml";
constexpr std::string_view kWorksheetContentType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";

pugi::xml_document parsePart(const ZipPackage& zip, const QString& part) {
    pugi::xml_document document;
    parseXmlPart(document, zip.read(part), part);
    return document;
}

// The relationships part that belongs to a part: "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels".
QString relationshipsOf(const QString& part) {
    const qsizetype slash = part.lastIndexOf(u'/');
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

// A relationship target relative to the folder of its source part, as a package part name.
QString resolveTarget(const QString& sourcePart, const QString& target) {
    if (target.startsWith(u'/'))
        return target.mid(1);
    const QString folder = sourcePart.left(sourcePart.lastIndexOf(u'/') + 1);
    return QDir::cleanPath(folder + target);
}

bool endsWith(const char* text, std::string_view suffix) {
    return std::string_view(text).ends_with(suffix);
}

// The target of the first relationship in the source part's relationships that satisfies the test.
template <typename Test>
QString findRelationship(const ZipPackage& zip, const QString& sourcePart, Test test) {
    const QString relsPart =
        sourcePart.isEmpty() ? QStringLiteral("_rels/.rels") : relationshipsOf(sourcePart);
    if (!zip.contains(relsPart))
        return {};
    const pugi::xml_document rels = parsePart(zip, relsPart);
    for (pugi::xml_node rel = rels.document_element().first_child(); rel; rel = rel.next_sibling()) {
        if (test(rel))
            return resolveTarget(sourcePart, QString::fromUtf8(rel.attribute("Target").as_string()));
    }
    return {};
}

template <typename Visit> void forEachElement(pugi::xml_node node, std::string_view local, Visit visit) {
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element)
            continue;
        if (localName(child) == local)
            visit(child);
        else
            forEachElement(child, local, visit);
    }
}

// Replaces the cached values beside a chart reference with the sheet's values of its range, so that
// readers that draw from the cache show the rows written.
void rebuildCache(pugi::xml_node reference, const CellRange& range, const SheetModel& sheet) {
    pugi::xml_node holder = reference.parent(); // c:numRef or c:strRef
    const bool numeric = localName(holder) == "numRef";
    const std::string p = prefixOf(holder);
    for (const char* cache : {"numCache", "strCache"}) {
        while (pugi::xml_node old = firstChild(holder, cache))
            holder.remove_child(old);
    }
    pugi::xml_node cache =
        holder.insert_child_after((p + (numeric ? "numCache" : "strCache")).c_str(), reference);
    if (numeric)
        cache.append_child((p + "formatCode").c_str()).text().set("General");
    const int count = range.lastRow - range.firstRow + 1;
    cache.append_child((p + "ptCount").c_str()).append_attribute("val") = count;
    for (int row = range.firstRow; row <= std::min(range.lastRow, sheet.rowCount()); ++row) {
        const std::vector<SheetCell>& cells = sheet.row(row);
        if (static_cast<int>(cells.size()) < range.firstColumn)
            continue;
        const SheetCell& cell = cells[range.firstColumn - 1];
        const bool usable = numeric ? cell.kind() == CellKind::Number
                                    : cell.kind() == CellKind::Text || cell.kind() == CellKind::Number;
        if (!usable)
            continue;
        pugi::xml_node point = cache.append_child((p + "pt").c_str());
        point.append_attribute("idx") = row - range.firstRow;
        point.append_child((p + "v").c_str()).text().set(escapeSpreadsheetText(cell.content()).constData());
    }
}

// Names newName instead of oldName in the formulas of a worksheet: its cells' (shared ones included),
// its conditional formats' and validations' (also in the extensions of newer programs) and the targets
// of its links inside the workbook. Rows stay. Returns whether anything changed.
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

QByteArray rewriteChart(const QByteArray& content, const QString& part, const QString& oldName,
                        const SheetModel& sheet, bool& changed) {
    pugi::xml_document chart;
    parseXmlPart(chart, content, part);
    changed = false;
    forEachElement(chart, "f", [&](pugi::xml_node f) {
        const QString formula = QString::fromUtf8(f.text().as_string());
        const RewrittenFormula rewritten =
            rewriteSheetReferences(formula, oldName, sheet.name(), sheet.lastValueRow());
        if (rewritten.text == formula && !rewritten.dataRange)
            return;
        f.text().set(rewritten.text.toUtf8().constData());
        pugi::xml_node holderNode = f.parent();
        // Category labels are the dates as texts: a numeric reference would make readers count them.
        if (rewritten.dataRange && localName(holderNode) == "numRef" &&
            localName(holderNode.parent()) == "cat")
            holderNode.set_name((prefixOf(holderNode) + "strRef").c_str());
        const std::string_view holder = localName(holderNode);
        if (rewritten.dataRange && (holder == "numRef" || holder == "strRef"))
            rebuildCache(f, *rewritten.dataRange, sheet);
        changed = true;
    });
    return serializeXmlPart(chart);
}

} // namespace

namespace {

// The whole template file, refused beyond what its package may hold once inflated.
QByteArray readTemplateFile(const QString& path) {
    const QString action = QStringLiteral("无法读取模板文件");
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw fileError(action, path, errno);
    const struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throw fileError(action, path, errno);
    if (S_ISDIR(info.st_mode))
        throw fileError(action, path, EISDIR);
    if (info.st_size > kMaxPackageBytes)
        throw WorkbookError(
            QStringLiteral("模板文件") + quotedPath(path) +
            QStringLiteral("不能使用：文件大于 %1 MB。").arg(kMaxPackageBytes / (1024 * 1024)));
    QByteArray bytes(static_cast<qsizetype>(info.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw fileError(action, path, errno);
        if (got == 0)
            break; // the file shrank meanwhile; the package check finds what is missing
        done += got;
    }
    bytes.truncate(done);
    return bytes;
}

} // namespace

TemplatePackage TemplatePackage::read(const QString& path) {
    TemplatePackage package;
    package.path_ = path;
    package.bytes_ = readTemplateFile(path);

    try {
        const ZipPackage zip(package.bytes_);
        // Every part is inflated once within bounds and refused with a document type declaration
        // before any is parsed or copied.
        zip.verify();
        package.workbookPart_ = findRelationship(zip, QString(), [](pugi::xml_node rel) {
            return endsWith(rel.attribute("Type").as_string(), "/officeDocument");
        });
        if (package.workbookPart_.isEmpty())
            throw WorkbookError(QStringLiteral("找不到工作簿部件。"));
        const pugi::xml_document workbook = parsePart(zip, package.workbookPart_);
        const pugi::xml_node sheet = firstChild(firstChild(workbook.document_element(), "sheets"), "sheet");
        if (!sheet)
            throw WorkbookError(QStringLiteral("工作簿中没有工作表。"));
        const std::string relationId = attributeByLocalName(sheet, "id").as_string();
        package.sheetName_ = QString::fromUtf8(sheet.attribute("name").as_string());
        package.sheetPart_ = findRelationship(zip, package.workbookPart_, [&](pugi::xml_node rel) {
            return relationId == rel.attribute("Id").as_string();
        });
        package.stylesPart_ = findRelationship(zip, package.workbookPart_, [](pugi::xml_node rel) {
            return endsWith(rel.attribute("Type").as_string(), "/styles");
        });
        package.appPart_ = findRelationship(zip, QString(), [](pugi::xml_node rel) {
            return endsWith(rel.attribute("Type").as_string(), "/extended-properties");
        });
        if (package.sheetName_.isEmpty() || package.sheetPart_.isEmpty())
            throw WorkbookError(QStringLiteral("第一个工作表没有名称或找不到它的部件。"));
        if (!zip.contains(package.sheetPart_))
            throw WorkbookError(QStringLiteral("缺少第一个工作表“") + package.sheetName_ +
                                QStringLiteral("”的部件“") + package.sheetPart_ + QStringLiteral("”。"));
        if (package.stylesPart_.isEmpty() || !zip.contains(package.stylesPart_))
            throw WorkbookError(QStringLiteral("缺少样式部件。"));
        if (!package.appPart_.isEmpty() && !zip.contains(package.appPart_))
            package.appPart_.clear();
        // What the fill needs of the sheet and its styles is checked now, not when the user saves.
        const pugi::xml_document worksheet = parsePart(zip, package.sheetPart_);
        if (!firstChild(worksheet.document_element(), "sheetData"))
            throw WorkbookError(QStringLiteral("第一个工作表没有单元格数据（sheetData）。"));
        const pugi::xml_document styles = parsePart(zip, package.stylesPart_);
        for (const char* list : {"fonts", "borders", "cellXfs"}) {
            if (!firstChild(styles.document_element(), list))
                throw WorkbookError(QStringLiteral("样式部件中没有 ") + QString::fromLatin1(list) +
                                    QStringLiteral(" 列表。"));
        }
    } catch (const WorkbookError& error) {
        throw WorkbookError(QStringLiteral("模板文件") + quotedPath(path) + QStringLiteral("不能使用：") +
                            error.message());
    }
    return package;
}

QByteArray TemplatePackage::filled(const SheetModel& sheet) const {
    ZipPackage zip(bytes_);

    pugi::xml_document styles = parsePart(zip, stylesPart_);
    TemplateStyles templateStyles(styles);
    pugi::xml_document worksheet = parsePart(zip, sheetPart_);
    // The template's own formulas first; the fill's name no sheet.
    const bool renamed = sheet.name() != sheetName_;
    if (renamed)
        renameInWorksheet(worksheet, sheetName_, sheet.name());
    fillWorksheet(worksheet, sheet, templateStyles);
    zip.replace(sheetPart_, serializeXmlPart(worksheet));
    zip.replace(stylesPart_, serializeXmlPart(styles));

    pugi::xml_document workbook = parsePart(zip, workbookPart_);
    const pugi::xml_node root = workbook.document_element();
    firstChild(firstChild(root, "sheets"), "sheet").attribute("name") = sheet.name().toUtf8().constData();
    forEachElement(root, "definedName", [&](pugi::xml_node name) {
        const QString formula = QString::fromUtf8(name.text().as_string());
        // Defined names keep their rows; only the sheet name changes.
        name.text().set(rewriteSheetReferences(formula, sheetName_, sheet.name(), std::nullopt)
                            .text.toUtf8()
                            .constData());
    });
    if (sheet.hasFormulas()) {
        // The formulas written carry no computed values for every reader; have them computed on opening.
        if (pugi::xml_node calc = firstChild(root, "calcPr")) {
            if (!calc.attribute("fullCalcOnLoad"))
                calc.append_attribute("fullCalcOnLoad");
            calc.attribute("fullCalcOnLoad") = 1;
        }
    }
    zip.replace(workbookPart_, serializeXmlPart(workbook));

    if (!appPart_.isEmpty()) {
        pugi::xml_document app = parsePart(zip, appPart_);
        bool changed = false;
        forEachElement(app.document_element(), "TitlesOfParts", [&](pugi::xml_node titles) {
            forEachElement(titles, "lpstr", [&](pugi::xml_node title) {
                // The sheet's own title, and those of its names ("Data!Print_Titles").
                const QString text = QString::fromUtf8(title.text().as_string());
                const QString retitled =
                    text == sheetName_
                        ? sheet.name()
                        : rewriteSheetReferences(text, sheetName_, sheet.name(), std::nullopt).text;
                if (retitled != text) {
                    title.text().set(retitled.toUtf8().constData());
                    changed = true;
                }
            });
        });
        if (changed)
            zip.replace(appPart_, serializeXmlPart(app));
    }

    const pugi::xml_document types = parsePart(zip, QStringLiteral("[Content_Types].xml"));
    for (pugi::xml_node entry = types.document_element().first_child(); entry; entry = entry.next_sibling()) {
        if (localName(entry) != "Override")
            continue;
        const std::string_view type = entry.attribute("ContentType").as_string();
        const QString part = QString::fromUtf8(entry.attribute("PartName").as_string()).mid(1);
        if (type == kChartContentType) {
            bool changed = false;
            QByteArray chart = rewriteChart(zip.read(part), part, sheetName_, sheet, changed);
            if (changed)
                zip.replace(part, std::move(chart));
        } else if (type == kWorksheetContentType && renamed && part != sheetPart_) {
            // The other sheets' formulas that named the renamed sheet follow it.
            pugi::xml_document other = parsePart(zip, part);
            if (renameInWorksheet(other, sheetName_, sheet.name()))
                zip.replace(part, serializeXmlPart(other));
        }
    }
    return zip.finish();
}

} // namespace quorvane
