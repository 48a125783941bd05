// What counts as a hit for a site under its match rule: the whole address, the same host, or the whole
// domain; hosts taken from result links and, for engines' redirect links, from the address the page shows.
#include "engine/SiteHosts.h"
#include "engine/UrlMatch.h"
#include "platform/QStringPrinter.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

struct MatchCase {
    const char* name;
    SiteMatch rule;
    const char16_t* site;
    const char16_t* address;
    const char16_t* shown;
    bool hit;
};

class SiteMatchTest : public ::testing::TestWithParam<MatchCase> {};

// The case's result stands second, after one that never matches: a hit gives rank 2, a miss 0.
TEST_P(SiteMatchTest, FindsTheSiteUnderItsRule) {
    const MatchCase& c = GetParam();
    const PageResults results{
        {QStringLiteral("http://unrelated.org/x"), QStringLiteral("unrelated.org/x"), false},
        {QString::fromUtf16(c.address), QString::fromUtf16(c.shown), false}};
    const bool noStop = false;
    EXPECT_EQ(findSiteInResults(SiteTarget(QString::fromUtf16(c.site), c.rule), results, noStop),
              c.hit ? 2 : 0);
}

constexpr SiteMatch kAddress = SiteMatch::Address;
constexpr SiteMatch kHost = SiteMatch::Host;
constexpr SiteMatch kDomain = SiteMatch::Domain;
constexpr char16_t kBaiduLink[] = u"http://www.baidu.com/link?url=Kx9z1sT0aQ";
constexpr char16_t kSogouLink[] = u"https://www.sogou.com/link?url=hedJjaC291NbWr";

