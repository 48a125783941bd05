#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <vector>

namespace quorvane::demo {

// One keyword of the demo and where its site stands in each engine's results, in the order of kEngines
// (Baidu, Google, Yahoo, Soso, Bing, Sogou, Youdao); 0 where the engine does not list the site.
struct DemoKeyword {
    QString keyword;
    QString site;
    std::array<int, 7> positions;
};

const std::vector<DemoKeyword>& demoKeywords();

// Where the site of a keyword stands for an engine: its 1-based overall position, 0 when absent or when the
// keyword is not one of the demo's.
int demoPosition(QStringView engine, const QString& keyword, const QString& site);

// The statements that fill a fresh database with the demo's URLs and keywords, and two weeks of earlier
// history rows so that the trend chart has a line to continue, for the sqlcipher shell (UTF-8).
QString demoSql();

} // namespace quorvane::demo
