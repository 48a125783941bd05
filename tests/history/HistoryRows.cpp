#include "HistoryRows.h"

#include "store/SqlText.h"

namespace quorvane::test {

namespace {

QString ValuesOf(const HistoryRow& row) {
    const auto n = [](int value) { return QString::number(value); };
    return u'(' + quotedStr(row.keyWord) + u',' + quotedStr(row.url) + u',' + n(row.google) + u',' +
           n(row.baidu) + u',' + n(row.baidu2) + u',' + n(row.yahoo) + u',' + n(row.soso) + u',' +
           n(row.youdao) + u',' + n(row.sogou) + u',' + n(row.bing) + u',' + sqlDate(row.day) + u',' +
           n(row.keyWordId) + u',' + n(row.webId) + u')';
}

} // namespace

void InsertHistory(TempDatabase& db, const std::vector<HistoryRow>& rows) {
    QStringList values;
    for (const HistoryRow& row : rows)
        values << ValuesOf(row);
    db.Exec(QStringLiteral(
                "Insert Into SE_RankHistory (KeyWordName,UrlName,GoogleRank,BaiduRank,BaiduRank2,"
                "YahooRank,SosoRank,YoudaoRank,SogouRank,BingRank,UpdateTime,KeyWordID,WebID) Values ") +
            values.join(u','));
}

void InsertHistory(TempDatabase& db, const HistoryRow& row) {
    InsertHistory(db, std::vector<HistoryRow>{row});
}

} // namespace quorvane::test
