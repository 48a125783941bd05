// Filling a copy of the history template: rows from 3 on, the renamed sheet, the chart pointed at the
// rows written, and the template itself left alone.
#include "ExportTesting.h"

#include "export/WorkbookError.h"
#include "support/Files.h"

namespace quorvane::test {
namespace {

const QString kSheetName = QStringLiteral("关键词和链接历史记录");

struct HistoryRow {
    const char* keyword;
    const char* url;
    int baidu;
    int google;
    const char* day;
};

const HistoryRow kHistory[] = {
    {"排名软件", "www.example.com", 3, 12, "2010-05-13"},
    {"排名软件", "www.example.com", 0, 9, "2010-05-12"},
    {"排名软件", "www.example.com", 5, 10, "2010-05-11"},
};

class TemplateFill : public ExportFolder {
protected:
    // The history export's steps for the first `rows` rows of the history above.
    Workbook filled(int rows) const {
        Workbook book = Workbook::openCopy(templatePath());
        book.setSheetName(kSheetName);
        for (int i = 0; i < rows; ++i) {
            const HistoryRow& h = kHistory[i];
            const int r = 3 + i;
            book.setText(r, 1, QString::fromUtf8(h.keyword));
            book.setText(r, 2, QString::fromUtf8(h.url));
            book.setNumber(r, 3, h.baidu);
            book.setNumber(r, 4, h.google);
            book.setText(r, 5, QString::fromUtf8(h.day));
            book.centreHorizontally(QStringLiteral("A%1:E%1").arg(r));
        }
        return book;
    }
};

class TemplateFillRows : public TemplateFill, public ::testing::WithParamInterface<int> {};

TEST_P(TemplateFillRows, WritesRowsFromThreeAndPointsTheChartAtThem) {
    const int rows = GetParam();
    const XlsxReader file = saveAndRead(filled(rows));

    EXPECT_EQ(file.sheetName(), kSheetName);
    EXPECT_EQ(file.appTitles(), kSheetName);
    // Rows 1 and 2 are the template's.
    EXPECT_EQ(file.cell(QStringLiteral("A2")).text, QStringLiteral("关键词"));
    EXPECT_EQ(file.cell(QStringLiteral("E2")).text, QStringLiteral("日期"));
    EXPECT_EQ(file.merges(), QStringList{QStringLiteral("A1:E1")});

    QList<int> expectedRows{1, 2};
    for (int i = 0; i < rows; ++i) {
        const QString r = QString::number(3 + i);
        SCOPED_TRACE(r.toStdString());
        expectedRows << 3 + i;
        EXPECT_EQ(file.cell(u'A' + r).text, QString::fromUtf8(kHistory[i].keyword));
        EXPECT_EQ(file.cell(u'C' + r).text, QString::number(kHistory[i].baidu));
        EXPECT_EQ(file.cell(u'D' + r).text, QString::number(kHistory[i].google));
        EXPECT_EQ(file.cell(u'E' + r).text, QString::fromUtf8(kHistory[i].day));
        for (const QChar column : QStringLiteral("ABCDE"))
            EXPECT_EQ(file.styleOf(column + r).horizontal, QStringLiteral("center"));
    }
    EXPECT_EQ(file.rowNumbers(), expectedRows);
    EXPECT_FALSE(file.cell(QStringLiteral("A") + QString::number(3 + rows)).exists);

    // With no rows the series name row 3 alone, which is empty.
    const QString last = QString::number(std::max(3, rows + 2));
    const QString sheet = QStringLiteral("'关键词和链接历史记录'!");
    const QStringList expected{sheet + QStringLiteral("$C$2"),
                               sheet + QStringLiteral("$E$3:$E$") + last,
                               sheet + QStringLiteral("$C$3:$C$") + last,
                               sheet + QStringLiteral("$D$2"),
                               sheet + QStringLiteral("$E$3:$E$") + last,
                               sheet + QStringLiteral("$D$3:$D$") + last};
    EXPECT_EQ(file.chartFormulas(), expected);

    QMap<int, QString> baidu, days;
    for (int i = 0; i < rows; ++i) {
        baidu.insert(i, QString::number(kHistory[i].baidu));
        days.insert(i, QString::fromUtf8(kHistory[i].day));
    }
    EXPECT_EQ(file.chartCache(expected[2]), baidu);
    EXPECT_EQ(file.chartCache(expected[1]), days);
}

INSTANTIATE_TEST_SUITE_P(Rows, TemplateFillRows, ::testing::Values(0, 1, 3),
                         [](const auto& info) { return std::to_string(info.param) + "_rows"; });

TEST_F(TemplateFill, LeavesTheTemplateAndItsOtherPartsUnchanged) {
    const QByteArray before = fileBytes(templatePath());
    filled(3).save(path(QStringLiteral("first.xls")));
    filled(3).save(path(QStringLiteral("second.xls")));
    EXPECT_EQ(fileBytes(templatePath()), before);

    const XlsxReader original(templatePath());
    const XlsxReader first(path(QStringLiteral("first.xls")));
    const XlsxReader second(path(QStringLiteral("second.xls")));
    EXPECT_EQ(first.partNames(), original.partNames());
    const QStringList changed{QStringLiteral("xl/worksheets/sheet1.xml"), QStringLiteral("xl/styles.xml"),
                              QStringLiteral("xl/workbook.xml"), QStringLiteral("docProps/app.xml"),
                              QStringLiteral("xl/charts/chart1.xml")};
    for (const QString& part : original.partNames()) {
        SCOPED_TRACE(part.toStdString());
        EXPECT_EQ(first.part(part), second.part(part));
        if (changed.contains(part))
            EXPECT_NE(first.part(part), original.part(part));
        else
            EXPECT_EQ(first.part(part), original.part(part));
    }
}

TEST_F(TemplateFill, MissingTemplateNamesTheFileAndWritesNothing) {
    const QString missing = path(QStringLiteral("历史记录曲线排名模板.xls"));
    const QStringList before = folderEntries(dir_.path());
    try {
        Workbook::openCopy(missing);
        FAIL() << "no error";
    } catch (const WorkbookError& error) {
        EXPECT_TRUE(error.message().contains(missing)) << error.what();
    }
    EXPECT_EQ(folderEntries(dir_.path()), before);
}

TEST_F(TemplateFill, FileThatIsNoWorkbookNamesTheFile) {
    const QString text = path(QStringLiteral("notes.xls"));
    ASSERT_TRUE(test::WriteFile(text, "关键词\t相关链接\n"));
    try {
        Workbook::openCopy(text);
        FAIL() << "no error";
    } catch (const WorkbookError& error) {
        EXPECT_TRUE(error.message().contains(text)) << error.what();
    }
}

TEST_F(TemplateFill, MergeOverTheTemplatesTitleFailsAndKeepsTheTarget) {
    const QString target = path(QStringLiteral("out.xls"));
    filled(1).save(target);
    const QByteArray before = fileBytes(target);
    const QStringList entries = folderEntries(dir_.path());

    Workbook book = filled(3);
    book.merge(u"D1:F1");
    EXPECT_THROW(book.save(target), WorkbookError);
    EXPECT_EQ(fileBytes(target), before);
    EXPECT_EQ(folderEntries(dir_.path()), entries);
}

} // namespace
} // namespace quorvane::test
