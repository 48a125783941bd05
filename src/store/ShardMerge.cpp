#include "store/ShardMerge.h"

#include "catalog/EngineCatalog.h"

#include "store/ShardRecord.h"
#include "store/SqlText.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>

#include <vector>

namespace quorvane {

namespace {

// The alias a copy is attached under while it is read.
constexpr QStringView kCopy = u"qv_shard_copy";

// The rank columns (the engine table's rankColumns()) have the same names in SE_KeyWord (cell texts) and
// SE_RankHistory (counters).
QString prefixed(const QString& alias) {
    return rankColumnList(alias);
}

// The texts a run writes into a rank cell besides numbers (the runs' own constants live in a higher layer).
const QString kRestrictedCell = QStringLiteral("可能已被搜索引擎限制!");
const QString kNotUnderstoodCell = QStringLiteral("无法识别结果页");
constexpr qint64 kMaxRank = 1000;

// A whole number 0 to kMaxRank written in plain decimal digits.
bool isCountText(QStringView text, qint64 least) {
    if (text.isEmpty() || text.size() > 4 || (text.size() > 1 && text.front() == u'0'))
        return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    const qint64 value = text.toLongLong();
    return value >= least && value <= kMaxRank;
}

bool isRankCell(const QVariant& cell) {
    if (cell.isNull())
        return true;
    const QString text = cell.toString();
    if (text.isEmpty() || text == kRestrictedCell || text == kNotUnderstoodCell)
        return true;
    if (text.startsWith(u'>'))
        return isCountText(QStringView(text).mid(1), 1);
    return isCountText(text, 1);
}

// A history counter: a whole number 0 to kMaxRank, or nothing (an engine the row never had).
bool isHistoryCounter(const QVariant& value) {
    if (value.isNull())
        return true;
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong: {
        const qint64 number = value.toLongLong();
        return number >= 0 && number <= kMaxRank;
    }
    case QMetaType::QString:
        return isCountText(value.toString(), 0);
    default:
        return false; // a real number (1e20), a blob
    }
}

// A day as the runs write it: yyyy-mm-dd, a day that exists, not after today.
bool isRunDay(const QString& text, const QDate& today) {
    if (text.size() != 10 || text[4] != u'-' || text[7] != u'-')
        return false;
    const QDate day = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    return day.isValid() && day <= today;
}

// An update time of this database that can be compared with a copy's as text.
bool isDayText(const QString& text) {
    return text.size() == 10 && QDate::fromString(text, QStringLiteral("yyyy-MM-dd")).isValid();
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
    QString file;
    bool rowValid = true; // its update time and cells are worth taking (its days are checked one by one)
};

// Marks what of the copied keywords is not worth believing and names it.
void checkCopied(std::vector<CopiedKeyword>& copied, const QDate& today, std::vector<SkippedRow>& skipped) {
    for (CopiedKeyword& copy : copied) {
        const QString name = copy.url + u' ' + copy.keyword;
        auto skip = [&](const QString& table, const QString& column) {
            skipped.push_back({copy.file, name, table + u'.' + column});
        };
        if (!isRunDay(copy.updateTime, today)) {
            copy.rowValid = false;
            skip(QStringLiteral("SE_KeyWord"), QStringLiteral("UpdateTime"));
        } else {
            for (qsizetype c = 0; c < copy.cells.size() && copy.rowValid; ++c)
                if (!isRankCell(copy.cells[c])) {
                    copy.rowValid = false;
                    skip(QStringLiteral("SE_KeyWord"), rankColumns()[c]);
                }
        }
        std::vector<CopiedDay> days;
        for (CopiedDay& day : copy.days) {
            if (!isRunDay(day.day, today)) {
                skip(QStringLiteral("SE_RankHistory"), QStringLiteral("UpdateTime"));
                continue;
            }
            const auto bad = std::find_if(day.ranks.cbegin(), day.ranks.cend(),
                                          [](const QVariant& v) { return !isHistoryCounter(v); });
            if (bad != day.ranks.cend()) {
                skip(QStringLiteral("SE_RankHistory"), rankColumns()[bad - day.ranks.cbegin()]);
                continue;
            }
            days.push_back(std::move(day));
        }
        copy.days = std::move(days);
    }
}

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

MergeReport mergeShardCopies(Database& database, const QStringList& files, const QString& password,
                             const QDate& today) {
    MergeReport report;
    const QString here = QFileInfo(database.connectionString()).canonicalFilePath();
    std::vector<CopiedKeyword> copied;
    QStringList read; // the files read, by their canonical paths: a file named twice is merged once
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
        if (read.contains(info.canonicalFilePath()))
            continue;
        read << info.canonicalFilePath();
        const size_t first = copied.size();
        CopyRead result = CopyRead::NotOurs;
        try {
            AttachedCopy attached(database, info.absoluteFilePath(), password);
            result = readCopy(database, copied);
        } catch (const DbError&) {
            result = CopyRead::NotOurs; // "file is not a database": another password, or no database at all
        }
        if (result == CopyRead::NotOurs) {
            report.end = MergeEnd::NotOurs;
            return report;
        }
        for (size_t k = first; k < copied.size(); ++k)
            copied[k].file = file;
        if (result == CopyRead::NoRecord)
            ++report.filesWithoutRecord;
        ++report.files;
    }
    report.file.clear();
    checkCopied(copied, today, report.skippedRows);

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
                // Dates are stored as yyyy-MM-dd, so their texts compare as the days do; a time here that is
                // no such day is older than any.
                if (!copy.rowValid) {
                    // Skipped and named: only its days that hold up are taken.
                } else if (isDayText(keyword.updateTime) && keyword.updateTime > copy.updateTime) {
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
