// Templates a user may be handed: bombs, parts that lie about their size, document type declarations
// and missing pieces. Each is refused when it is opened, by a message in the program's language that
// names the file and what is wrong, before anything is inflated beyond bounds or copied.
#include "ExportTesting.h"
#include "ZipBuilder.h"
#include "platform/QStringPrinter.h"

#include "export/WorkbookError.h"
#include "export/ZipPackage.h"
#include "support/Files.h"

#include <QDir>

#include <functional>
#include <ostream>

namespace quorvane::test {
namespace {

const QString kSheetPart = QStringLiteral("xl/worksheets/sheet1.xml");

void replaceIn(std::vector<ZipEntry>& entries, const QString& part, const char* from, const char* to) {
    if (ZipEntry* entry = findEntry(entries, part)) {
        ASSERT_TRUE(entry->content.contains(from)) << part.toStdString() << " has no " << from;
        entry->content.replace(from, to);
    }
}

struct HostileCase {
    const char* name;
    std::function<void(std::vector<ZipEntry>&)> change;
    QStringList words; // what the message says besides the file
};

void PrintTo(const HostileCase& c, std::ostream* out) {
    *out << c.name;
}

const HostileCase kHostileCases[] = {
    {"part_claims_four_gigabytes",
     [](auto& entries) { findEntry(entries, kSheetPart)->claimedSize = 0xfffffff0u; },
     {QStringLiteral("部件“xl/worksheets/sheet1.xml”")}},
    {"part_inflates_past_its_limit",
     [](auto& entries) {
         // Claims a harmless size; only the inflating shows the truth.
         ZipEntry bomb{QStringLiteral("xl/media/image1.png"), QByteArray(kMaxPartBytes + 1, 'a')};
         bomb.claimedSize = 100;
         entries.push_back(bomb);
     },
     {QStringLiteral("部件“xl/media/image1.png”解压后超过 16 MB")}},
    {"parts_inflate_past_the_package_limit",
     [](auto& entries) {
         const QByteArray large(kMaxPartBytes - 1, ' ');
         for (int i = 1; i <= kMaxPackageBytes / kMaxPartBytes + 1; ++i)
             entries.push_back(ZipEntry{QStringLiteral("customXml/item%1.xml").arg(i), large});
     },
     {QStringLiteral("全部部件解压后超过 64 MB")}},
    {"doctype_in_a_copied_part",
     [](auto& entries) {
         replaceIn(entries, QStringLiteral("xl/sharedStrings.xml"), "<sst ",
                   "<!DOCTYPE sst [<!ENTITY x \"y\">]><sst ");
     },
     {QStringLiteral("部件“xl/sharedStrings.xml”含有文档类型声明（DOCTYPE）")}},
    {"doctype_in_utf16_and_lower_case",
     [](auto& entries) {
         const QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?><!doctype a><a/>");
         QByteArray utf16("\xff\xfe");
         utf16.append(reinterpret_cast<const char*>(xml.utf16()), xml.size() * 2);
         entries.push_back(ZipEntry{QStringLiteral("customXml/item1.xml"), utf16});
     },
     {QStringLiteral("部件“customXml/item1.xml”含有文档类型声明（DOCTYPE）")}},
    {"doctype_in_the_sheet_filled",
     [](auto& entries) { replaceIn(entries, kSheetPart, "<worksheet ", "<!DOCTYPE worksheet><worksheet "); },
     {QStringLiteral("部件“xl/worksheets/sheet1.xml”含有文档类型声明（DOCTYPE）")}},
    {"checksum_does_not_match",
     [](auto& entries) { findEntry(entries, QStringLiteral("xl/theme/theme1.xml"))->claimedCrc = 12345; },
     {QStringLiteral("部件“xl/theme/theme1.xml”已损坏")}},
    {"missing_sheet",
     [](auto& entries) { std::erase_if(entries, [](const ZipEntry& e) { return e.name == kSheetPart; }); },
     {QStringLiteral("缺少第一个工作表“历史记录”的部件“xl/worksheets/sheet1.xml”")}},
    {"no_sheet_listed",
     [](auto& entries) {
         ZipEntry* workbook = findEntry(entries, QStringLiteral("xl/workbook.xml"));
         const qsizetype from = workbook->content.indexOf("<sheet ");
         const qsizetype to = workbook->content.indexOf("/>", from) + 2;
         workbook->content.remove(from, to - from);
     },
     {QStringLiteral("工作簿中没有工作表")}},
    {"sheet_without_cell_data",
     [](auto& entries) {
         ZipEntry* sheet = findEntry(entries, kSheetPart);
         const qsizetype from = sheet->content.indexOf("<sheetData>");
         const qsizetype to = sheet->content.indexOf("</sheetData>") + int(std::strlen("</sheetData>"));
         sheet->content.remove(from, to - from);
     },
     {QStringLiteral("第一个工作表没有单元格数据（sheetData）")}},
    {"part_not_well_formed",
     [](auto& entries) { findEntry(entries, QStringLiteral("xl/workbook.xml"))->content.chop(12); },
     {QStringLiteral("部件“xl/workbook.xml”不是有效的 XML")}},
    {"styles_missing",
     [](auto& entries) {
         std::erase_if(entries, [](const ZipEntry& e) { return e.name == u"xl/styles.xml"; });
     },
     {QStringLiteral("缺少样式部件")}},
};

class HostileTemplate : public ExportFolder, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileTemplate, IsRefusedOnOpeningByNameAndReason) {
    std::vector<ZipEntry> entries = zipEntries(templatePath());
    ASSERT_FALSE(entries.empty());
    GetParam().change(entries);
    const QString hostile = path(QStringLiteral("历史记录曲线排名模板.xls"));
    ASSERT_TRUE(test::WriteFile(hostile, buildZip(entries)));
    const QStringList before = folderEntries(dir_.path());
    try {
        Workbook::openCopy(hostile);
        FAIL() << "opened";
    } catch (const WorkbookError& error) {
        const QString message = error.message();
        EXPECT_TRUE(message.startsWith(QStringLiteral("模板文件“") + QDir::toNativeSeparators(hostile) +
                                       QStringLiteral("”不能使用：")))
            << message.toStdString();
        for (const QString& words : GetParam().words)
            EXPECT_TRUE(message.contains(words)) << message.toStdString();
    }
    EXPECT_EQ(folderEntries(dir_.path()), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileTemplate, ::testing::ValuesIn(kHostileCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The hand-written package of the unchanged template is a usable template: the cases above fail for
// what they change, not for how the package is written.
TEST_F(HostileTemplate, RewrittenShippedTemplateOpensAndFills) {
    const QString copy = path(QStringLiteral("copy.xls"));
    ASSERT_TRUE(test::WriteFile(copy, buildZip(zipEntries(templatePath()))));
    Workbook book = Workbook::openCopy(copy);
    book.setText(3, 1, QStringLiteral("排名软件"));
    EXPECT_EQ(saveAndRead(book).cell(QStringLiteral("A3")).text, QStringLiteral("排名软件"));
}

} // namespace
} // namespace quorvane::test
