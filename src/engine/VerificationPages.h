#pragma once

#include "pages/Browser.h"

#include <QString>
#include <QStringList>
#include <QStringView>

namespace quorvane {

// An engine that suspects a robot answers with a verification page instead of results. Such an answer is
// told apart from a changed layout: the user learns that the engine asks them to slow down, and the run
// stops asking that engine.
//
// The answer alone marks one: status 403 or 429, or an address after redirects that is an engine's
// verification page: under /sorry/ (Google's unusual-traffic page), on Baidu's verification hosts
// (wappass.baidu.com, verify.baidu.com), under /antispider (Sogou) or /turing/captcha (Bing).
bool isVerificationAnswer(const Browser::LoadOutcome& load);

// What isVerificationAnswer looks at, in words, for --print-engines.
QString verificationAnswerText();

// A loaded page without result items is a verification page when it holds one of the engine's marks:
// the built-in ones (Baidu's 百度安全验证, 安全验证, 验证码 and 请完成下方验证 pages; Google's
// unusual-traffic page, in English and Chinese, with its robot check; Sogou's anti-spider page) and the
// engine's BlockedMark= lines of Engines.ini. Only pages the scanners found no results in are asked, so a
// result page that merely mentions a mark (a search for "验证码") is never one.
bool isVerificationPage(QStringView engine, QStringView pageText, const QStringList& extraMarks);

// The built-in marks of an engine, for --print-engines.
QStringList builtInVerificationMarks(QStringView engine);

} // namespace quorvane
