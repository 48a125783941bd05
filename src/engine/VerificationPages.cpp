#include "engine/VerificationPages.h"

#include "engine/EngineScanners.h"

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
    QStringList marks;
    for (const VerificationDefaults& defaults : kVerificationDefaults)
        if (defaults.engine == engine)
            for (QStringView mark : defaults.marks)
                if (!mark.isEmpty())
                    marks << mark.toString();
    return marks;
}

bool isVerificationPage(QStringView engine, QStringView pageText, const QStringList& extraMarks) {
    for (const QStringList& marks : {builtInVerificationMarks(engine), extraMarks})
        for (const QString& mark : marks)
            if (!mark.isEmpty() && pageText.contains(mark, Qt::CaseInsensitive))
                return true;
    return false;
}

} // namespace quorvane
