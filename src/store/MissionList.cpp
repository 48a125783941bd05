#include "store/MissionList.h"

#include "catalog/EngineCatalog.h"

#include <QHash>

#include <optional>
#include <utility>
#include <vector>

namespace quorvane {

namespace {

// The condition that keeps a shard's keywords.
QString shardCondition(const Shard& shard) {
    return QStringLiteral(" and a.KeyWordID % %1 = %2").arg(shard.count).arg(shard.index);
}

// The list's statement without its join and order: the same columns, the address and rule columns empty. With
// the shard's condition when there is one.
QString keywordsSql(const Shard& shard) {
    QString sql = QStringLiteral("select a.KeyWordID,a.WebID,KeyWordName,Null As UrlName,") +
                  rankColumnList(u"a") +
                  QStringLiteral(",a.UpdateTime,Null As MatchRule from SE_KeyWord a Where Valid='1'");
    if (!shard.isWholeList())
        sql += shardCondition(shard);
    return sql;
}

constexpr int kWebIdColumn = 1;
constexpr int kAddressColumn = 3;
// After the rank columns and the update time.
int ruleColumn() {
    return kAddressColumn + static_cast<int>(rankColumns().size()) + 2;
}

// Equal as SQLite's NOCASE compares: letters A to Z without regard to case, everything else as it is.
bool equalWithoutCase(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = a[i].unicode();
        const char16_t y = b[i].unicode();
        const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
        if (lower(x) != lower(y))
            return false;
    }
    return true;
}

// Where each site's keywords stand in the list: the sites in the order of their addresses, sites whose
// addresses compare equal sharing one place, and no place (first, with the keywords without a site) for a
// site without an address.
struct SitePlace {
    int place = -1;
    std::optional<std::uint32_t> address; // in the keywords' text pool
    QVariant otherValue;                  // an address that is not a text, as the join would give it
    QVariant rule;                        // the site's match rule as stored
};

QHash<qint64, SitePlace> sitePlaces(Database& database, RecordTable& keywords, int& placeCount) {
    QStringList fields;
    const RecordTable sites = database.readRows(
        QStringLiteral("select WebID,UrlName,MatchRule from SE_KeyUrl Order By UrlName"), fields);
    QHash<qint64, SitePlace> places;
    places.reserve(sites.rowCount());
    QString previous;
    bool previousNamed = false;
    placeCount = 0;
    for (int row = 0; row < sites.rowCount(); ++row) {
        const std::optional<qint64> webId = sites.integerAt(row, 0);
        if (!webId)
            continue; // the key is an integer; nothing joins to anything else
        SitePlace site;
        site.rule = sites.value(row, 2);
        if (!sites.isNull(row, 1)) {
            const QVariant address = sites.value(row, 1);
            const QString text = sites.text(row, 1);
            if (!previousNamed || !equalWithoutCase(text, previous))
                ++placeCount;
            previous = text;
            previousNamed = true;
            site.place = placeCount - 1;
            if (address.typeId() == QMetaType::QString)
                site.address = keywords.addText(text);
            else
                site.otherValue = address;
        }
        places.insert(*webId, std::move(site));
    }
    return places;
}

} // namespace

QString wholeMissionListSql() {
    return QStringLiteral("select a.KeyWordID,a.WebID,KeyWordName,b.UrlName,") + rankColumnList(u"a") +
           QStringLiteral(",a.UpdateTime,b.MatchRule from SE_KeyWord a left join SE_KeyUrl b on "
                          "a.WebID=b.WebID Where Valid='1'  Order By b.UrlName");
}

QString missionListSql(const Shard& shard) {
    QString sql = wholeMissionListSql();
    if (shard.isWholeList())
        return sql;
    const qsizetype order = sql.lastIndexOf(QStringLiteral(" Order By "));
    Q_ASSERT(order > 0);
    sql.insert(order, shardCondition(shard));
    return sql;
}

int openMissionList(Database& database, Recordset& missions, const Shard& shard) {
    missions.setUpdateTable(QStringLiteral("SE_KeyWord"), QStringLiteral("KeyWordID"));
    // The rows of missionListSql(shard), made without its join and its sort: SQLite orders the joined rows
    // by comparing addresses without regard to case, one comparison at a time, which took two thirds of
    // the time to read 100,000 keywords. Here the keywords come in stored order, each takes its site's
    // address, and a stable sort by the site's place among the sites ordered by address gives the same
    // order: the keywords of one address (and those without one, first) in stored order, as SQLite's sort
    // leaves them.
    QStringList fields;
    RecordTable rows = database.readRows(keywordsSql(shard), fields);
    int placeCount = 0;
    const QHash<qint64, SitePlace> places = sitePlaces(database, rows, placeCount);

    // Counting sort by place; bucket 0 holds the keywords without a place.
    const int rule = ruleColumn();
    std::vector<int> placeOfRow(static_cast<size_t>(rows.rowCount()));
    std::vector<int> bucketStart(static_cast<size_t>(placeCount) + 2, 0);
    for (int row = 0; row < rows.rowCount(); ++row) {
        int place = -1;
        if (const std::optional<qint64> webId = rows.integerAt(row, kWebIdColumn)) {
            const auto site = places.constFind(*webId);
            if (site != places.constEnd()) {
                place = site->place;
                if (site->address)
                    rows.setPooledText(row, kAddressColumn, *site->address);
                else if (site->otherValue.isValid())
                    rows.setValue(row, kAddressColumn, site->otherValue);
                if (!site->rule.isNull())
                    rows.setValue(row, rule, site->rule);
            }
        }
        placeOfRow[static_cast<size_t>(row)] = place + 1;
        ++bucketStart[static_cast<size_t>(place + 2)];
    }
    for (size_t b = 1; b < bucketStart.size(); ++b)
        bucketStart[b] += bucketStart[b - 1];
    std::vector<int> order(static_cast<size_t>(rows.rowCount()));
    for (int row = 0; row < rows.rowCount(); ++row) {
        int& next = bucketStart[static_cast<size_t>(placeOfRow[static_cast<size_t>(row)])];
        order[static_cast<size_t>(next++)] = row;
    }
    rows.reorder(order);

    const int count = rows.rowCount();
    missions.assign(&database, missionListSql(shard), std::move(fields), std::move(rows));
    return count;
}

} // namespace quorvane
