// Reading today's result pages over the parsed tree: the selectors, the redirect links and the result
// definitions.
#include "pages/RedirectLinks.h"
#include "pages/RenderedPage.h"
#include "pages/ResultDefinition.h"
#include "pages/Selector.h"

#include "platform/QStringPrinter.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace quorvane {
namespace {

// The id attributes of the elements the selector matches in the page, in document order.
QStringList matchedIds(const char* html, const char* selector) {
    const ParsedPage page{QByteArray(html)};
    QString error;
    const Selector s = Selector::parse(QString::fromUtf8(selector), &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    QStringList ids;
    for (const auto* element : s.all(page.root()))
        ids << attributeValue(element, "id");
    return ids;
}

struct SelectorCase {
    const char* selector;
    QStringList ids;
};

constexpr char kTree[] = R"(<div id=a class="g x"><h3 id=h1>T</h3><a id=l1 href="/url?q=1">one</a></div>
<div id=b class=g><span id=s1 data-k="alpha beta">x</span><a id=l2 href="https://b.example/">Two</a></div>
<ul id=u><li id=i1>1</li><li id=i2 class=ad>广告</li><li id=i3>3</li></ul>
<DIV ID=c lang=en-US><p id=p1>text</p></DIV>
<result-card id=r><b id=rb>x</b></result-card>)";

class Selectors : public ::testing::TestWithParam<SelectorCase> {};

TEST_P(Selectors, MatchTheElementsInDocumentOrder) {
    EXPECT_EQ(matchedIds(kTree, GetParam().selector), GetParam().ids);
}

const SelectorCase kSelectorCases[] = {
    {"div.g", {"a", "b"}},
    {".g.x", {"a"}},
    {"#u > li", {"i1", "i2", "i3"}},
    {"body > div a", {"l1", "l2"}},
    {"a[href^='/url?q=']", {"l1"}},
    {"a[href$=\"/\"]", {"l2"}},
    {"a[href*=example]", {"l2"}},
    {"[data-k~=beta]", {"s1"}},
    {"[lang|=en]", {"c"}},
    {"DIV[ID=C i]", {"c"}},
    {"div:has(h3)", {"a"}},
    {"body > *:has(> li.ad)", {"u"}},
    {"div:has(> p)", {"c"}},
    {"div:not(:has(h3)):not(#c)", {"b"}},
    {"li:contains('广告')", {"i2"}},
    {"li:first-child, li:last-child", {"i1", "i3"}},
    {"li:nth-child(2)", {"i2"}},
    {"h3 + a", {"l1"}},
    {"h3 ~ a, span ~ a", {"l1", "l2"}},
    {"div.g:first-of-type", {"a"}},
    {"p:only-child", {"p1"}},
    {"*#c > *", {"p1"}},
    {"table", {}},
    // Elements of names the parser does not know, named in any case; a known name never matches them.
    {"result-card", {"r"}},
    {"RESULT-CARD > b", {"rb"}},
    {"result-card:has(b)", {"r"}},
    {"card", {}},
    {"[lang|=en-US]", {"c"}},
    {"[lang|=en-U]", {}},
    // Subtree tests after combinators: the chain and the subtree test must both hold, whichever is asked
    // first.
    {"body > div:not(:has(h3))", {"b", "c"}},
    {"ul:has(li.ad) > li:not(.ad)", {"i1", "i3"}},
    {"div:has(a) > a:not([href^='/'])", {"l2"}},
    {"div:has(span) a, li:has(b)", {"l2"}},
};
INSTANTIATE_TEST_SUITE_P(Table, Selectors, ::testing::ValuesIn(kSelectorCases));

TEST(Selector, TextItCannotReadIsAnEmptySelectorWithAReason) {
    for (const char* text :
         {"div[", "a[href^=]", "div >", "li:hover", ":not(div", "a[href='x", "div,,p", "##"}) {
        SCOPED_TRACE(text);
        QString error;
        EXPECT_TRUE(Selector::parse(QString::fromUtf8(text), &error).isEmpty());
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(selectorFault(QString::fromUtf8(text)).isEmpty());
    }
    EXPECT_TRUE(selectorFault(QString()).isEmpty()); // empty: no selector, no fault
}

TEST(Selector, DeepNestingIsWalkedWithoutRecursion) {
    QByteArray html;
    for (int i = 0; i < 100000; ++i)
        html += "<span>";
    html += "<a id=deep href=x>x</a>";
    const ParsedPage page{QByteArray(html)};
    const Selector s = Selector::parse(u"span a");
    // The nesting guard cuts hostile depth; whatever is left is walked without the stack growing.
    for (const auto* element : s.all(page.root()))
        EXPECT_EQ(attributeValue(element, "id"), u"deep");
}

struct RedirectCase {
    const char* link;
    const char* target;
};

class Redirects : public ::testing::TestWithParam<RedirectCase> {};

TEST_P(Redirects, GiveTheirTargetWhereTheLinkHoldsIt) {
    EXPECT_EQ(unwrapRedirect(QString::fromUtf8(GetParam().link)), QString::fromUtf8(GetParam().target));
}

const RedirectCase kRedirectCases[] = {
    {"/url?q=https://www.site.cn/a%3Fb%3D1&sa=U&ved=x", "https://www.site.cn/a?b=1"},
    {"https://www.google.com/url?sa=t&url=http://www.site.cn/&usg=x", "http://www.site.cn/"},
    {"https://r.search.yahoo.com/_ylt=A/RV=2/RE=1/RO=10/RU=https%3a%2f%2fwww.site.cn%2fp%2f1/RK=2/RS=x-",
     "https://www.site.cn/p/1"},
    {"https://www.bing.com/ck/a?!&&p=abc&u=a1aHR0cHM6Ly93d3cuc2l0ZS5jbi9wYWdl&ntb=1",
     "https://www.site.cn/page"},
    // No target in the link: as it stands.
    {"http://www.baidu.com/link?url=K9qrn7fy", "http://www.baidu.com/link?url=K9qrn7fy"},
    {"/link?url=hedJja", "/link?url=hedJja"},
    {"/url?q=/search%3Fq%3Dx", "/url?q=/search%3Fq%3Dx"}, // a target within the engine is no result address
    {"https://www.bing.com/ck/a?u=a1!!!", "https://www.bing.com/ck/a?u=a1!!!"},
    {"http://www.site.cn/", "http://www.site.cn/"},
};
INSTANTIATE_TEST_SUITE_P(Table, Redirects, ::testing::ValuesIn(kRedirectCases));

PageResults readWith(const ResultDefinition& definition, const char* html, const QString& base = {}) {
    return ResultReader(definition).readPage(QByteArrayView(html), base).results;
}

QStringList addresses(const PageResults& results) {
    QStringList list;
    for (const PageResult& r : results)
        list << r.address;
    return list;
}

TEST(ResultDefinitions, EachBlockCountsOnceAndAdsAreLeftOut) {
    const ResultDefinition definition{QStringLiteral(".r"),
                                      QStringLiteral("a[href]"),
                                      QStringLiteral("cite"),
                                      QStringLiteral(".ads"),
                                      {},
                                      {}};
    const char* html = R"(<div class=ads><div class=r><a href="http://ad.example/">ad</a></div></div>
<div class=r><a href="http://one.example/"><img></a><a href="http://one.example/">One</a><cite>one.example</cite>
  <div class=r><a href="http://sitelink.example/">inner block: part of the outer one</a></div></div>
<div class=r>no link: passed over</div>
<div class=r><a href="/url?q=http://two.example/x&sa=U">Two</a></div>
<div class=r><a href="http://one.example/">the same address again</a></div>
<div class=r><a href="/link?url=abc">Three</a></div>)";
    const PageResults results = readWith(definition, html, QStringLiteral("https://engine.example"));
    EXPECT_EQ(addresses(results),
              (QStringList{QStringLiteral("http://one.example/"), QStringLiteral("http://two.example/x"),
                           QStringLiteral("https://engine.example/link?url=abc")}));
    ASSERT_EQ(results.size(), 3);
    EXPECT_EQ(results[0].shownAddress, u"one.example");
    EXPECT_TRUE(results[1].shownAddress.isEmpty());
}

