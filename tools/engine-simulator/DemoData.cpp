#include "DemoData.h"

#include "engine/EngineTable.h"

#include <QDate>
#include <QStringList>

#include <algorithm>

namespace quorvane::demo {

namespace {

QString quoted(const QString& text) {
    QString doubled = text;
    doubled.replace(u'\'', QStringLiteral("''"));
    return u'\'' + doubled + u'\'';
}

} // namespace

const std::vector<DemoKeyword>& demoKeywords() {
    // Positions within the first page of each engine (the page range starts at one page), except a few
    // that the run reports as not found.
    static const std::vector<DemoKeyword> keywords = {
        {QStringLiteral("排名查询工具"), QStringLiteral("www.quorvane-demo.cn"), {3, 5, 2, 7, 4, 6, 1}},
        {QStringLiteral("关键词排名"), QStringLiteral("www.quorvane-demo.cn"), {12, 9, 15, 4, 22, 8, 6}},
        {QStringLiteral("rank tracker"), QStringLiteral("www.quorvane-demo.cn"), {41, 2, 0, 9, 17, 33, 11}},
        {QStringLiteral("二手相机"), QStringLiteral("www.camera-demo.com.cn"), {1, 14, 6, 2, 0, 3, 25}},
        {QStringLiteral("镜头租赁"), QStringLiteral("www.camera-demo.com.cn"), {27, 0, 38, 5, 9, 64, 2}},
        {QStringLiteral("手工皂"), QStringLiteral("www.soap-demo.cn"), {8, 3, 11, 1, 6, 2, 19}},
    };
    return keywords;
}

int demoPosition(QStringView engine, const QString& keyword, const QString& site) {
    size_t index = 0;
    while (index < kEngines.size() && kEngines[index].name != engine)
        ++index;
    if (index == kEngines.size())
        return 0;
    for (const DemoKeyword& k : demoKeywords())
        if (k.keyword == keyword && k.site == site)
            return k.positions[index];
    return 0;
}

QString demoSql() {
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    QStringList sql{QStringLiteral("BEGIN;")};
    QStringList sites;
    for (const DemoKeyword& k : demoKeywords())
        if (!sites.contains(k.site))
            sites << k.site;
    for (const QString& site : sites)
        sql << QStringLiteral("INSERT INTO SE_KeyUrl (UrlName, AddTime, State, UpdateTime, isCheck) "
                              "VALUES (%1, '%2', '删除', '%2', 1);")
                   .arg(quoted(site), today);
    for (const DemoKeyword& k : demoKeywords()) {
        sql << QStringLiteral(
                   "INSERT INTO SE_KeyWord (WebID, KeyWordName, AddTime, State, UpdateTime, Valid) "
                   "SELECT WebID, %1, '%2', '删除', '%2', '1' FROM SE_KeyUrl WHERE UrlName = %3;")
                   .arg(quoted(k.keyword), today, quoted(k.site));
        // Earlier days drift towards today's positions; 0 (not found) stays 0.
        for (int daysAgo = 14; daysAgo >= 1; --daysAgo) {
            QStringList ranks;
            for (const int position : k.positions)
                ranks << QString::number(position == 0 ? 0 : position + (daysAgo * 7 + position) % 11);
            const int baiduWithPromotions = k.positions[0] == 0 ? 0 : ranks[0].toInt() + 2;
            sql << QStringLiteral("INSERT INTO SE_RankHistory (KeyWordName, UrlName, BaiduRank, GoogleRank, "
                                  "YahooRank, SosoRank, BingRank, SogouRank, YoudaoRank, BaiduRank2, "
                                  "UpdateTime, KeyWordID, WebID) "
                                  "SELECT KeyWordName, UrlName, %1, %2, '%3', KeyWordID, SE_KeyUrl.WebID "
                                  "FROM SE_KeyWord JOIN SE_KeyUrl ON SE_KeyWord.WebID = SE_KeyUrl.WebID "
                                  "WHERE KeyWordName = %4 AND UrlName = %5;")
                       .arg(ranks.join(u','), QString::number(baiduWithPromotions),
                            QDate::currentDate().addDays(-daysAgo).toString(Qt::ISODate), quoted(k.keyword),
                            quoted(k.site));
        }
    }
    sql << QStringLiteral("COMMIT;");
    return sql.join(u'\n') + u'\n';
}

} // namespace quorvane::demo
