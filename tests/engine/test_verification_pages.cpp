// Verification pages told apart from pages not understood: by the answer, and by the marks of a page
// without results.
#include "engine/VerificationPages.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

struct AnswerCase {
    const char* name;
    int status;
    const char* finalUrl;
    bool verification;
};

TEST(VerificationAnswer, StatusAndRedirectTellIt) {
    const AnswerCase cases[] = {
        {"ok", 200, "http://www.google.com/search?q=x", false},
        {"forbidden", 403, "", true},
        {"too_many_requests", 429, "http://www.google.com/search?q=x", true},
        {"server_error", 503, "", false},
        {"not_found", 404, "", false},
        {"google_sorry_redirect", 200, "https://www.google.com/sorry/index?continue=x", true},
        {"sorry_not_at_the_start", 200, "http://www.bing.com/search?q=/sorry/", false},
        {"baidu_captcha_host", 200,
         "https://wappass.baidu.com/static/captcha/tuxing.html?&ak=x&backurl=https%3A%2F%2Fwww.baidu.com%2Fs",
         true},
        {"baidu_captcha_host_failed_to_load", 0, "https://wappass.baidu.com/static/captcha/tuxing.html",
         true},
        {"baidu_vcode_host", 200, "https://verify.baidu.com/vcode?http://www.baidu.com/s?wd=x", true},
        {"baidu_results", 200, "https://www.baidu.com/s?wd=wappass.baidu.com", false},
        {"sogou_antispider", 200, "https://www.sogou.com/antispider/?from=%2Fweb%3Fquery%3Dx", true},
        {"bing_challenge", 200, "https://www.bing.com/turing/captcha/challenge", true},
    };
    for (const AnswerCase& c : cases) {
        Browser::LoadOutcome load;
        load.httpStatus = c.status;
        load.finalUrl = QString::fromLatin1(c.finalUrl);
        EXPECT_EQ(isVerificationAnswer(load), c.verification) << c.name;
    }
}

struct PageCase {
    const char* name;
    const char16_t* engine;
    const char16_t* text;
    QStringList extraMarks;
    bool verification;
};

TEST(VerificationPage, BuiltInAndEngineMarks) {
    const PageCase cases[] = {
        {"baidu_security_check",
         u"Baidu",
         u"<TITLE>百度安全验证</TITLE><P>网络不给力，请稍后重试</P>",
         {},
         true},
        {"baidu_captcha", u"Baidu", u"<P>请输入验证码</P>", {}, true},
        {"baidu_changed_layout", u"Baidu", u"<DIV class=new-result>北京</DIV>", {}, false},
        {"baidu_check_below",
         u"Baidu",
         u"<TITLE>百度一下</TITLE><DIV class=vcode-body><P>请完成下方验证后继续操作</P></DIV>",
         {},
         true},
        {"baidu_captcha_script",
         u"Baidu",
         u"<SCRIPT src=\"https://wappass.baidu.com/static/captcha/mkdjump.js\"></SCRIPT>",
         {},
         true},
        {"google_robot_check",
         u"Google",
         u"<DIV id=recaptcha class=g-recaptcha></DIV><P>This page checks to see if it's really you sending "
         u"the requests, and not a robot.</P>",
         {},
         true},
        {"sogou_antispider_page",
         u"Sogou",
         u"<P>用户您好，我们的系统检测到您网络中存在异常访问请求。</P>",
         {},
         true},
        {"google_unusual_traffic",
         u"Google",
         u"Our systems have detected Unusual Traffic from your network",
         {},
         true},
        {"google_unusual_traffic_chinese",
         u"Google",
         u"我们的系统检测到您的计算机网络中存在异常流量",
         {},
         true},
        // Built-in marks belong to their engine: Bing's page that mentions one is not understood, no more.
        {"bing_with_baidus_mark", u"Bing", u"<P>验证码</P>", {}, false},
        {"bing_with_its_own_mark",
         u"Bing",
         u"<DIV id=b_captcha>Please solve</DIV>",
         {QStringLiteral("b_captcha")},
         true},
        {"empty_mark_never_matches", u"Sogou", u"<P>anything</P>", {QString()}, false},
    };
    for (const PageCase& c : cases)
        EXPECT_EQ(isVerificationPage(QStringView(c.engine), QStringView(c.text), c.extraMarks),
                  c.verification)
            << c.name;
}

} // namespace
} // namespace quorvane
