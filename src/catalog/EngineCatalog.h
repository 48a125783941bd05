#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <span>
#include <vector>

namespace quorvane {

// The search engines the program checks: the one list of them. Everything that has a place per engine —
// the rank columns, the check boxes, the grid's and the history's columns, the workbook columns, the
// command line's engine names, the order of a run — is made from this table, so an engine added here (with
// its definition, engine/EngineDefinitions.h) appears everywhere. An engine is handed on as a reference to
// its entry, found once by its name where a name comes in (a check box, the command line, an Engines.ini
// section).

enum class KeywordBytes { Gbk, Utf8 };
// How the page parameter P follows from the 0-based page index i of a check.
enum class PageParameterRule { IndexTimesStep, IndexPlusOne };

struct EngineInfo {
    QStringView name;        // "Baidu", ...: the Endpoints.ini and Engines.ini key, the command line's name
    QStringView rankColumn;  // in SE_KeyWord and SE_RankHistory
    QStringView rankColumn2; // Baidu only: the rank counting promoted results
    QStringView gridCaption;
    QStringView gridCaption2;    // Baidu only
    QStringView defaultEndpoint; // "scheme://host", until Endpoints.ini names another
    // The result-page address: endpoint + pathBeforeKeyword + K + pathBeforePage + P + pathAfterPage.
    QStringView pathBeforeKeyword;
    QStringView pathBeforePage;
    QStringView pathAfterPage;
    KeywordBytes keywordBytes;
    PageParameterRule pageRule;
    int step;        // results the check counts per page read without a match (the default: PageStep)
    int fixedPages;  // pages a check reads whatever the page range says; 0 = the page range decides
    int runPosition; // where the batch run and "打开搜索页" take the engine, 0 first
    int pauseAfterPageMs = 0; // the engine's own pause after every page that loaded, before its next request
    bool retired = false;     // the engine's web search has closed; it is kept as the program always had it
    // Stored files from before this engine was added lack its column(s); the schema adds them. The first
    // rank column of these engines sorts in the grids; columns added later do not.
    bool inOldestSchema = false;
    int gridWidth = 40; // the mission grid's rank column(s) as designed, before the font widens them
    int boxRoom = 0;    // the check box's designed room up to the next box

    bool hasSecondRank() const { return !rankColumn2.isEmpty(); }
};

// The built-in table, in the order of the check boxes and the chart radio buttons.
inline constexpr std::array<EngineInfo, 7> kEngines{{
    {u"Baidu", u"BaiduRank", u"BaiduRank2", u"Baidu不包含推广", u"Baidu包含推广", u"https://www.baidu.com",
     u"/s?ie=utf-8&wd=", u"&pn=", u"&rn=100&usm=1", KeywordBytes::Utf8, PageParameterRule::IndexTimesStep,
     100, 0, 0, 0, false, true, 55, 56},
    {u"Google", u"GoogleRank", u"", u"Google", u"", u"https://www.google.com.hk",
     u"/search?num=100&hl=zh-CN&lr=&safe=strict&ie=utf-8&q=", u"&start=", u"", KeywordBytes::Utf8,
     PageParameterRule::IndexTimesStep, 100, 0, 1, 1000, false, true, 40, 62},
    {u"Yahoo", u"YahooRank", u"", u"Yahoo", u"", u"https://search.yahoo.com", u"/search?p=",
     u"&n=100&v=web&b=", u"", KeywordBytes::Utf8, PageParameterRule::IndexTimesStep, 100, 0, 2, 0, false,
     false, 35, 52},
    {u"Soso", u"SosoRank", u"", u"Soso", u"", u"http://www.soso.com", u"/q?w=", u"&pg=", u"",
     KeywordBytes::Gbk, PageParameterRule::IndexPlusOne, 10, 10, 5, 0, true, false, 30, 54},
    {u"Bing", u"BingRank", u"", u"Bing", u"", u"https://cn.bing.com", u"/search?q=", u"&first=", u"",
     KeywordBytes::Utf8, PageParameterRule::IndexTimesStep, 50, 0, 4, 0, false, false, 30, 56},
    {u"Sogou", u"SogouRank", u"", u"Sogou", u"", u"https://www.sogou.com", u"/web?&num=100&ie=utf8&query=",
     u"&page=", u"", KeywordBytes::Utf8, PageParameterRule::IndexPlusOne, 100, 0, 3, 0, false, false, 35, 56},
    {u"Youdao", u"YoudaoRank", u"", u"Youdao", u"", u"http://www.youdao.com", u"/search?q=", u"&start=", u"",
     KeywordBytes::Utf8, PageParameterRule::IndexTimesStep, 30, 10, 6, 0, true, false, 40, 64},
}};

// The page range panel's notes on the built-in engines' pages, worded as the program always showed them. They
// describe kEngines: an engine added to it is named here too.
inline constexpr char16_t kPageSizeNote[] = u"说明:Baidu,Google，Yahoo,Sogou默认每页记录条数为100 ";
inline constexpr char16_t kOtherPageSizeNote[] = u"Bing默认为50";
inline constexpr char16_t kPageRangeTitle[] = u"查询页数(仅对Baidu,Google,Yahoo,Bing,Sogou有效)";

// The table in force: kEngines, unless a test put another in its place (ScopedEngineTable).
std::span<const EngineInfo> engines();
// The engines in the order the batch run and the single-row update check them (and "打开搜索页" lists them).
const std::vector<const EngineInfo*>& runOrder();
// The engine of that exact name in the table in force, or null.
const EngineInfo* findEngine(QStringView name);
// Its place in the table in force, or -1.
int engineIndex(QStringView name);
int engineIndex(const EngineInfo& engine);
// Every rank column of the table in force, in table order (Baidu's second one after its first).
QStringList rankColumns();
// The same, each behind the alias and a dot ("a.BaiduRank,a.BaiduRank2,..."), for a statement's field list;
// without an alias the bare names.
QString rankColumnList(QStringView alias = {});
// The rank columns files from before the later engines lack (BaiduRank2 among them), in table order.
QStringList laterRankColumns();
// A rank column as the grids, the history and the exports show it.
struct RankColumn {
    const EngineInfo* engine;
    bool second; // the engine's second rank (promoted results counted)
    QStringView field() const { return second ? engine->rankColumn2 : engine->rankColumn; }
    QStringView caption() const { return second ? engine->gridCaption2 : engine->gridCaption; }
    // The first rank columns of the engines the oldest files knew sort; the columns added later do not.
    bool sortable() const { return !second && engine->inOldestSchema; }
};
// The rank columns in the order the mission grid, the history grid and the workbook show them: the run
// order, an engine's second rank after its first.
std::vector<RankColumn> shownRankColumns();

// The engine whose second rank counts promoted results (Baidu), or null when the table has none.
const EngineInfo* engineWithSecondRank();

// Puts another table in force for as long as it lives (tests: an eighth engine). The entries must outlive
// it; not thread-safe, so it is made before any run and ended after.
class ScopedEngineTable {
public:
    explicit ScopedEngineTable(std::span<const EngineInfo> table);
    ~ScopedEngineTable();
    ScopedEngineTable(const ScopedEngineTable&) = delete;
    ScopedEngineTable& operator=(const ScopedEngineTable&) = delete;

private:
    std::span<const EngineInfo> previous_;
};

} // namespace quorvane
