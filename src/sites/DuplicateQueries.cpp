#include "sites/DuplicateQueries.h"

namespace quorvane {

BoundSql urlDuplicateSql(const QString& url) {
    return {QStringLiteral("Select * From SE_KeyUrl Where UrlName=?"), {url}};
}

BoundSql keyWordDuplicateSql(const QString& keyword, int webId) {
    return {QStringLiteral("Select * From SE_KeyWord Where KeyWordName=? and +WebID=?"), {keyword, webId}};
}

} // namespace quorvane
