#pragma once

#include "engine/EnginePace.h"
#include "engine/StopFlag.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <array>

namespace quorvane {

class Browser;

// The seven search engines: what belongs to each of them in the windows and the database, and how the
// address of one of its result pages is built. Every per-engine choice of the program is made by the
// engine name, compared exactly. The address pieces and the step here are the compiled-in defaults; the
// functions below use the definitions in force (EngineDefinitions.h), which Engines.ini may change.

enum class KeywordBytes { Gbk, Utf8 };
// How the page parameter P follows from the 0-based page index i of a check.
enum class PageParameterRule { IndexTimesStep, IndexPlusOne };

struct EngineInfo {
    QStringView name;        // "Baidu", ...
    QStringView rankColumn;  // in SE_KeyWord and SE_RankHistory
    QStringView rankColumn2; // Baidu only: the rank counting promoted results
    QStringView gridCaption;
    QStringView gridCaption2; // Baidu only
    // The result-page address: endpoint + pathBeforeKeyword + K + pathBeforePage + P + pathAfterPage.
    QStringView pathBeforeKeyword;
    QStringView pathBeforePage;
    QStringView pathAfterPage;
    KeywordBytes keywordBytes;
    PageParameterRule pageRule;
    int step;       // results the check counts per page read without a match (the default: PageStep)
    int fixedPages; // pages a check reads whatever the page range says; 0 = the page range decides
    int pauseAfterPageMs = 0; // the engine's own pause after every page that loaded, before its next request
    bool retired = false;     // the engine's web search has closed; it is kept as the program always had it
};

// In the order of the check boxes and the chart radio buttons.
inline constexpr std::array<EngineInfo, 7> kEngines{{
    {u"Baidu", u"BaiduRank", u"BaiduRank2", u"Baidu不包含推广", u"Baidu包含推广", u"/s?ie=utf-8&wd=", u"&pn=",
     u"&rn=100&usm=1", KeywordBytes::Utf8, PageParameterRule::IndexTimesStep, 100, 0},
    {u"Google", u"GoogleRank", u"", u"Google", u"", u"/search?num=100&hl=zh-CN&lr=&safe=strict&ie=utf-8&q=",
     u"&start=", u"", KeywordBytes::Utf8, PageParameterRule::IndexTimesStep, 100, 0, 1000},
    {u"Yahoo", u"YahooRank", u"", u"Yahoo", u"", u"/search?p=", u"&n=100&v=web&b=", u"", KeywordBytes::Utf8,
     PageParameterRule::IndexTimesStep, 100, 0},
    {u"Soso", u"SosoRank", u"", u"Soso", u"", u"/q?w=", u"&pg=", u"", KeywordBytes::Gbk,
     PageParameterRule::IndexPlusOne, 10, 10, 0, true},
    {u"Bing", u"BingRank", u"", u"Bing", u"", u"/search?q=", u"&first=", u"", KeywordBytes::Utf8,
     PageParameterRule::IndexTimesStep, 50, 0},
    {u"Sogou", u"SogouRank", u"", u"Sogou", u"", u"/web?&num=100&ie=utf8&query=", u"&page=", u"",
     KeywordBytes::Utf8, PageParameterRule::IndexPlusOne, 100, 0},
    {u"Youdao", u"YoudaoRank", u"", u"Youdao", u"", u"/search?q=", u"&start=", u"", KeywordBytes::Utf8,
     PageParameterRule::IndexTimesStep, 30, 10, 0, true},
}};

// The order in which the batch run and the single-row update check the engines.
inline constexpr std::array<QStringView, 7> kRunOrder{u"Baidu", u"Google", u"Yahoo", u"Sogou",
                                                      u"Bing",  u"Soso",   u"Youdao"};
// The order of the items under "打开搜索页".
inline constexpr std::array<QStringView, 7> kOpenSearchPageOrder = kRunOrder;

// The engine of that exact name, or null.
const EngineInfo* findEngine(QStringView name);
// Its place in kEngines, or -1.
int engineIndex(QStringView name);

// Results the check counts per page: the step in force.
int pageStep(const EngineInfo& engine);
// P for the 0-based page index of a check: index x step, or index + 1 (Soso, Sogou).
int pageParameter(const EngineInfo& engine, int pageIndex);
// Pages a check reads: the page range setting (1 to 10), or always 10 for Soso and Youdao.
int pagesRead(const EngineInfo& engine, int pageRange);
// N of the rank cell text ">N" written when a check finds no match.
int notFoundLimit(const EngineInfo& engine, int pageRange);
// The widest rank a stored rank column (BaiduRank2 is Baidu's too) can hold: N of ">N" at the largest page
// range. 0 for a column that holds no engine's rank.
int widestRank(QStringView rankColumn);

// The address of one result page: the engine's endpoint (Endpoints.h), its path and query with the
// percent-encoded keyword and the page parameter P. The keyword is encoded here, in the engine's encoding:
// GBK engines get its GBK bytes (a character GBK cannot hold becomes "?"), the others its UTF-8 form, so
// that no character is lost on its way to them. Empty for an unknown engine name.
QString resultPageUrl(QStringView engine, QStringView keyword, int pageParameter);
// Whether the engine's encoding holds every character of the keyword (always, for the UTF-8 engines).
bool engineCanTakeKeyword(QStringView engine, QStringView keyword);
// The first result page (P of page index 0): what "打开搜索页" hands to the desktop and what the
// latest-results workbook links to.
QString firstPageUrl(QStringView engine, QStringView keyword);

// Loads one result page with loadPageAndWait (10-second budget) when the pace gives it its turn, and tells
// the pace when it ended (after a Google page that completed, the engine's own pause of a second follows).
// True when the page completed in time. An unknown engine name loads nothing and gives false.
bool openResultPage(Browser& browser, EnginePace& pace, QStringView engine, int pageParameter,
                    QStringView keyword, const StopFlag& stopRequested);
// A plain bool would be copied into a flag of its own, and a stop set later would never be seen.
bool openResultPage(Browser& browser, EnginePace& pace, QStringView engine, int pageParameter,
                    QStringView keyword, const bool& stopRequested) = delete;

} // namespace quorvane
