#include "engine/VerificationPages.h"

#include <QUrl>

namespace quorvane {

bool isVerificationAnswer(const Browser::LoadOutcome& load) {
    if (load.httpStatus == 403 || load.httpStatus == 429)
        return true;
    if (load.finalUrl.isEmpty())
        return false;
    const QUrl url(load.finalUrl);
    const QString host = url.host().toLower();
    const QString path = url.path();
    // Google's unusual-traffic page, Baidu's verification hosts (its captcha and its older vcode page),
    // Sogou's anti-spider page and Bing's challenge: the engine sends us there instead of the results.
    return path.startsWith(QStringLiteral("/sorry/")) || host == u"wappass.baidu.com" ||
           host == u"verify.baidu.com" || path.startsWith(QStringLiteral("/antispider")) ||
           path.startsWith(QStringLiteral("/turing/captcha"));
}

QString verificationAnswerText() {
    return QStringLiteral(
        "status 403 or 429, an address under /sorry/, /antispider or /turing/captcha, or on "
        "wappass.baidu.com or verify.baidu.com");
}

QStringList builtInVerificationMarks(QStringView engine) {
    if (engine == u"Baidu")
        return {QStringLiteral("百度安全验证"), QStringLiteral("安全验证"), QStringLiteral("验证码"),
                QStringLiteral("请完成下方验证"), QStringLiteral("wappass.baidu.com/static/captcha")};
    if (engine == u"Google")
        return {QStringLiteral("unusual traffic"), QStringLiteral("异常流量"), QStringLiteral("/sorry/index"),
                QStringLiteral("not a robot"), QStringLiteral("g-recaptcha")};
    if (engine == u"Sogou")
        return {QStringLiteral("异常访问请求"), QStringLiteral("/antispider")};
    return {};
}

bool isVerificationPage(QStringView engine, QStringView pageText, const QStringList& extraMarks) {
    for (const QStringList& marks : {builtInVerificationMarks(engine), extraMarks})
        for (const QString& mark : marks)
            if (!mark.isEmpty() && pageText.contains(mark, Qt::CaseInsensitive))
                return true;
    return false;
}

} // namespace quorvane
