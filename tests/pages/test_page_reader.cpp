// The page reader: its protocol, its process reading pages as this process would, and every way a reader
// can end (a signal, its CPU time, the caller's deadline, its memory limit) giving an outcome to the caller
// and a new reader to the next page. This test binary is itself a page reader when started as one
// (TestMain.cpp).
#include "pages/PageReader.h"
#include "pages/PageReaderProtocol.h"
#include "pages/PageReading.h"

#include "platform/QStringPrinter.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <csignal>
#include <string>

namespace quorvane {
namespace {

using namespace std::chrono_literals;

// Google's period markers and today's result definition for Bing, as the engine layer hands them over.
PageRequest readingRequest(QByteArray page) {
    PageRequest request;
    request.page = std::move(page);
    request.readResults = true;
    request.markers.markup = MarkupPart::Body;
    request.markers.itemStart = "<LI class=g>";
    request.markers.itemEnd = "</A></H3>";
    request.markers.linkEnd = "\" target=_blank";
    request.tree.results = QStringLiteral("#b_results > li.b_algo");
    request.tree.link = QStringLiteral("h2 a[href]");
    request.tree.shownAddress = QStringLiteral("cite");
    request.tree.noResultsMarks = QStringList{QStringLiteral("There are no results for")};
    request.base = QStringLiteral("http://engine.example");
    return request;
}

QByteArray periodPage(int results) {
    QByteArray page = "<html><body><ol>";
    for (int i = 1; i <= results; ++i)
        page += "<li class=g><h3 class=r><a href=\"http://period" + QByteArray::number(i) +
                ".example/\" target=_blank>r</a></h3></li>";
    return page + "</ol></body></html>";
}

QByteArray todaysPage(int results) {
    QByteArray page = "<html><body><ol id=b_results>";
    for (int i = 1; i <= results; ++i)
        page += "<li class=b_algo><h2><a href=\"/link?n=" + QByteArray::number(i) +
                "\">r</a></h2><cite>shown" + QByteArray::number(i) + "</cite></li>";
    return page + "</ol></body></html>";
}

// The reader's answer equals the same work done in this process, for pages read by either definition, with
// and without the markup.
TEST(PageReader, ReadsAsThisProcessWould) {
    PageReader reader;
    const QList<PageRequest> requests = [] {
        QList<PageRequest> list;
        for (const QByteArray& page :
             {periodPage(3), todaysPage(4), QByteArray("<p>There are no results for x"),
              QByteArray("<p>nothing here"), QByteArray()}) {
            for (const MarkupWanted markup :
                 {MarkupWanted::None, MarkupWanted::WhenUnread, MarkupWanted::Always}) {
                PageRequest request = readingRequest(page);
                request.markup = markup;
                list << request;
            }
        }
        PageRequest gbk = readingRequest(QByteArray("<p>\xC4\xE3\xBA\xC3</p>")); // 你好 in GBK
        gbk.charset = "gb2312";
        gbk.markup = MarkupWanted::Always;
        list << gbk;
        return list;
    }();
    for (const PageRequest& request : requests) {
        const PageReaderReply reply = reader.read(request);
        ASSERT_TRUE(reply.read()) << readerEndNote(reply).toStdString();
        EXPECT_EQ(reply.reading, readPageInProcess(request)) << request.page.left(80).constData();
    }
    EXPECT_EQ(reader.starts(), 1); // one reader for every page

    const PageReading period = reader.read(readingRequest(periodPage(3))).reading;
    ASSERT_EQ(period.results.size(), 3);
    EXPECT_EQ(period.results[2].address, "http://period3.example/");
    const PageReading today = reader.read(readingRequest(todaysPage(2))).reading;
    ASSERT_EQ(today.results.size(), 2);
    EXPECT_EQ(today.results[1].address, "http://engine.example/link?n=2");
    EXPECT_EQ(today.results[1].shownAddress, "shown2");
}

TEST(PageReaderProtocol, FramesRoundTripAndDamageIsRefused) {
    PageRequest request = readingRequest(todaysPage(2));
    request.charset = "utf-8";
    request.markers.promotedItems = true;
    request.markers.greenStart = "<FONT>";
    request.markup = MarkupWanted::WhenUnread;
    const QByteArray framed = encodeRequest(request, 7);
    ASSERT_EQ(frameLength(framed.constData()), framed.size() - kFrameHeaderBytes);
    quint64 number = 0;
    const std::optional<PageRequest> back =
        decodeRequest(QByteArrayView(framed).sliced(kFrameHeaderBytes), &number);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, request);
    EXPECT_EQ(number, 7u);

