// The serialiser writes parsed pages in the serialisation the period markers were written for; the scanners'
// markers depend on every detail checked here.
#include "pages/NestingGuard.h"
#include "pages/PageDecoder.h"
#include "pages/RenderedPage.h"
#include "platform/GbkCodec.h"

#include "fuzz/GuardPromise.h"
#include "platform/QStringPrinter.h"

#include <QList>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <limits>
#include <random>

namespace quorvane {
namespace {

struct MarkupCase {
    const char* name;
    const char* source; // body content as a page would carry it
    const char16_t* expected;
};

class SerializerTest : public ::testing::TestWithParam<MarkupCase> {};

TEST_P(SerializerTest, WritesBodyInTheMarkersSerialisation) {
    const MarkupCase& c = GetParam();
    const QByteArray page =
        QByteArray("<html><head><title>t</title></head><body>") + c.source + "</body></html>";
    EXPECT_EQ(bodyInnerMarkup(page), QString::fromUtf16(c.expected));
}

const MarkupCase kMarkupCases[] = {
    {"upper_case_tags_unquoted_simple_values_quoted_href",
     R"(<div class="g"><a href="http://a.com/x?a=1&amp;b=2" target="_blank">t</a></div>)",
     uR"(<DIV class=g><A href="http://a.com/x?a=1&amp;b=2" target=_blank>t</A></DIV>)"},
    {"inserted_tbody_kept", R"(<table class="result"><tr><td class="f">x</td></tr></table>)",
     u"<TABLE class=result><TBODY><TR><TD class=f>x</TD></TR></TBODY></TABLE>"},
    {"value_with_space_or_quote_quoted", R"h(<a onmousedown="return c({'fm':'as'})" href=x>y</a>)h",
     uR"h(<A onmousedown="return c({'fm':'as'})" href="x">y</A>)h"},
    {"double_quote_in_value_escaped", R"(<p title='say "hi"'>x</p>)",
     uR"(<P title="say &quot;hi&quot;">x</P>)"},
    {"empty_value_quoted_bare_attribute_bare", R"(<img alt="" src="a.gif"><input checked name="q">)",
     uR"(<IMG alt="" src=a.gif><INPUT checked name=q>)"},
    {"attribute_names_as_written", R"(<span CLASS="f" onMouseOver="x">y</span>)",
     u"<SPAN CLASS=f onMouseOver=x>y</SPAN>"},
    {"colour_and_size_unquoted",
     R"(<font color="#008000" size="-1">www.a.com</font><font size="-1">x</font>)",
     u"<FONT color=#008000 size=-1>www.a.com</FONT><FONT size=-1>x</FONT>"},
    {"text_entities", "a &lt; b &amp; c &gt; d&nbsp;e \"q\" 'r'",
     u"a &lt; b &amp; c &gt; d&nbsp;e \"q\" 'r'"},
    {"nbsp_in_value", R"(<a title="a&nbsp;b">x</a>)", uR"(<A title=a&nbsp;b>x</A>)"},
    {"layout_whitespace_dropped_text_spaces_kept", "<ul>\n  <li>a b</li>\n  <li><b>c</b> d</li>\n</ul>",
     u"<UL><LI>a b</LI><LI><B>c</B> d</LI></UL>"},
    {"pre_keeps_whitespace", "<pre>Code=1.4\n  x</pre>", u"<PRE>Code=1.4\n  x</PRE>"},
    {"script_text_raw", "<script>if (a < b && c) {}</script>", u"<SCRIPT>if (a < b && c) {}</SCRIPT>"},
    {"comment_kept", "<!-- ad -->x", u"<!-- ad -->x"},
    {"void_elements_without_end_tag", "a<br>b<hr/>c", u"a<BR>b<HR>c"},
    {"unknown_element_upper_case", R"(<foo-bar x="1">y</foo-bar>)", u"<FOO-BAR x=1>y</FOO-BAR>"},
    {"chinese_text_kept", "<em>推广</em>", u"<EM>推广</EM>"},
    {"unclosed_elements_closed", "<div><a href=\"http://x.com/\">x",
     uR"(<DIV><A href="http://x.com/">x</A></DIV>)"},
    {"empty_body", "", u""},
};

INSTANTIATE_TEST_SUITE_P(Fragments, SerializerTest, ::testing::ValuesIn(kMarkupCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Serializer, RootMarkupHoldsHeadAndBody) {
    const QByteArray page =
        "<!DOCTYPE html>\n<html>\n<head><title>T</title></head>\n<body><pre>Code=1.4</pre>\n"
        "</body>\n</html>\n";
    EXPECT_EQ(rootInnerMarkup(page), u"<HEAD><TITLE>T</TITLE></HEAD><BODY><PRE>Code=1.4</PRE></BODY>");
}

TEST(RenderedPage, BodyIsTheSpanOfTheRootInGbk) {
    const RenderedPage page = renderHtml(
        "<html><head><title>标题</title></head><body class=\"x\"><p>中文 한 <b>b</b></p></body></html>");
    EXPECT_EQ(page.body, toGbk(u"<P>中文 ? <B>b</B></P>"));
    EXPECT_EQ(page.root,
              toGbk(u"<HEAD><TITLE>标题</TITLE></HEAD><BODY class=x><P>中文 ? <B>b</B></P></BODY>"));
}

TEST(RenderedPage, EmptyInputIsAnEmptyDocument) {
    const RenderedPage page = renderHtml({});
    EXPECT_TRUE(page.body.isEmpty());
    EXPECT_EQ(page.root, "<HEAD></HEAD><BODY></BODY>");
}

TEST(RenderedPage, HostileInputGivesAPage) {
    // Nesting deeper than the limit is cut where it passes the limit (parsing it would take hours).
    const QByteArray deep = "<p>before</p>" + QByteArray("<div>").repeated(800000) + "x"; // 4 MB
    const RenderedPage nested = renderHtml(deep);
    EXPECT_TRUE(nested.body.startsWith("<P>before</P><DIV><DIV><DIV>"));
    EXPECT_EQ(nested.body.count("<DIV>"), kMaxNestingDepth);

    QByteArray binary;
    for (int i = 0; i < 70000; ++i)
        binary.append(static_cast<char>((i * 7919) & 0xFF));
    const RenderedPage noise = renderPageBytes(binary, "");
    EXPECT_TRUE(noise.root.startsWith("<HEAD>"));

    const RenderedPage cut = renderHtml("<html><body><table><tr><td class=\"f\"><a href=\"http://x");
    EXPECT_TRUE(cut.body.startsWith("<TABLE><TBODY><TR><TD class=f>"));
}

TEST(NestingGuard, SloppyButShallowPagesAreNotCut) {
    // Unclosed list items, cells and paragraphs, and formatting closed by its block, do not add up.
    QByteArray page = "<ul>";
    for (int i = 0; i < 2000; ++i)
        page += "<li><p>item " + QByteArray::number(i) + "<table><tr><td><font color=red>x</td></table>";
    page += "</ul><script>if (a) { document.write('<div>'); }</script><b>end</b>";
    EXPECT_EQ(nestingSafeLength(page), page.size());
    EXPECT_TRUE(renderHtml(page).body.endsWith("<B>end</B>"));

    const QByteArray deep = "<span>" + QByteArray("<div><b>").repeated(200) + "y";
    EXPECT_EQ(nestingSafeLength(deep, 100),
              QByteArray("<span>" + QByteArray("<div><b>").repeated(49) + "<div>").size());
}

TEST(NestingGuard, CutsBeforeASelectThatWouldMakeTheParserFail) {
    // A select opened in a table above an SVG or MathML element named select: the parser fails on the next
    // table part. The page is cut before that select and the rest of what came before is still read.
    for (const QByteArray& trap : {QByteArray("<table><math><select><mi><select><th>"),
                                   QByteArray("<table><svg><select><desc><select><td>"),
                                   QByteArray("<table><tr><td><math><select><mtext><div><select></table>")}) {
        const QByteArray page = "<p>before</p>" + trap + "<p>after</p>";
        const qsizetype kept = nestingSafeLength(page);
        EXPECT_EQ(page.left(kept), "<p>before</p>" + trap.left(trap.lastIndexOf("<select>")))
            << trap.constData();
        EXPECT_TRUE(renderHtml(page).body.startsWith("<P>before</P>")) << trap.constData();
    }
    // Without the foreign select, or outside a table, the page is read whole.
    for (const QByteArray& safe :
         {QByteArray("<table><math><mi><select><th>x"), QByteArray("<math><select><mi><select><th>x"),
          QByteArray("<table><math><select><mi></math><select><th>x")})
        EXPECT_EQ(nestingSafeLength(safe), safe.size()) << safe.constData();
}

// How deep the elements of serialised markup nest: every start tag but the void ones opens one level.
int deepestNesting(QByteArrayView markup) {
    static const QList<QByteArray> voids{"AREA",  "BASE", "BR",   "COL",   "EMBED",  "HR",    "IMG",
                                         "INPUT", "LINK", "META", "PARAM", "SOURCE", "TRACK", "WBR"};
    int depth = 0;
    int deepest = 0;
    for (qsizetype i = 0; (i = markup.indexOf('<', i)) >= 0 && i + 1 < markup.size(); ++i) {
        if (markup[i + 1] == '/') {
            --depth;
            continue;
        }
        qsizetype end = i + 1;
        while (end < markup.size() && std::isalpha(static_cast<unsigned char>(markup[end])))
            ++end;
        if (end > i + 1 && !voids.contains(markup.sliced(i + 1, end - i - 1).toByteArray()))
            deepest = std::max(deepest, ++depth);
    }
    return deepest;
}

// Tags that the parser does not nest do not count as nesting: with 300 of them before it, a result item is
// still in the document.
struct ShallowCase {
    const char* name;
    const char* before;
    const char* repeated; // 300 times
    const char* after;
};

class ShallowPageTest : public ::testing::TestWithParam<ShallowCase> {};

TEST_P(ShallowPageTest, KeepsTheResultsAfterIt) {
    const ShallowCase& c = GetParam();
    const QByteArray page =
        "<html><body>" + QByteArray(c.before) + QByteArray(c.repeated).repeated(300) + c.after +
        R"(<ol><li class="g"><h3 class="r"><a href="http://www.site.com/" target="_blank" )"
        R"(class="l">t</a></h3></li></ol></body></html>)";
    EXPECT_EQ(nestingSafeLength(page), page.size());
    EXPECT_TRUE(
        renderHtml(page).body.contains(R"(<A href="http://www.site.com/" target=_blank class=l>t</A>)"));
}

const ShallowCase kShallowCases[] = {
    {"unclosed_links", "<div id=nav>", "<a href=#>x", "</div>"},
    {"unclosed_headings", "<div>", "<h3>x", "</div>"},
    {"forms_in_a_form", "<div>", "<form>", "</div>"},
    {"unclosed_buttons", "<div>", "<button>x", "</div>"},
    {"repeated_nobr", "<div>", "<nobr>x", "</div>"},
    {"repeated_html_and_body", "", "<html><body>", ""},
    {"tags_inside_quoted_values", "<div>", R"(<img alt="<div><div>" title='<b>' src=x.gif>x)", "</div>"},
    {"tags_inside_a_select", "<div><select>", "<div><b>", "</select></div>"},
    {"unclosed_font_in_cells", "<table><tr>", "<td><font color=red>x</td>", "</tr></table>"},
    {"unclosed_italics_in_tables", "", "<table><tr><td><i>x</table>", ""},
    {"unclosed_items_and_definitions", "<ul>", "<li><span>x", "</ul><dl><dt>a<dd>b</dl>"},
};

INSTANTIATE_TEST_SUITE_P(Pages, ShallowPageTest, ::testing::ValuesIn(kShallowCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The parser reopens formatting elements that their block closed, before the next text: such pages nest as
// deep as the parser makes them and are cut at the limit, however flat their tags look.
TEST(NestingGuard, ReopenedFormattingCountsAsNesting) {
    const QList<QByteArray> units{"<div><b id=1></div>", "<p><font color=red>text</p>\n", "<div><b>x</div> "};
    for (const QByteArray& unit : units) {
        QByteArray page = "<html><body>";
        for (int i = 0; i < 2000; ++i)
            page += QByteArray(unit).replace("id=1", QByteArray("id=" + QByteArray::number(i)));
        page += "x";
        const RenderedPage rendered = renderHtml(page);
        EXPECT_LE(deepestNesting(rendered.root), kMaxNestingDepth + 2) << unit.constData(); // + HEAD, BODY
        EXPECT_LT(nestingSafeLength(page), page.size()) << unit.constData();
    }
}

// One page may not cost more than a bounded amount of memory: pages made of masses of tiny nodes are refused
// as a whole (each node costs the parser a few hundred bytes) before they are parsed.
struct CostlyCase {
    const char* name;
    QByteArray unit; // repeated to 8 MiB
};

class CostlyPageTest : public ::testing::TestWithParam<CostlyCase> {};

TEST_P(CostlyPageTest, IsRefusedAsAnEmptyDocument) {
    const CostlyCase& c = GetParam();
    QByteArray page = "<html><body><table>";
    page += c.unit.repeated((8 * 1024 * 1024 - page.size()) / c.unit.size());
    const PageCost cost = measurePage(page);
    EXPECT_TRUE(cost.overNodeLimit);
    EXPECT_LE(cost.parseLength, page.size() / 4); // counting stopped soon after the limit
    const RenderedPage rendered = renderPageBytes(page, "");
    EXPECT_FALSE(rendered.refusal.isEmpty());
    EXPECT_EQ(rendered.body, "");
    EXPECT_EQ(rendered.root, "<HEAD></HEAD><BODY></BODY>");
}

const CostlyCase kCostlyCases[] = {
    {"line_breaks", "<br>"},          {"table_cells", "<td>"},
    {"cells_with_text", "<tr><td>x"}, {"attributes", "<br a b c d e f g h>"},
    {"comments", "<!---->"},          {"text_between_tags", "x<i></i>"},
};

INSTANTIATE_TEST_SUITE_P(Pages, CostlyPageTest, ::testing::ValuesIn(kCostlyCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PageCost, LargeRealisticPageIsRendered) {
    // 400 result items in the markup of a real result page, 1.5 MB.
    QByteArray page = "<html><head><title>t</title></head><body><div id=container>";
    for (int i = 0; i < 400; ++i) {
        const QByteArray n = QByteArray::number(i);
        page += "<table cellpadding=0 cellspacing=0 class=result id=" + n +
                "><tr><td class=f><h3 class=t><a onmousedown=\"return c({'p1':" + n +
                "})\" href=\"http://www.site" + n + ".com/\" target=_blank>site <em>" + n +
                "</em></a></h3><font size=-1>" + QByteArray("text of the item, ").repeated(180) +
                "<br><span class=g>www.site" + n + ".com/ 12K</span></font></td></tr></table>";
    }
    page += "</div></body></html>";
    const PageCost cost = measurePage(page);
    EXPECT_FALSE(cost.overNodeLimit);
    EXPECT_GT(cost.nodes, 400 * 15);
    const RenderedPage rendered = renderHtml(page);
    EXPECT_TRUE(rendered.refusal.isEmpty());
    EXPECT_EQ(rendered.body.count("<TD class=f>"), 400);
    EXPECT_TRUE(
        rendered.body.contains(R"x(<A onmousedown="return c({'p1':399})" href="http://www.site399.com/")x"));
}

// The guard's promise checked against the parser on hostile pages: what the guard keeps of them, parsed,
// nests no deeper and has no more nodes than its limits allow. Each page is checked with a tight depth limit
// and with the default one, and with a node limit right at the guard's own count of it, so that any node the
// guard fails to count shows.
struct HostileCase {
    const char* name;
    const char* before;
    const char* repeated; // 300 times
};

class GuardPromiseTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P(GuardPromiseTest, ParsedTreeStaysWithinTheLimits) {
    const HostileCase& c = GetParam();
    const QByteArray page = QByteArray(c.before) + QByteArray(c.repeated).repeated(300) + "x";
    for (const int maxDepth : {8, 40, kMaxNestingDepth}) {
        const qsizetype counted = measurePage(page, maxDepth, std::numeric_limits<qsizetype>::max()).nodes;
        for (const qsizetype maxNodes : {counted, kMaxPageNodes})
            EXPECT_EQ(guardPromiseBreach(page, maxDepth, maxNodes), "")
                << "depth " << maxDepth << ", nodes " << maxNodes;
    }
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

INSTANTIATE_TEST_SUITE_P(Pages, GuardPromiseTest, ::testing::ValuesIn(kHostileCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct CharsetCase {
    const char* name;
    QByteArray bytes;
    const char* headerCharset;
    const char16_t* text;
};

class DecoderTest : public ::testing::TestWithParam<CharsetCase> {};

TEST_P(DecoderTest, DecodesByDeclaredCharset) {
    const CharsetCase& c = GetParam();
    EXPECT_EQ(QString::fromUtf8(pageToUtf8(c.bytes, c.headerCharset)), QString::fromUtf16(c.text));
}

const QByteArray kGbkZhong("\xD6\xD0", 2); // 中 in GBK
const QByteArray kUtf8Zhong("\xE4\xB8\xAD", 3);

const CharsetCase kCharsetCases[] = {
    {"header_gbk", "<p>" + kGbkZhong + "</p>", "gbk", u"<p>中</p>"},
    {"header_gb2312_means_gbk", "<p>" + kGbkZhong + "</p>", "GB2312", u"<p>中</p>"},
    {"meta_http_equiv_gb2312",
     "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\"><p>" + kGbkZhong + "</p>", "",
     u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\"><p>中</p>"},
    {"meta_charset_utf8", "<META CHARSET='UTF-8'>" + kUtf8Zhong, "", u"<META CHARSET='UTF-8'>中"},
    {"header_wins_over_meta", "<meta charset=\"gbk\">" + kUtf8Zhong, "utf-8", u"<meta charset=\"gbk\">中"},
    {"gb18030_four_byte", QByteArray("\x81\x30\x81\x30", 4), "gb18030", u"\u0080"},
    {"undeclared_valid_utf8", "x" + kUtf8Zhong, "", u"x中"},
    {"undeclared_other_bytes_are_gbk", "x" + kGbkZhong, "", u"x中"},
    {"utf8_bom", "\xEF\xBB\xBF" + kUtf8Zhong, "gbk", u"中"},
    {"unknown_label_falls_back", "x" + kGbkZhong, "no-such-charset", u"x中"},
    // A label of a charset that cannot spell the ASCII "<meta" that declares it is a lie; the page is read as
    // if undeclared: UTF-8 when it is valid UTF-8, GBK otherwise.
    {"meta_utf16_on_gbk_page", "<meta charset=\"utf-16\"><p>" + kGbkZhong + "</p>", "",
     u"<meta charset=\"utf-16\"><p>中</p>"},
    {"meta_utf16le_on_utf8_page",
     "<META http-equiv=Content-Type content='text/html; charset=UTF-16LE'>" + kUtf8Zhong, "",
     u"<META http-equiv=Content-Type content='text/html; charset=UTF-16LE'>中"},
    {"meta_utf32_on_gbk_page", "<meta charset=utf-32>" + kGbkZhong, "", u"<meta charset=utf-32>中"},
    {"meta_ebcdic_on_utf8_page", "<meta charset=ibm037>" + kUtf8Zhong, "", u"<meta charset=ibm037>中"},
    // From the header a UTF-16 label is believed only for a body that looks like UTF-16 (NUL bytes in its
    // ASCII markup); otherwise the meta tag and the fallback decide.
    {"header_utf16_on_gbk_page_with_meta", "<meta charset=gb2312><p>" + kGbkZhong, "utf-16",
     u"<meta charset=gb2312><p>中"},
    {"header_utf16_on_undeclared_utf8_page", "<p>" + kUtf8Zhong, "UTF-16", u"<p>中"},
    {"header_utf16le_on_utf16le_page", QByteArray("<\0p\0>\0\x2D\x4E", 8), "utf-16le", u"<p>中"},
    {"header_utf16be_on_utf16be_page", QByteArray("\0<\0p\0>\x4E\x2D", 8), "utf-16be", u"<p>中"},
};

INSTANTIATE_TEST_SUITE_P(Pages, DecoderTest, ::testing::ValuesIn(kCharsetCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PageDecoder, CharsetFromContentType) {
    EXPECT_EQ(charsetFromContentType("text/html; charset=GBK"), "gbk");
    EXPECT_EQ(charsetFromContentType("text/html;charset=\"utf-8\""), "utf-8");
    EXPECT_EQ(charsetFromContentType("text/html"), "");
}

// GBK pages are decoded piece by piece (ASCII copied, the rest through the code page); what comes out must be
// what decoding the page in one piece gives, whatever the bytes: a trail byte in the ASCII range
// ("\x81\x40"), a lead byte before ASCII or at the end, single bytes that are not GBK.
TEST(PageDecoder, GbkPagesDecodeAsInOnePiece) {
    const QByteArray pieces[] = {"<p class=\"x\">",
                                 "a",
                                 " ",
                                 kGbkZhong,
                                 "\xC4\xE3\xBA\xC3",
                                 "\x81\x40",
                                 "\xFE\x7E",
                                 "\x80",
                                 "\xFF",
                                 "\x81",
                                 "\xA1",
                                 "\x81\x30",
                                 "\x7F",
                                 "</p>"};
    std::mt19937 random(36);
    std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> length(0, 40);
    for (int i = 0; i < 2000; ++i) {
        QByteArray page;
        for (int n = length(random); n > 0; --n)
            page += pieces[pick(random)];
        // ICU's own name of the code page is a label of another charset to the decoder, which converts such
        // pages in one piece.
        ASSERT_EQ(pageToUtf8(page, "gbk"), pageToUtf8(page, "windows-936-2000")) << page.toHex().constData();
    }
}

} // namespace
} // namespace quorvane
