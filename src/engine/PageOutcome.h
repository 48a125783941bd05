#pragma once

#include "engine/EngineTable.h"

#include <QString>
#include <QStringView>

#include <array>

namespace quorvane {

// What became of one result page a check asked for. "Not understood" is the engine answering with a page
// in which no marker matched (a changed layout, a verification page): unlike a page that did not load,
// it says the engine definitions need a look.
enum class PageOutcome {
    NotLoaded,     // network error, time-out, HTTP error status, size limit, stop request
    NotUnderstood, // loaded, but no result items found
    Read,          // loaded and gave result items
};

struct PageCounts {
    int read = 0;
    int notLoaded = 0;
    int notUnderstood = 0;

    void add(PageOutcome outcome);
    PageCounts& operator+=(const PageCounts& other);
    bool operator==(const PageCounts&) const = default;
};

// A run's page counts per engine, summed from the results of its checks.
class RunPageCounts {
public:
    void add(QStringView engine, const PageCounts& counts);
    PageCounts of(QStringView engine) const;
    void clear() { counts_ = {}; }
    // One short line for the user naming the engines with pages not understood, in the run order, e.g.
    // "Baidu: 12 页, Bing: 3 页无法识别，见 Logs"; empty when every loaded page was understood.
    QString notUnderstoodLine() const;

private:
    std::array<PageCounts, kEngines.size()> counts_{}; // in the order of kEngines
};

} // namespace quorvane