TEST(ResultDefinitions, PromotedBlocksAreMarkedInPageOrder) {
    const ResultDefinition definition{QStringLiteral("#left > div"),
                                      QStringLiteral("h3 a"),
                                      {},
                                      {},
                                      QStringLiteral("[data-tuiguang], :has(.ec-tuiguang)"),
                                      {}};
    const char* html = R"(<div id=left>
<div data-tuiguang=1><h3><a href="http://p1.example/">P1</a></h3></div>
<div><h3><a href="http://o1.example/">O1</a></h3></div>
<div><h3><a href="http://p2.example/">P2</a></h3><span class=ec-tuiguang>广告</span></div>
<div><h3><a href="http://o2.example/">O2</a></h3></div></div>)";
    const PageResults results = readWith(definition, html);
    ASSERT_EQ(results.size(), 4);
    EXPECT_EQ(addresses(results),
              (QStringList{QStringLiteral("http://p1.example/"), QStringLiteral("http://o1.example/"),
                           QStringLiteral("http://p2.example/"), QStringLiteral("http://o2.example/")}));
    EXPECT_TRUE(results[0].promoted);
    EXPECT_FALSE(results[1].promoted);
    EXPECT_TRUE(results[2].promoted);
    EXPECT_FALSE(results[3].promoted);
}

TEST(ResultDefinitions, APageThatSaysThereAreNoResultsIsToldApart) {
    const ResultDefinition definition{QStringLiteral(".r"), {}, {}, {}, {}, {QStringLiteral("没有找到与")}};
    const ResultReader reader(definition);
    const TreeReading none = reader.readPage("<p>抱歉，没有找到与 <em>某词</em> 相关的网页。</p>");
    EXPECT_TRUE(none.results.isEmpty());
    EXPECT_TRUE(none.noResultsPage);
    const TreeReading other = reader.readPage("<p>页面无法显示</p>");
    EXPECT_FALSE(other.noResultsPage);
    // A page with results that mentions the words is a page with results.
    const TreeReading withResults =
        reader.readPage("<div class=r><a href=http://x.example/>没有找到与</a></div>");
    EXPECT_EQ(withResults.results.size(), 1);
    EXPECT_FALSE(withResults.noResultsPage);
    // A mark inside a script is not shown text.
    EXPECT_FALSE(reader.readPage("<script>var t='没有找到与';</script>").noResultsPage);
}

} // namespace
} // namespace quorvane
