#include "engine/RankEngine.h"

#include "engine/EngineTable.h"
#include "engine/Scanners.h"
#include "engine/UrlMatch.h"

#include <algorithm>

namespace quorvane {

RankEngine::RankEngine(Browser& browser)
    : rankBrowser(browser) {}

void RankEngine::ResetCounters() {
    RankGoogle = RankBaidu = RankBaidu2 = RankYahoo = RankSoso = RankBing = RankSogou = RankYoudao = 0;
}

int& RankEngine::Counter(QStringView engine, bool second) {
    if (engine == u"Baidu")
        return second ? RankBaidu2 : RankBaidu;
    if (engine == u"Google")
        return RankGoogle;
    if (engine == u"Yahoo")
        return RankYahoo;
    if (engine == u"Soso")
        return RankSoso;
    if (engine == u"Bing")
        return RankBing;
    if (engine == u"Sogou")
        return RankSogou;
    if (engine == u"Youdao")
        return RankYoudao;
    throw std::invalid_argument("unknown engine");
}

RankEngine::CheckResult RankEngine::CheckEngineRank(QByteArrayView keywordGbk, const QString& siteUrl,
                                                    QStringView engine) {
    CheckResult result;
    const EngineInfo* info = FindEngine(engine);
    if (!info)
        return result;
    const bool baidu = engine == u"Baidu";
    PageCount = PagesRead(*info, std::clamp(PageRangeSource(), 1, 10));
    int offset = 0; // results that lie before the current page
    for (int i = 0; i < PageCount; ++i, offset += PageSize) {
        PageSize = info->step;
        const int p = PageParameter(*info, i);
        if (!OpenResultPage(rankBrowser, engine, p, keywordGbk, StopRequested) ||
            !ScanResultPage(rankBrowser, engine, PageLinks, PromoCount))
            continue; // unread: the next page still starts after this one's results
        result.readAnyPage = true;
        if (StopRequested) {
            result.completed = false;
            return result;
        }
        const int m = FindSiteInLinks(siteUrl, PageLinks, StopRequested);
        if (baidu) {
            RankBaidu2 = m;
            if (m == 0)
                continue;
            if (m <= PromoCount) {
                // The site is one of the page's promoted items: both ranks are its position.
                RankBaidu = RankBaidu2 = offset + m;
            } else {
                RankBaidu2 = offset + m;
                RankBaidu = offset + m - PromoCount;
            }
            return result;
        }
        int& counter = Counter(engine);
        counter = m;
        if (m == 0)
            continue;
        counter = offset + m;
        return result;
    }
    return result;
}

} // namespace quorvane
