#pragma once

#include <QList>
#include <QString>

namespace quorvane {

// One result of a result page, as read from it in page order.
struct PageResult {
    // The result's link: the target address where the page holds it (an engine's redirect link unwrapped),
    // else the link as it stands (Baidu's and Sogou's /link?url=).
    QString address;
    // The address text the page displays for the result (Baidu's, Sogou's), empty when the page shows none.
    QString shownAddress;
    // A paid result the engine marks as such (counted for Baidu's second rank).
    bool promoted = false;

    bool operator==(const PageResult&) const = default;
};

using PageResults = QList<PageResult>;

} // namespace quorvane
