#include "sites/SiteStatements.h"

namespace quorvane {

namespace {

const QString kDeleteCaption = QStringLiteral("删除"); // the State column's text, the list's delete link

} // namespace

BoundSql siteInsertSql(const QString& url, SiteMatch rule, const QDate& day) {
    if (rule == SiteMatch::Address)
        return {QStringLiteral(
                    "Insert Into SE_KeyUrl(UrlName,AddTime,State,UpdateTime,isCheck)Values(?,?,?,?,-1)"),
                {url, day, kDeleteCaption, day}};
    return {
        QStringLiteral(
            "Insert Into SE_KeyUrl(UrlName,AddTime,State,UpdateTime,isCheck,MatchRule)Values(?,?,?,?,-1,?)"),
        {url, day, kDeleteCaption, day, storedValue(rule)}};
}

BoundSql siteEditSql(qint64 webId, const QString& url, std::optional<SiteMatch> rule, const QDate& day) {
    if (!rule)
        return {QStringLiteral("Update SE_KeyUrl Set UrlName=?,UpdateTime=? Where WebID=?"),
                {url, day, webId}};
    return {QStringLiteral("Update SE_KeyUrl Set UrlName=?,MatchRule=?,UpdateTime=? Where WebID=?"),
            {url, storedValue(*rule), day, webId}};
}

BoundSql keywordInsertSql(qint64 webId, const QString& keyword, const QDate& day) {
    return {
        QStringLiteral("Insert into SE_KeyWord(WebID,KeyWordName,AddTime,State,UpdateTime)values(?,?,?,?,?)"),
        {webId, keyword, day, kDeleteCaption, day}};
}

} // namespace quorvane
