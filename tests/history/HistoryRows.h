#pragma once

#include "support/TempDatabase.h"

#include <QDate>
#include <QString>

#include <vector>

namespace quorvane::test {

// One history row of a pair, as the rank runs write it; ranks are 0 where the site was not found.
struct HistoryRow {
    int keyWordId = 1;
    int webId = 1;
    QDate day;
    int baidu = 0;
    int baidu2 = 0;
    int google = 0;
    int yahoo = 0;
    int soso = 0;
    int bing = 0;
    int sogou = 0;
    int youdao = 0;
    QString keyWord = QStringLiteral("鲜花");
    QString url = QStringLiteral("www.example.com");
};

void InsertHistory(TempDatabase& db, const HistoryRow& row);
// Many rows in one statement.
void InsertHistory(TempDatabase& db, const std::vector<HistoryRow>& rows);

} // namespace quorvane::test
