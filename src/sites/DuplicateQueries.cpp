#include "sites/DuplicateQueries.h"

#include "store/SqlText.h"

namespace quorvane {

QString urlDuplicateSql(const QString& url) {
    return QStringLiteral("Select * From SE_KeyUrl Where UrlName=") + quotedStr(url);
}

QString keyWordDuplicateSql(const QString& keyword, int webId) {
    return QStringLiteral("Select * From SE_KeyWord Where KeyWordName=") + quotedStr(keyword) +
           QStringLiteral(" and +WebID=") + QString::number(webId);
}

} // namespace quorvane