    PageReading reading;
    reading.results = {{QStringLiteral("http://a/"), QStringLiteral("a"), true},
                       {QStringLiteral("http://b/"), {}, false}};
    reading.rootGbk = "<HEAD></HEAD>";
    const QByteArray reply = encodeReply(reading, 9);
    const std::optional<PageReading> replyBack =
        decodeReply(QByteArrayView(reply).sliced(kFrameHeaderBytes), &number);
    ASSERT_TRUE(replyBack);
    EXPECT_EQ(*replyBack, reading);
    EXPECT_EQ(number, 9u);

    // Cut short, with bytes left over, a reply taken for a request, a count larger than the payload.
    const QByteArrayView replyPayload = QByteArrayView(reply).sliced(kFrameHeaderBytes);
    EXPECT_FALSE(decodeReply(replyPayload.chopped(3), &number));
    EXPECT_FALSE(decodeReply(QByteArray(replyPayload.toByteArray() + "x"), &number));
    EXPECT_FALSE(decodeRequest(replyPayload, &number));
    QByteArray bigCount = replyPayload.toByteArray();
    bigCount[12] = '\x7F'; // the count's high byte, after the tag and the number
    EXPECT_FALSE(decodeReply(bigCount, &number));
}

// Each way a reader ends is told apart, noted as the run log says it, and the next page is read by a new
// reader. The test marks work only in readers started with test hooks.
struct EndCase {
    const char* name;
    const char* mark;
    ReaderEnd end;
    int signal;
    const char16_t* note;
    std::chrono::milliseconds deadline; // long where the reader's own limit must come first, even when loaded
};

class ReaderEndTest : public ::testing::TestWithParam<EndCase> {
protected:
    void SetUp() override { PageReader::setTestHooksForNewReaders(true); }
    void TearDown() override { PageReader::setTestHooksForNewReaders(false); }
};

TEST_P(ReaderEndTest, EndsThePageAndTheNextPageGetsANewReader) {
    const EndCase& c = GetParam();
#if defined(__SANITIZE_ADDRESS__)
    if (c.end == ReaderEnd::OutOfMemory)
        GTEST_SKIP() << "under AddressSanitizer a reader has no address-space limit";
#endif
    PageReader::Limits limits;
    limits.addressSpaceBytes = qint64(512) << 20;
    limits.cpuSecondsPerPage = 1;
    limits.deadline = c.deadline;
    PageReader reader(limits);
    ASSERT_TRUE(reader.read(readingRequest(periodPage(1))).read());
    const qint64 first = reader.processId();

    const PageReaderReply reply =
        reader.read(readingRequest(periodPage(2) + "<!--quorvane-reader-test:" + c.mark + "-->"));
    EXPECT_EQ(reply.end, c.end);
    EXPECT_EQ(reply.signal, c.signal);
    EXPECT_EQ(readerEndNote(reply), QString::fromUtf16(c.note));
    EXPECT_TRUE(reply.reading.results.isEmpty());
    EXPECT_EQ(reader.processId(), 0); // ended, not left running

    const PageReaderReply next = reader.read(readingRequest(periodPage(3)));
    ASSERT_TRUE(next.read()) << readerEndNote(next).toStdString();
    EXPECT_EQ(next.reading.results.size(), 3);
    EXPECT_EQ(reader.starts(), 2);
    EXPECT_NE(reader.processId(), first);
}

const EndCase kEndCases[] = {
    {"segmentation_fault", "signal-11", ReaderEnd::Crashed, SIGSEGV, u"解析进程异常结束 (signal 11)", 60s},
    {"abort", "signal-6", ReaderEnd::Crashed, SIGABRT, u"解析进程异常结束 (signal 6)", 60s},
    {"hangs_past_the_deadline", "hang", ReaderEnd::TimedOut, 0, u"超时", 2s},
    {"computes_past_its_cpu_time", "spin", ReaderEnd::TimedOut, SIGXCPU, u"超时", 60s},
    {"allocates_past_its_memory", "allocate", ReaderEnd::OutOfMemory, 0, u"超过内存限制", 60s},
};

INSTANTIATE_TEST_SUITE_P(Marks, ReaderEndTest, ::testing::ValuesIn(kEndCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PageReader, TestMarksAreOnlyReadWhenTheClientAsksForThem) {
    PageReader reader;
    const PageReaderReply reply =
        reader.read(readingRequest(periodPage(2) + "<!--quorvane-reader-test:signal-11-->"));
    ASSERT_TRUE(reply.read()) << readerEndNote(reply).toStdString();
    EXPECT_EQ(reply.reading.results.size(), 2);
}

// Pages that end the parser, run it past its time or take more memory than a reader has: each ends its reader
// at most, and the next page is read.
TEST(PageReader, PagesThatEndTheParserEndOnlyTheReader) {
    PageReader::Limits limits;
    limits.addressSpaceBytes = qint64(512) << 20;
    limits.cpuSecondsPerPage = 2;
    limits.deadline = 10s;
    PageReader reader(limits);
    struct Hostile {
        const char* name;
        QByteArray page;
        ReaderEnd end;
    };
    const QList<Hostile> pages{
        // A select opened in a table above an SVG or MathML element named select: gumbo fails an assertion.
        {"select_in_table_over_math_select", "<p>x</p><table><math><select><mi><select><th>",
         ReaderEnd::Crashed},
        {"select_in_table_over_svg_select", "<table><svg><select><desc><select><td>", ReaderEnd::Crashed},
        // Time in the square of the depth.
        {"deep_divs", "<p>before</p>" + QByteArray("<div>").repeated(800000) + "x", ReaderEnd::TimedOut},
    };
    for (const Hostile& hostile : pages) {
        const PageReaderReply reply = reader.read(readingRequest(hostile.page));
        EXPECT_EQ(reply.end, hostile.end) << hostile.name << ": " << readerEndNote(reply).toStdString();
        const PageReaderReply next = reader.read(readingRequest(periodPage(2)));
        ASSERT_TRUE(next.read()) << hostile.name;
        EXPECT_EQ(next.reading.results.size(), 2) << hostile.name;
    }
#if !defined(__SANITIZE_ADDRESS__)
    // Masses of tiny nodes (each costs the parser a few hundred bytes) in 8 MiB: with time enough that the
    // memory limit comes first even on a loaded machine.
    limits.addressSpaceBytes = qint64(256) << 20;
    limits.cpuSecondsPerPage = 60;
    limits.deadline = 120s;
    PageReader memoryBound(limits);
    for (const QByteArray& unit :
         {QByteArray("<br>"), QByteArray("<td>"), QByteArray("<br a b c d e f g h>")}) {
        const PageReaderReply reply =
            memoryBound.read(readingRequest("<table>" + unit.repeated(8 * 1024 * 1024 / unit.size())));
        EXPECT_EQ(reply.end, ReaderEnd::OutOfMemory)
            << unit.constData() << ": " << readerEndNote(reply).toStdString();
        EXPECT_TRUE(memoryBound.read(readingRequest(periodPage(1))).read()) << unit.constData();
    }
#endif
}

// The pages that ended readers in the hostile-page campaigns (tests/fuzz/reader-deaths, named by how the
// reader ended; *.qz compressed; a first byte below 0x20 as in the fuzz target's inputs): each still ends its
// reader at most, and the next page is read.
TEST(PageReader, PagesThatEndedReadersBeforeEndOnlyTheReader) {
    const QDir folder(qEnvironmentVariable("QUORVANE_FIXTURES") + QStringLiteral("/../fuzz/reader-deaths"));
    const QStringList files = folder.entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty()) << folder.path().toStdString();
    PageReader::Limits limits;
    limits.cpuSecondsPerPage = 2;
    limits.deadline = 20s;
    PageReader reader(limits);
    for (const QString& name : files) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QByteArray bytes = name.endsWith(u".qz") ? qUncompress(file.readAll()) : file.readAll();
        ASSERT_FALSE(bytes.isEmpty()) << name.toStdString();
        // A first byte below 0x20 gives the length of a Content-Type charset label that follows.
        QByteArray label;
        if (static_cast<unsigned char>(bytes.front()) < 0x20) {
            label = bytes.mid(1, bytes.front());
            bytes.remove(0, 1 + label.size());
        }
        PageRequest request = readingRequest(bytes);
        request.charset = label;
        const PageReaderReply reply = reader.read(request);
        EXPECT_NE(reply.end, ReaderEnd::ProtocolError) << name.toStdString();
        const PageReaderReply next = reader.read(readingRequest(periodPage(2)));
        ASSERT_TRUE(next.read()) << name.toStdString();
        EXPECT_EQ(next.reading.results.size(), 2) << name.toStdString();
    }
}

