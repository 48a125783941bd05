#include "settings/DuplicateTests.h"

#include "store/SqlText.h"

namespace quorvane {

QString UrlDuplicateSql(const QString& url) {
    return QStringLiteral("Select * From SE_KeyUrl Where UrlName=") + QuotedStr(url);
}

QString KeyWordDuplicateSql(const QString& keyword, int webId) {
    return QStringLiteral("Select * From SE_KeyWord Where KeyWordName=") + QuotedStr(keyword) +
           QStringLiteral(" and +WebID=") + QString::number(webId);
}

} // namespace quorvane
