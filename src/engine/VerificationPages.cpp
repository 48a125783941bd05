#include "engine/VerificationPages.h"

#include <QUrl>

namespace quorvane {

bool isVerificationAnswer(const Browser::LoadOutcome& load) {
    if (load.httpStatus == 403 || load.httpStatus == 429)
        return true;
    return !load.finalUrl.isEmpty() && QUrl(load.finalUrl).path().startsWith(QStringLiteral("/sorry/"));
}

QStringList builtInVerificationMarks(QStringView engine) {
    if (engine == u"Baidu")
        return {QStringLiteral("百度安全验证"), QStringLiteral("安全验证"), QStringLiteral("验证码")};
    if (engine == u"Google")
        return {QStringLiteral("unusual traffic"), QStringLiteral("异常流量"),
                QStringLiteral("/sorry/index")};
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