// The nesting and table shapes that the parser's tree builder handles in its many special ways, 300 times
// over: the reader reads each (or at worst ends), and this process and the next page never notice.
struct HostileCase {
    const char* name;
    const char* before;
    const char* repeated; // 300 times
};

class HostileShapeTest : public ::testing::TestWithParam<HostileCase> {
protected:
    static PageReader& reader() {
        static PageReader shared;
        return shared;
    }
};

TEST_P(HostileShapeTest, IsReadOrEndsItsReaderOnly) {
    const HostileCase& c = GetParam();
    const QByteArray page = QByteArray(c.before) + QByteArray(c.repeated).repeated(300) + "x" + periodPage(1);
    const PageReaderReply reply = reader().read(readingRequest(page));
    EXPECT_NE(reply.end, ReaderEnd::ProtocolError);
    if (reply.read()) {
        EXPECT_EQ(reply.reading, readPageInProcess(readingRequest(page)));
    }
    const PageReaderReply next = reader().read(readingRequest(periodPage(2)));
    ASSERT_TRUE(next.read());
    EXPECT_EQ(next.reading.results.size(), 2);
}

const HostileCase kHostileCases[] = {
    {"deep_divs", "", "<div>"},
    {"deep_unknown_elements", "<html><body>", "<x-a id=1>"},
    {"deep_spans_with_text", "", "<span>x"},
    {"empty_elements_at_every_depth", "", "<span></p><br></br><math/>"},
    {"formatting_reopened_after_blocks", "", "<div><b id=1>x</div>"},
    {"formatting_misnested_across_paragraphs", "", "<b><p>x</b>"},
    {"formatting_misnested_across_divs", "", "<i><div>y</i>z"},
    {"links_misnested_with_blocks", "", "<a href=#><div>x</a>"},
    {"links_around_nested_blocks", "", "<a href=#><ul><li><div><a href=#>x"},
    {"nobr_past_buttons", "", "<nobr id=1><button><nobr>x"},
    {"links_around_more_blocks_than_the_parser_moves", "",
     "<a><div><div><div><div><div><div><div><div><x-y><x-y>"},
    {"nested_tables", "", "<table><tr><td>"},
    {"table_parts_without_tables", "<table>", "<tr><td><caption><colgroup><col>"},
    {"text_in_tables", "", "<table>x<tr> <td>y</table>"},
    {"text_in_column_groups", "<table>", "<colgroup> x"},
    {"foreign_content", "", "<svg><g><foreignObject><math><mi>"},
    {"foreign_content_left_by_html", "<div>", "<svg><p>x"},
    {"html_inside_mathml_and_svg_text", "", "<math><mi><table><td><svg><desc><div>"},
    {"selects_and_options", "", "<select><option><optgroup>x<div>"},
    {"framesets", "", "<frameset>"},
    {"templates", "", "<template><div>"},
    {"forms_in_a_template", "<template>", "<form>"},
    {"lists_and_definitions", "", "<ul><li><dl><dt>x<dd>"},
    {"list_item_end_tags_inside_inner_lists", "", "<li><ul><span></li>"},
    {"headings_buttons_and_forms", "", "<h1><button><form><h2>x"},
    {"many_attributes", "", "<br a b c d e f g>"},
    {"comments_and_stray_end_tags", "", "<!--c--></p></br></div></x>"},
    {"unknown_end_tags_closing_other_unknown_elements", "", "<x-a><b id=1></x-b>y"},
    {"raw_text_elements", "", "<title>a<b></title><textarea><i></textarea><xmp>x</xmp>"},
    {"head_elements_after_body", "<body>", "<meta a=1><link><style>s</style>x"},
    // In a table, what is no part of one is moved before it but stays open, and a table started there closes
    // the open one; the link it closed is copied back before the next text.
    {"table_started_where_a_link_was_moved_out_of_a_table", "", "<table><a n><table>r"},
    {"formatting_moved_out_of_tables_before_rows", "", "<table><b id=1><tr>x"},
    {"links_moved_out_of_tables_and_closed_with_them", "", "<table><i>x</table>y"},
    {"blocks_moved_out_of_tables_then_tables", "", "<table><div><table>"},
    {"formatting_between_rows_and_cells", "", "<table><tr><b><td>x</table>"},
    {"rows_and_cells_without_their_parts", "", "<table><td>x<tr>y"},
    {"selects_in_cells_closed_by_cells", "", "<table><tr><td><select><td>x"},
    {"selects_in_tables_closed_by_rows", "", "<table><select><tr>x"},
    {"captions_and_column_groups", "", "<table><caption>x<colgroup> y<col><body><col>"},
    {"column_groups_closed_by_other_tags", "<table>", "<colgroup><body><col>"},
    {"forms_in_tables", "", "<table><form><div></form><div>"},
    {"hidden_inputs_in_tables", "<table><a></table>", "<table><input type=hidden><div></div>x"},
    {"raw_text_tags_inside_selects", "", "<select><style><option>"},
    {"end_tags_inside_selects", "", "<b><select></b></select><div>"},
    {"formatting_closed_with_the_ruby_around_it", "", "<ruby><rt><b id=1></ruby>"},
    {"unknown_end_tags_past_noscript", "", "<x-a><noscript></x-a><div>"},
    // Inside SVG and MathML: <a>, <font> without a color, face or size, and <html> are SVG or MathML
    // elements; an end tag closes the element of its name; <mi> holds HTML only in MathML.
    {"links_and_fonts_inside_svg", "", "<svg><a><v><font><g>x"},
    {"html_inside_mathml", "", "<math><html><mi><div>"},
    {"end_tags_told_apart_by_name_inside_svg", "", "<svg><v></p!>"},
    {"mathml_text_elements_inside_svg", "", "<svg><mi><tr><td>"},
    // A template's first start tag decides how its content is read: cells as in a row, rows as in a table.
    {"cells_in_templates", "", "<template><td><td>"},
    {"rows_and_captions_in_templates", "", "<template><tr><tr><caption>"},
    {"templates_in_rows", "<table><tr>", "<template><colgroup><p><v>"},
    {"templates_in_selects", "", "<select><template><v>"},
    // The form alone leaves the stack of open elements: what it holds stays open inside it.
    {"form_end_tags_before_what_the_form_holds", "", "<i><form><j></form><m>"},
    // An <object> moved before a table and closed with it leaves its marker in the list of formatting
    // elements.
    {"objects_closed_by_table_rows", "", "<table><object><a p><tr>x"},
    // Ruby parts close the ones before them only inside a ruby; <rb> and <rtc> reopen formatting.
    {"ruby_parts_outside_a_ruby", "", "<i><rt><rp><e>"},
    {"ruby_parts_inside_a_ruby", "", "<ruby><p><rtc><b></ruby>x"},
    // The parser takes an empty end tag for part of the name of the tag right after it.
    {"empty_end_tags_before_svg_end_tags", "", "<svg></></svg>"},
    // Out of quirks mode a table closes the open paragraph, and its end tag then makes an empty one.
    {"paragraphs_around_tables_with_a_doctype", "<!DOCTYPE html>", "<p><table></table></p>"},
    {"comments_ended_by_dashes_and_a_bang", "", "<!----!><b>w"},
    // A link that a second one cannot close, a table standing between, leaves the stack all the same.
    {"links_reopened_inside_tables", "", "<A><i><table><A></table></A><i>"},
    {"head_elements_first_in_templates", "<a>", "<template><meta><td><v>"},
    {"forms_inside_forms_leave_paragraphs_open", "<form>", "<p><form><a p><p>x"},
    {"form_end_tags_inside_templates", "", "<template><i><form><j></form><m>"},
};

INSTANTIATE_TEST_SUITE_P(Pages, HostileShapeTest, ::testing::ValuesIn(kHostileCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quorvane