const MatchCase kMatchCases[] = {
    // The whole address, as the rank check always compared.
    {"address_same_site", kAddress, u"www.mysite.cn", u"http://www.mysite.cn/", u"", true},
    {"address_inner_page_is_no_hit", kAddress, u"www.mysite.cn", u"http://www.mysite.cn/blog/post.html", u"",
     false},
    {"address_without_www_is_no_hit", kAddress, u"www.mysite.cn", u"http://mysite.cn/", u"", false},
    {"address_redirect_is_no_hit", kAddress, u"www.mysite.cn", kBaiduLink, u"www.mysite.cn", false},
    // The same host: scheme, port, path, query and ASCII case do not count; other hosts do.
    {"host_inner_page", kHost, u"www.mysite.cn", u"http://www.mysite.cn/blog/post.html", u"", true},
    {"host_secure_port_query_case", kHost, u"www.mysite.cn", u"https://WWW.MySite.CN:8443/a?b=c#d", u"",
     true},
    {"host_without_www_differs", kHost, u"www.mysite.cn", u"http://mysite.cn/", u"", false},
    {"host_with_www_differs", kHost, u"mysite.cn", u"http://www.mysite.cn/", u"", false},
    {"host_subdomain_differs", kHost, u"www.mysite.cn", u"http://m.www.mysite.cn/", u"", false},
    {"host_look_alike_suffix", kHost, u"www.mysite.cn", u"http://www.mysite.cn.evil.com/", u"", false},
    {"host_in_user_part_only", kHost, u"www.mysite.cn", u"http://www.mysite.cn@evil.com/", u"", false},
    {"host_in_path_only", kHost, u"www.mysite.cn", u"http://evil.com/www.mysite.cn", u"", false},
    {"host_of_typed_site", kHost, u"https://www.mysite.cn/blog", u"http://www.mysite.cn/other", u"", true},
    {"host_of_canonical_site", kHost, u"https:www.mysite.cn", u"http://www.mysite.cn/x", u"", true},
    // The whole domain: the host or any host under it, never a name that only ends alike.
    {"domain_itself", kDomain, u"a.cn", u"http://a.cn/", u"", true},
    {"domain_www", kDomain, u"a.cn", u"http://www.a.cn/p/1", u"", true},
    {"domain_deep_subdomain", kDomain, u"a.cn", u"https://m.news.a.cn:8080/", u"", true},
    {"domain_upper_case", kDomain, u"A.CN", u"http://WWW.a.cn/", u"", true},
    {"domain_look_alike_prefix", kDomain, u"a.cn", u"http://xa.cn/", u"", false},
    {"domain_look_alike_suffix", kDomain, u"a.cn", u"http://a.cn.evil.com/", u"", false},
    {"domain_parent_is_no_hit", kDomain, u"news.a.cn", u"http://a.cn/", u"", false},
    {"domain_sibling_is_no_hit", kDomain, u"news.a.cn", u"http://blog.a.cn/", u"", false},
    // A site entered with "www." stands for its whole domain.
    {"domain_of_www_site_itself", kDomain, u"www.example.com", u"http://example.com/", u"", true},
    {"domain_of_www_site_sibling", kDomain, u"www.example.com", u"https://blog.example.com/p/1", u"", true},
    {"domain_of_www_site_look_alike", kDomain, u"www.example.com", u"http://notexample.com/", u"", false},
    {"domain_of_www_tld_only", kDomain, u"www.cn", u"http://other.cn/", u"", false},
    {"domain_in_query_only", kDomain, u"a.cn", u"http://evil.com/?u=www.a.cn", u"", false},
    // International names compare in their ASCII form, whichever form each side is written in.
    {"idna_unicode_site_punycode_link", kHost, u"www.镕基.cn", u"http://www.xn--3jst14l.cn/x", u"", true},
    {"idna_punycode_site_unicode_link", kHost, u"www.xn--3jst14l.cn", u"http://www.镕基.cn/", u"", true},
    {"idna_domain", kDomain, u"镕基.cn", u"http://www.xn--3jst14l.cn/", u"", true},
    {"idna_other_name", kHost, u"www.镕基.cn", u"http://www.镕.cn/", u"", false},
    // Engines' redirect links: the host is the one the page shows beside the result.
    {"baidu_shown_host", kHost, u"www.mysite.cn", kBaiduLink, u"www.mysite.cn/blog/post.html", true},
    {"baidu_shown_cut_after_host", kHost, u"www.mysite.cn", kBaiduLink, u"www.mysite.cn/blog/...", true},
    {"baidu_shown_with_date", kHost, u"www.mysite.cn", kBaiduLink, u"www.mysite.cn/p/1.html 2024-03-05",
     true},
    {"baidu_shown_with_scheme", kHost, u"www.mysite.cn", kBaiduLink, u"https://www.mysite.cn/", true},
    {"baidu_shown_cut_inside_host", kHost, u"www.mysite.cn", kBaiduLink, u"www.mysite.c...", false},
    {"baidu_shown_cut_right_after_host", kDomain, u"a.cn", kBaiduLink, u"www.a.cn...", false},
    {"baidu_shown_ellipsis_character", kHost, u"www.mysite.cn", kBaiduLink, u"www.mysite.cn/blog/…", true},
    {"baidu_shown_other_host", kHost, u"www.mysite.cn", kBaiduLink, u"www.other.cn/x", false},
    {"baidu_shown_words_only", kHost, u"www.mysite.cn", kBaiduLink, u"百度快照", false},
    {"baidu_shown_domain", kDomain, u"mysite.cn", kBaiduLink, u"news.mysite.cn/2024/...", true},
    {"baidu_without_shown_address", kHost, u"www.baidu.com", kBaiduLink, u"", false},
    {"sogou_shown_host", kHost, u"www.mysite.cn", kSogouLink, u"www.mysite.cn/p/2", true},
    {"no_link_shown_address", kHost, u"www.mysite.cn", u"", u"www.mysite.cn/x", true},
    {"neither_target_nor_shown", kDomain, u"mysite.cn", u"", u"", false},
    {"site_without_host", kHost, u"not a host", u"http://not/", u"", false},
};

