#include "sites/SiteStatements.h"

#include "store/SqlText.h"

namespace quorvane {

QString siteInsertSql(const QString& url, SiteMatch rule, const QString& day) {
    const bool ruleColumn = rule != SiteMatch::Address;
    return QStringLiteral("Insert Into SE_KeyUrl(UrlName,AddTime,State,UpdateTime,isCheck") +
           (ruleColumn ? QStringLiteral(",MatchRule") : QString()) + QStringLiteral(")Values(") +
           quotedStr(url) + u',' + day + u',' + quotedStr(QStringLiteral("删除")) + u',' + day +
           QStringLiteral(",-1") + (ruleColumn ? u',' + QString::number(storedValue(rule)) : QString()) +
           u')';
}

QString siteEditSql(qint64 webId, const QString& url, std::optional<SiteMatch> rule, const QString& day) {
    return QStringLiteral("Update SE_KeyUrl Set UrlName=") + quotedStr(url) +
           (rule ? QStringLiteral(",MatchRule=") + QString::number(storedValue(*rule)) : QString()) +
           QStringLiteral(",UpdateTime=") + day + QStringLiteral(" Where WebID=") + QString::number(webId);
}

QString keywordInsertSql(qint64 webId, const QString& keyword, const QString& day) {
    return QStringLiteral("Insert into SE_KeyWord(WebID,KeyWordName,AddTime,State,UpdateTime)values(") +
           QString::number(webId) + u',' + quotedStr(keyword) + u',' + day + u',' +
           quotedStr(QStringLiteral("删除")) + u',' + day + u')';
}

} // namespace quorvane
