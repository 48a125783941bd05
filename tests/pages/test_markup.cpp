// The serialiser writes parsed pages in the serialisation the period markers were written for; the scanners'
// markers depend on every detail checked here.
#include "pages/PageDecoder.h"
#include "pages/RenderedPage.h"
#include "platform/GbkCodec.h"

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
    const RenderedPage page = renderHtml(QByteArrayView());
    EXPECT_TRUE(page.body.isEmpty());
    EXPECT_EQ(page.root, "<HEAD></HEAD><BODY></BODY>");
}

// Pages that end the parser or run it past its time are the page reader's (test_page_reader.cpp).
TEST(RenderedPage, HostileInputGivesAPage) {
    QByteArray binary;
    for (int i = 0; i < 70000; ++i)
        binary.append(static_cast<char>((i * 7919) & 0xFF));
    const RenderedPage noise = renderPageBytes(binary, "");
    EXPECT_TRUE(noise.root.startsWith("<HEAD>"));

    const RenderedPage cut = renderHtml("<html><body><table><tr><td class=\"f\"><a href=\"http://x");
    EXPECT_TRUE(cut.body.startsWith("<TABLE><TBODY><TR><TD class=f>"));
}

TEST(RenderedPage, SloppyButShallowPagesAreReadWhole) {
    // Unclosed list items, cells and paragraphs, and formatting closed by its block, do not add up.
    QByteArray page = "<ul>";
    for (int i = 0; i < 2000; ++i)
        page += "<li><p>item " + QByteArray::number(i) + "<table><tr><td><font color=red>x</td></table>";
    page += "</ul><script>if (a) { document.write('<div>'); }</script><b>end</b>";
    EXPECT_TRUE(renderHtml(page).body.endsWith("<B>end</B>"));
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

TEST(RenderedPage, LargeRealisticPageIsRendered) {
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
    const RenderedPage rendered = renderHtml(page);
    EXPECT_EQ(rendered.body.count("<TD class=f>"), 400);
    EXPECT_TRUE(
        rendered.body.contains(R"x(<A onmousedown="return c({'p1':399})" href="http://www.site399.com/")x"));
}

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
