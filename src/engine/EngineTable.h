#pragma once

#include "catalog/EngineCatalog.h"
#include "engine/EnginePace.h"
#include "engine/StopFlag.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace quorvane {

class Browser;

// How the address of one engine's result page is built and loaded. The engines themselves and their
// compiled-in address pieces are the engine table (catalog/EngineCatalog.h); the functions below use the
// definitions in force (EngineDefinitions.h), which Engines.ini may change.

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
QString resultPageUrl(const EngineInfo& engine, QStringView keyword, int pageParameter);
// The same for an engine named by its table name (where a name comes in); empty for an unknown name.
QString resultPageUrl(QStringView engine, QStringView keyword, int pageParameter);
// Whether the engine's encoding holds every character of the keyword (always, for the UTF-8 engines).
bool engineCanTakeKeyword(const EngineInfo& engine, QStringView keyword);
bool engineCanTakeKeyword(QStringView engine, QStringView keyword);
// The first result page (P of page index 0): what "打开搜索页" hands to the desktop and what the
// latest-results workbook links to.
QString firstPageUrl(QStringView engine, QStringView keyword);

// Loads one result page with loadPageAndWait (10-second budget) when the pace gives it its turn, and tells
// the pace when it ended (after a Google page that completed, the engine's own pause of a second follows).
// True when the page completed in time. An unknown engine name loads nothing and gives false.
bool openResultPage(Browser& browser, EnginePace& pace, const EngineInfo& engine, int pageParameter,
                    QStringView keyword, const StopFlag& stopRequested);
bool openResultPage(Browser& browser, EnginePace& pace, QStringView engine, int pageParameter,
                    QStringView keyword, const StopFlag& stopRequested);
// A plain bool would be copied into a flag of its own, and a stop set later would never be seen.
bool openResultPage(Browser& browser, EnginePace& pace, QStringView engine, int pageParameter,
                    QStringView keyword, const bool& stopRequested) = delete;

} // namespace quorvane
