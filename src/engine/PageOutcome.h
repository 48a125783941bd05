#pragma once

#include "engine/EngineTable.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace quorvane {

// What became of one result page a check asked for. "Not understood" is the engine answering with a page
// in which no marker matched (a changed layout, a verification page): unlike a page that did not load,
// it says the engine definitions need a look.
enum class PageOutcome {
    NotLoaded,     // network error, time-out, HTTP error status, size limit, stop request
    NotUnderstood, // loaded, but no result items found
    Read,          // loaded and gave result items
    Blocked,       // the engine answered with a verification page (it suspects a robot)
};

struct PageCounts {
    int read = 0;
    int notLoaded = 0;
    int notUnderstood = 0;
    int blocked = 0;

    // Pages an engine answered, whatever the answer; and every page asked for.
    int answered() const { return read + notUnderstood + blocked; }
    int asked() const { return answered() + notLoaded; }
    void add(PageOutcome outcome);
    PageCounts& operator+=(const PageCounts& other);
    bool operator==(const PageCounts&) const = default;
};

// A run's page counts per engine, summed from the results of its checks.
class RunPageCounts {
public:
    void add(QStringView engine, const PageCounts& counts);
    PageCounts of(QStringView engine) const;
    // The pages of every engine together.
    PageCounts total() const;
    void clear() { counts_.clear(); }
    // One short line for the user naming the engines with pages not understood, in the run order, e.g.
    // "Baidu: 12 页, Bing: 3 页无法识别，见 Logs"; empty when every loaded page was understood.
    QString notUnderstoodLine() const;
    // The engines that answered with a verification page, in the run order; empty when none did.
    QStringList blockedEngines() const;
    // One short line naming them, e.g. "Baidu, Google 返回了验证页面 (可能已被搜索引擎限制), 本次不再查询";
    // empty when none did.
    QString blockedLine() const;

private:
    std::vector<PageCounts> counts_; // in the order of the engine table; grows to an engine's place
};

} // namespace quorvane
