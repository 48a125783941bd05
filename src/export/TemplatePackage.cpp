#include "export/TemplatePackage.h"

#include "export/FileErrors.h"
#include "export/ScratchFile.h"
#include "export/SheetReferences.h"
#include "export/TemplateSheet.h"
#include "export/WorkbookError.h"
#include "export/XmlPart.h"
#include "export/ZipPackage.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <memory>
#include <string_view>
#include <vector>

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

// Calls visit(part) for every part the package's content types give the type.
template <typename Visit> void forEachPartOfType(const ZipPackage& zip, std::string_view type, Visit visit) {
    const pugi::xml_document types = parsePart(zip, QStringLiteral("[Content_Types].xml"));
    for (pugi::xml_node entry = types.document_element().first_child(); entry; entry = entry.next_sibling()) {
        if (localName(entry) == "Override" && entry.attribute("ContentType").as_string() == type)
            visit(QString::fromUtf8(entry.attribute("PartName").as_string()).mid(1));
    }
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

// Stands for a chart cache in the chart's document until the part is written; the cache's points, one
// per data row, are written as text instead of as elements.
constexpr char kCacheMarker[] = "quorvane-cache";

QByteArray xmlEscaped(QByteArrayView text) {
    QByteArray out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

// The chart part as it is written out: in pieces to a scratch file, so that the cached points of a long
// history never sit in memory as one text.
class ChartOutput {
public:
    explicit ChartOutput(ScratchFile& file)
        : file_(file) {}
    ~ChartOutput() = default;
    ChartOutput(const ChartOutput&) = delete;
    ChartOutput& operator=(const ChartOutput&) = delete;

    void append(QByteArrayView bytes) {
        pending_ += bytes;
        if (pending_.size() >= kPieceBytes)
            flush();
    }
    // The texts built from pieces ('<' + prefix + ...).
    void append(const QByteArray& bytes) { append(QByteArrayView(bytes)); }
    void flush() {
        file_.write(pending_);
        pending_.clear();
    }

private:
    static constexpr qsizetype kPieceBytes = 256 * 1024;
    ScratchFile& file_;
    QByteArray pending_;
};

// A chart reference whose cached values are rebuilt from the sheet.
struct CacheRequest {
    std::string prefix;
    bool numeric = false;
    CellRange range;
};

// The cached values beside a chart reference: the values of its range written from the sheet, so that
// readers that draw from the cache show the rows written.
void writeCache(ChartOutput& out, const CacheRequest& request, const ChartValues& values) {
    const QByteArray prefix = QByteArray::fromStdString(request.prefix);
    const QByteArray element = prefix + (request.numeric ? "numCache" : "strCache");
    const CellRange& range = request.range;
    out.append('<' + element + '>');
    if (request.numeric)
        out.append('<' + prefix + "formatCode>General</" + prefix + "formatCode>");
    out.append('<' + prefix + "ptCount val=\"" + QByteArray::number(range.lastRow - range.firstRow + 1) +
               "\"/>");
    QByteArray point;
    values.forEachValue(
        range.firstColumn, range.firstRow, range.lastRow, [&](const ChartValues::Value& value) {
            if (request.numeric && value.kind != CellKind::Number)
                return;
            point = '<' + prefix + "pt idx=\"" + QByteArray::number(value.row - range.firstRow) + "\"><" +
                    prefix + "v>" + xmlEscaped(escapeSpreadsheetText(value.text)) + "</" + prefix + "v></" +
                    prefix + "pt>";
            out.append(point);
        });
    out.append("</" + element + '>');
}

// Rewrites a chart's references to the renamed sheet and the rows written, with their cached values, into
// `file`. False, and nothing written, when the chart needs no change.
bool rewriteChart(const QByteArray& content, const QString& part, const QString& oldName,
                  const SheetModel& sheet, const ChartValues& values, ScratchFile& file) {
    if (content.contains(kCacheMarker))
        throw WorkbookError(QStringLiteral("部件“") + part + QStringLiteral("”含有保留的名称 ") +
                            QString::fromLatin1(kCacheMarker) + u'。');
    pugi::xml_document chart;
    parseXmlPart(chart, content, part);
    bool changed = false;
    std::vector<CacheRequest> caches;
    forEachElement(chart, "f", [&](pugi::xml_node f) {
        const QString formula = QString::fromUtf8(f.text().as_string());
        const RewrittenFormula rewritten =
            rewriteSheetReferences(formula, oldName, sheet.name(), sheet.lastValueRow());
        if (rewritten.text == formula && !rewritten.dataRange)
            return;
        f.text().set(rewritten.text.toUtf8().constData());
        pugi::xml_node holder = f.parent();
        // Category labels are the dates as texts: a numeric reference would make readers count them.
        if (rewritten.dataRange && localName(holder) == "numRef" && localName(holder.parent()) == "cat")
            holder.set_name((prefixOf(holder) + "strRef").c_str());
        const std::string_view kind = localName(holder);
        if (rewritten.dataRange && (kind == "numRef" || kind == "strRef")) {
            for (const char* cache : {"numCache", "strCache"}) {
                while (pugi::xml_node old = firstChild(holder, cache))
                    holder.remove_child(old);
            }
            holder.insert_child_after(kCacheMarker, f);
            caches.push_back({prefixOf(holder), kind == "numRef", *rewritten.dataRange});
        }
        changed = true;
    });
    if (!changed)
        return false;
    const QByteArray written = serializeXmlPart(chart);
    const QByteArray marker = QByteArray("<") + kCacheMarker + "/>";
    ChartOutput out(file);
    qsizetype copied = 0;
    for (const CacheRequest& cache : caches) {
        const qsizetype at = written.indexOf(marker, copied);
        out.append(QByteArrayView(written).sliced(copied, at - copied));
        writeCache(out, cache, values);
        copied = at + marker.size();
    }
    out.append(QByteArrayView(written).sliced(copied));
    out.flush();
    return true;
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
        package.worksheet_ = std::make_unique<pugi::xml_document>(parsePart(zip, package.sheetPart_));
        if (!firstChild(package.worksheet_->document_element(), "sheetData"))
            throw WorkbookError(QStringLiteral("第一个工作表没有单元格数据（sheetData）。"));
        package.styles_ = std::make_unique<pugi::xml_document>(parsePart(zip, package.stylesPart_));
        for (const char* list : {"fonts", "borders", "cellXfs"}) {
            if (!firstChild(package.styles_->document_element(), list))
                throw WorkbookError(QStringLiteral("样式部件中没有 ") + QString::fromLatin1(list) +
                                    QStringLiteral(" 列表。"));
        }
        // The columns the charts draw from the data rows, whose values are kept for their caches.
        forEachPartOfType(zip, kChartContentType, [&](const QString& part) {
            const pugi::xml_document chart = parsePart(zip, part);
            forEachElement(chart, "f", [&](pugi::xml_node f) {
                const RewrittenFormula range =
                    rewriteSheetReferences(QString::fromUtf8(f.text().as_string()), package.sheetName_,
                                           package.sheetName_, kMaxRows);
                if (range.dataRange)
                    package.chartColumns_.push_back(range.dataRange->firstColumn);
            });
        });
    } catch (const WorkbookError& error) {
        throw WorkbookError(QStringLiteral("模板文件") + quotedPath(path) + QStringLiteral("不能使用：") +
                            error.message());
    }
    return package;
}

std::unique_ptr<pugi::xml_document> TemplatePackage::takeWorksheet() {
    return std::move(worksheet_);
}

std::unique_ptr<pugi::xml_document> TemplatePackage::takeStyles() {
    return std::move(styles_);
}

QByteArray TemplatePackage::filled(const SheetModel& sheet, const QString& worksheetFile, QByteArray styles,
                                   const ChartValues& chartValues) const {
    ZipPackage zip(bytes_);
    const bool renamed = sheet.name() != sheetName_;
    zip.replaceFromFile(sheetPart_, worksheetFile);
    zip.replace(stylesPart_, std::move(styles));

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

    // The rewritten charts stay in their files until the package is complete.
    std::vector<std::unique_ptr<ScratchFile>> charts;
    forEachPartOfType(zip, kChartContentType, [&](const QString& part) {
        auto file = std::make_unique<ScratchFile>();
        if (rewriteChart(zip.read(part), part, sheetName_, sheet, chartValues, *file)) {
            zip.replaceFromFile(part, file->path());
            charts.push_back(std::move(file));
        }
    });
    if (renamed) {
        // The other sheets' formulas that named the renamed sheet follow it.
        forEachPartOfType(zip, kWorksheetContentType, [&](const QString& part) {
            if (part == sheetPart_)
                return;
            pugi::xml_document other = parsePart(zip, part);
            if (renameInWorksheet(other, sheetName_, sheet.name()))
                zip.replace(part, serializeXmlPart(other));
        });
    }
    return zip.finish();
}

} // namespace quorvane