INSTANTIATE_TEST_SUITE_P(Rules, SiteMatchTest, ::testing::ValuesIn(kMatchCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FindSiteInResults, TheAddressRuleGivesWhatFindSiteInLinksGives) {
    const QStringList sites{"www.site.com",
                            "http://www.site.com/",
                            "https://www.site.com",
                            "WWW.SITE.COM",
                            "www.site.com/about",
                            "site.com",
                            ""};
    const QStringList links{"http://l1.com/",        "http://www.site.com/about", "HTTP://www.site.com/",
                            "https://www.site.com/", "http://site.com",           "http://www.site.com/"};
    const bool noStop = false;
    for (const QString& site : sites)
        for (qsizetype first = 0; first < links.size(); ++first) {
            const QStringList rotated = links.mid(first) + links.first(first);
            EXPECT_EQ(findSiteInResults(site, resultsOfLinks(rotated), noStop),
                      findSiteInLinks(site, rotated, noStop))
                << site.toStdString() << " " << rotated.join(u' ').toStdString();
        }
}

TEST(FindSiteInResults, GivesTheFirstHitAndNothingAfterAStop) {
    const PageResults results{
        {QStringLiteral("http://other.cn/"), {}, false},
        {QStringLiteral("http://www.baidu.com/link?url=1"), QStringLiteral("b.a.cn/..."), true},
        {QStringLiteral("http://a.cn/"), {}, false}};
    const bool noStop = false;
    EXPECT_EQ(findSiteInResults(SiteTarget(QStringLiteral("a.cn"), SiteMatch::Domain), results, noStop), 2);
    EXPECT_EQ(findSiteInResults(SiteTarget(QStringLiteral("a.cn"), SiteMatch::Host), results, noStop), 3);
    const bool stop = true;
    EXPECT_EQ(findSiteInResults(SiteTarget(QStringLiteral("a.cn"), SiteMatch::Domain), results, stop), 0);
}

TEST(SiteHosts, HostsOfTypedAndShownAddresses) {
    EXPECT_EQ(hostOfAddress(u"https://www.Example.com/blog"), QStringLiteral("www.example.com"));
    EXPECT_EQ(hostOfAddress(u"https:www.example.com"), QStringLiteral("www.example.com"));
    EXPECT_EQ(hostOfAddress(u"//www.example.com/a"), QStringLiteral("www.example.com"));
    EXPECT_EQ(hostOfAddress(u"www.example.com:8080"), QStringLiteral("www.example.com"));
    EXPECT_EQ(hostOfAddress(u"www.镕基.cn/x"), QStringLiteral("www.镕基.cn"));
    EXPECT_EQ(hostOfAddress(u"www.example.com:80x"), QString());
    EXPECT_EQ(hostOfAddress(u"localhost"), QString());
    EXPECT_EQ(hostOfAddress(u"-bad-.com"), QString());
    EXPECT_EQ(hostOfAddress(u"a..b.com"), QString());
    EXPECT_EQ(hostOfAddress(u""), QString());
    EXPECT_EQ(hostOfShownAddress(u"  www.a.cn/x/... 2024-1-2"), QStringLiteral("www.a.cn"));
    EXPECT_EQ(hostOfShownAddress(u"www.a.cn\u00a0›\u00a0blog"), QStringLiteral("www.a.cn"));
    EXPECT_EQ(hostOfShownAddress(u"www.a.c..."), QString());
    EXPECT_TRUE(isRedirectLink(u"http://www.baidu.com/link?url=abc"));
    EXPECT_TRUE(isRedirectLink(u"https://www.sogou.com/link?url=abc&query=x"));
    EXPECT_FALSE(isRedirectLink(u"http://www.a.cn/link"));
    EXPECT_FALSE(isRedirectLink(u"http://www.a.cn/linked?url=x"));
}

TEST(SiteMatchNames, StoredValuesAndNamesGoBothWays) {
    for (const SiteMatch rule : {SiteMatch::Address, SiteMatch::Host, SiteMatch::Domain}) {
        EXPECT_EQ(siteMatchOfStored(storedValue(rule)), rule);
        EXPECT_EQ(siteMatchOfName(siteMatchName(rule)), rule);
    }
    // Nothing stored, and values a later version may store, compare whole addresses.
    EXPECT_EQ(siteMatchOfStored(QVariant()), SiteMatch::Address);
    EXPECT_EQ(siteMatchOfStored(7), SiteMatch::Address);
    EXPECT_EQ(siteMatchOfStored(QStringLiteral("x")), SiteMatch::Address);
    EXPECT_EQ(siteMatchLabel(SiteMatch::Domain), QStringLiteral("整个域名"));
    EXPECT_FALSE(siteMatchOfName(u"exact"));
}

} // namespace
} // namespace quorvane
