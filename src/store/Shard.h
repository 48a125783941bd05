#pragma once

#include <QString>
#include <QtGlobal>

namespace quorvane {

// Shard `index` of `count` (index 0 to count-1, as a Kubernetes Indexed Job numbers its pods): the
// keywords whose KeyWordID leaves that remainder when divided by count. The shards of one count never
// overlap and together hold every keyword; shard 0 of 1 is the whole list.
struct Shard {
    int index = 0;
    int count = 1;

    bool isWholeList() const { return count == 1; }
    bool holds(qint64 keyWordId) const { return keyWordId % count == index; }
    // "2/3", as the option is written.
    QString text() const { return QString::number(index) + u'/' + QString::number(count); }
};

} // namespace quorvane
