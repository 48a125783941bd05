#include "store/ShardMerge.h"

#include "store/ShardRecord.h"
#include "store/SqlText.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <vector>

namespace quorvane {

namespace {

// The alias a copy is attached under while it is read.
constexpr QStringView kCopy = u"qv_shard_copy";

// The rank columns, the same names in SE_KeyWord (cell texts) and SE_RankHistory (counters).
const QStringList& rankColumns() {
    static const QStringList columns = {QStringLiteral("GoogleRank"), QStringLiteral("BaiduRank"),
                                        QStringLiteral("BaiduRank2"), QStringLiteral("SogouRank"),
                                        QStringLiteral("SosoRank"),   QStringLiteral("YahooRank"),
                                        QStringLiteral("YoudaoRank"), QStringLiteral("BingRank")};
    return columns;
}

QString prefixed(const QString& alias) {
    return alias + u'.' + rankColumns().join(u',' + alias + u'.');
}

// A history row the copy's run wrote: its day and counters.
struct CopiedDay {
    QString day;
    QVariantList ranks;
};

// A keyword a copy's run checked: its site and text, its cells and the history rows of the days checked.
struct CopiedKeyword {
    QString url;
    QString keyword;
    QString updateTime;
    QVariantList cells;
    std::vector<CopiedDay> days;
};

// A keyword of this database.
struct Keyword {
    qint64 id = 0;
    qint64 webId = 0;
    QString url;
    QString keyword;
    QString updateTime;
    QVariantList cells;
};

// The columns compare as SQLite's NOCASE does: ASCII letters without regard to case, the rest exactly.
QString foldedPair(const QString& url, const QString& keyword) {
    QString key = url + u'\x1f' + keyword;
    for (QChar& c : key)
        if (c.unicode() < 128)
            c = c.toLower();
    return key;
}

QVariantList fieldsOf(const Recordset& rs, int row, int first, int count) {
    QVariantList fields;
    for (int f = first; f < first + count; ++f)
        fields << rs.value(row, f);
    return fields;
}

QString counterText(const QVariant& value) {
    return value.isNull() ? QStringLiteral("Null") : QString::number(value.toLongLong());
}

// Detaches the copy however its reading ended.
class AttachedCopy {
public:
    AttachedCopy(Database& database, const QString& path, const QString& password)
        : database_(database) {
        database_.execStatements({QStringLiteral("Attach Database ") + quotedStr(path) +
                                  QStringLiteral(" As ") + kCopy.toString() + QStringLiteral(" Key ") +
                                  quotedStr(password)});
    }
    ~AttachedCopy() {
        try {
            database_.execStatements({QStringLiteral("Detach Database ") + kCopy.toString()});
        } catch (const DbError&) {
            // Closing the connection detaches it all the same.
        }
    }
    AttachedCopy(const AttachedCopy&) = delete;
    AttachedCopy& operator=(const AttachedCopy&) = delete;

private:
    Database& database_;
};

enum class CopyRead { Read, NoRecord, NotOurs };

// Reads what the copy's sharded runs checked. Throws DbError when the file is no database of ours.
CopyRead readCopy(Database& database, std::vector<CopiedKeyword>& out) {
    const QString copy = kCopy.toString();
    Recordset rs;
    // Reading the schema proves the password; the rank tables show the file is this program's.
    database.openQuery(rs, QStringLiteral("Select Count(*) From ") + copy +
                               QStringLiteral(".sqlite_master Where type='table' and name In "
                                              "('SE_KeyUrl','SE_KeyWord','SE_RankHistory')"));
    if (rs.value(0, 0).toInt() != 3)
        return CopyRead::NotOurs;
    const QString record = copy + u'.' + QString::fromUtf16(kShardRecordTable);
    database.openQuery(rs, QStringLiteral("Select Count(*) From ") + copy +
                               QStringLiteral(".sqlite_master Where type='table' and name=") +
                               quotedStr(QString::fromUtf16(kShardRecordTable)));
    if (rs.value(0, 0).toInt() == 0)
        return CopyRead::NoRecord;

    const int cells = static_cast<int>(rankColumns().size());
    const int count = database.openQuery(
        rs,
        QStringLiteral("Select k.KeyWordID,u.UrlName,k.KeyWordName,k.UpdateTime,") +
            prefixed(QStringLiteral("k")) + QStringLiteral(" From ") + copy +
            QStringLiteral(".SE_KeyWord k Left Join ") + copy +
            QStringLiteral(".SE_KeyUrl u On u.WebID=k.WebID Where k.KeyWordID In (Select KeyWordID From ") +
            record + QStringLiteral(") Order By k.KeyWordID"));
    QHash<qint64, size_t> byId;
    const size_t first = out.size();
    for (int r = 0; r < count; ++r) {
        byId.insert(rs.value(r, 0).toLongLong(), out.size());
        out.push_back({rs.value(r, 1).toString(),
                       rs.value(r, 2).toString(),
                       rs.value(r, 3).toString(),
                       fieldsOf(rs, r, 4, cells),
                       {}});
    }
    // Only the days the runs checked the keyword: older rows in the copy are what this database gave it.
    const int days = database.openQuery(
        rs, QStringLiteral("Select h.KeyWordID,h.UpdateTime,") + prefixed(QStringLiteral("h")) +
                QStringLiteral(" From ") + copy + QStringLiteral(".SE_RankHistory h Join ") + copy +
                QStringLiteral(".SE_KeyWord k On k.KeyWordID=h.KeyWordID and k.WebID=h.WebID Join ") +
                record +
                QStringLiteral(" r On r.KeyWordID=h.KeyWordID and r.RunDay=h.UpdateTime Order By h.KeyWordID,"
                               "h.UpdateTime"));
    for (int r = 0; r < days; ++r) {
        const auto found = byId.constFind(rs.value(r, 0).toLongLong());
        if (found != byId.cend() && *found >= first)
            out[*found].days.push_back({rs.value(r, 1).toString(), fieldsOf(rs, r, 2, cells)});
    }
    return CopyRead::Read;
}

QHash<QString, std::vector<Keyword>> keywordsHere(Database& database) {
    Recordset rs;
    const int cells = static_cast<int>(rankColumns().size());
    const int count = database.openQuery(
        rs,
        QStringLiteral("Select k.KeyWordID,k.WebID,u.UrlName,k.KeyWordName,k.UpdateTime,") +
            prefixed(QStringLiteral("k")) +
            QStringLiteral(" From SE_KeyWord k Join SE_KeyUrl u On u.WebID=k.WebID Order By k.KeyWordID"));
    QHash<QString, std::vector<Keyword>> keywords;
    for (int r = 0; r < count; ++r) {
        Keyword keyword{rs.value(r, 0).toLongLong(), rs.value(r, 1).toLongLong(), rs.value(r, 2).toString(),
                        rs.value(r, 3).toString(),   rs.value(r, 4).toString(),   fieldsOf(rs, r, 5, cells)};
        keywords[foldedPair(keyword.url, keyword.keyword)].push_back(std::move(keyword));
    }
    return keywords;
}

// This database's history rows of the days the copies checked, by keyword, site number and day: the texts
// and counters of the one row there, or nothing when the day has none or several.
class HistoryHere {
public:
    HistoryHere(Database& database, const QSet<QString>& days) {
        if (days.isEmpty())
            return;
        QStringList quoted;
        for (const QString& day : days)
            quoted << quotedStr(day);
        Recordset rs;
        const int cells = static_cast<int>(rankColumns().size());
        const int count = database.openQuery(
            rs, QStringLiteral("Select KeyWordID,WebID,UpdateTime,KeyWordName,UrlName,") +
                    rankColumns().join(u',') + QStringLiteral(" From SE_RankHistory Where UpdateTime In (") +
                    quoted.join(u',') + u')');
        for (int r = 0; r < count; ++r) {
            const QString key =
                keyOf(rs.value(r, 0).toLongLong(), rs.value(r, 1).toLongLong(), rs.value(r, 2).toString());
            QVariantList row = fieldsOf(rs, r, 3, cells + 2);
            // A day with two rows of one keyword is put right by the merge's delete and insert.
            rows_.insert(key, rows_.contains(key) ? QVariantList() : std::move(row));
        }
    }
    bool holds(const QString& key, const QVariantList& row) const {
        const auto found = rows_.constFind(key);
        return found != rows_.cend() && *found == row;
    }
    void put(const QString& key, QVariantList row) { rows_.insert(key, std::move(row)); }
    static QString keyOf(qint64 keyWordId, qint64 webId, const QString& day) {
        return QString::number(keyWordId) + u'|' + QString::number(webId) + u'|' + day;
    }

private:
    QHash<QString, QVariantList> rows_;
};

// Replaces this database's history row of the keyword's day with the copy's, unless they are equal.
bool writeDay(Database& database, HistoryHere& history, const Keyword& here, const CopiedDay& day) {
    const QString key = HistoryHere::keyOf(here.id, here.webId, day.day);
    QVariantList row = {here.keyword, here.url};
    row += day.ranks;
    if (history.holds(key, row))
        return false;
    QStringList values = {quotedStr(here.keyword), quotedStr(here.url)};
    for (const QVariant& rank : day.ranks)
        values << counterText(rank);
    values << quotedStr(day.day) << QString::number(here.id) << QString::number(here.webId);
    database.execStatements(
        {QStringLiteral("Delete From SE_RankHistory Where KeyWordID=%1 and WebID=%2 and UpdateTime=%3")
             .arg(here.id)
             .arg(here.webId)
             .arg(quotedStr(day.day)),
         QStringLiteral("Insert Into SE_RankHistory(KeyWordName,UrlName,") + rankColumns().join(u',') +
             QStringLiteral(",UpdateTime,KeyWordID,WebID)Values(") + values.join(u',') + u')'});
    history.put(key, std::move(row));
    return true;
}

} // namespace

MergeReport mergeShardCopies(Database& database, const QStringList& files, const QString& password) {
    MergeReport report;
    const QString here = QFileInfo(database.connectionString()).canonicalFilePath();
    std::vector<CopiedKeyword> copied;
    for (const QString& file : files) {
        report.file = file;
        const QFileInfo info(file);
        // Attaching a missing file would create it.
        if (!info.isFile()) {
            report.end = MergeEnd::FileMissing;
            return report;
        }
        if (info.canonicalFilePath() == here) {
            report.end = MergeEnd::SameFile;
            return report;
        }
        CopyRead read = CopyRead::NotOurs;
        try {
            AttachedCopy attached(database, info.absoluteFilePath(), password);
            read = readCopy(database, copied);
        } catch (const DbError&) {
            read = CopyRead::NotOurs; // "file is not a database": another password, or no database at all
        }
        if (read == CopyRead::NotOurs) {
            report.end = MergeEnd::NotOurs;
            return report;
        }
        if (read == CopyRead::NoRecord)
            ++report.filesWithoutRecord;
        ++report.files;
    }
    report.file.clear();

    MergeReport counted = report;
    const bool written = database.inOneTransaction([&] {
        counted = report;
        QHash<QString, std::vector<Keyword>> keywords = keywordsHere(database);
        QSet<QString> days;
        for (const CopiedKeyword& copy : copied)
            for (const CopiedDay& day : copy.days)
                days.insert(day.day);
        HistoryHere history(database, days);
        QStringList columns = rankColumns();
        columns << QStringLiteral("UpdateTime");
        for (const CopiedKeyword& copy : copied) {
            const auto found = keywords.find(foldedPair(copy.url, copy.keyword));
            if (found == keywords.end()) {
                counted.unknownKeywords << copy.url + u' ' + copy.keyword;
                continue;
            }
            for (Keyword& keyword : *found) {
                ++counted.keywords;
                // Dates are stored as yyyy-MM-dd, so their texts compare as the days do.
                if (keyword.updateTime > copy.updateTime) {
                    ++counted.keywordsNewerHere;
                } else if (keyword.cells != copy.cells || keyword.updateTime != copy.updateTime) {
                    QVariantList values = copy.cells;
                    values << copy.updateTime;
                    database.updateRow(QStringLiteral("SE_KeyWord"), QStringLiteral("KeyWordID"), keyword.id,
                                       columns, values);
                    keyword.cells = copy.cells;
                    keyword.updateTime = copy.updateTime;
                    ++counted.keywordsUpdated;
                }
                for (const CopiedDay& day : copy.days)
                    if (writeDay(database, history, keyword, day))
                        ++counted.historyRows;
            }
        }
    });
    if (!written) {
        report.end = MergeEnd::WriteFailed;
        report.failure = database.lastFailure();
        return report;
    }
    return counted;
}

} // namespace quorvane
