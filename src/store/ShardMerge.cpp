#include "store/ShardMerge.h"

#include "catalog/EngineCatalog.h"
#include "store/ShardRecord.h"
#include "store/Statement.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <vector>

namespace quorvane {

namespace {

// The rank columns merged, the same names in SE_KeyWord (cell texts) and SE_RankHistory (counters).
QStringList mergedColumns() {
    return rankColumns();
}

QString prefixed(const QString& alias) {
    return alias + u'.' + mergedColumns().join(u',' + alias + u'.');
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

// Cells compared as values: a text or null.
bool sameCell(const Statement& a, int columnA, const Statement& b, int columnB) {
    if (a.isNull(columnA) || b.isNull(columnB))
        return a.isNull(columnA) == b.isNull(columnB);
    return a.text(columnA) == b.text(columnB);
}

// A worker's copy, open for reading only through a connection of its own: its rows are read one at a time
// while this database is written, and nothing of it is ever held whole.
class CopyFile {
public:
    // Throws DbError when the file cannot be opened or read with the password.
    CopyFile(const QString& path, const QString& password) {
        sqlite3* raw = nullptr;
        const QByteArray nativePath = QFile::encodeName(path);
        const int rc = sqlite3_open_v2(nativePath.constData(), &raw,
                                       SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
        db_.reset(raw);
        if (rc != SQLITE_OK)
            throw DbError(QStringLiteral("cannot open ") + path, failureOfSqliteCode(rc));
        const QByteArray key = password.toUtf8();
        if (sqlite3_key(db_.get(), key.constData(), static_cast<int>(key.size())) != SQLITE_OK)
            throw DbError(QStringLiteral("cannot key ") + path);
    }
    Statement prepare(const QString& sql) {
        const QByteArray utf8 = sql.toUtf8();
        sqlite3_stmt* raw = nullptr;
        const int rc =
            sqlite3_prepare_v2(db_.get(), utf8.constData(), static_cast<int>(utf8.size()), &raw, nullptr);
        SqliteStatement stmt(raw);
        if (rc != SQLITE_OK)
            throw DbError(QString::fromUtf8(sqlite3_errmsg(db_.get())), failureOfSqliteCode(rc));
        return Statement(std::move(stmt), db_.get());
    }
    qint64 count(const QString& sql) {
        Statement stmt = prepare(sql);
        return stmt.next() ? stmt.integer(0) : 0;
    }

private:
    SqliteDb db_;
};

enum class CopyRead { Read, NoRecord, NotOurs };

// Whether the copy is a database of this program and whether its runs kept their record. Throws DbError
// when the file is no database at all or has another password.
CopyRead probeCopy(CopyFile& copy) {
    // Reading the schema proves the password; the rank tables show the file is this program's.
    if (copy.count(QStringLiteral("Select Count(*) From sqlite_master Where type='table' and name In "
                                  "('SE_KeyUrl','SE_KeyWord','SE_RankHistory')")) != 3)
        return CopyRead::NotOurs;
    if (copy.count(QStringLiteral("Select Count(*) From sqlite_master Where type='table' and name='") +
                   QString::fromUtf16(kShardRecordTable) + u'\'') == 0)
        return CopyRead::NoRecord;
    return CopyRead::Read;
}

// Folds one copy into this database (inside the merge's transaction): its checked keywords in the order of
// their numbers, each with the history rows of the days its runs checked it.
class CopyFold {
public:
    CopyFold(Database& database, CopyFile& copy, const QString& file, const QDate& today, MergeReport& report)
        : database_(database)
        , file_(file)
        , today_(today)
        , report_(report)
        , columns_(mergedColumns())
        , keywords_(copy.prepare(QStringLiteral("Select k.KeyWordID,u.UrlName,k.KeyWordName,k.UpdateTime,") +
                                 prefixed(QStringLiteral("k")) +
                                 QStringLiteral(" From SE_KeyWord k Left Join SE_KeyUrl u On "
                                                "u.WebID=k.WebID Where k.KeyWordID In (Select "
                                                "KeyWordID From ") +
                                 QString::fromUtf16(kShardRecordTable) +
                                 QStringLiteral(") Order By k.KeyWordID")))
        // Only the days the runs checked the keyword: older rows in the copy are what this database gave it.
        , days_(copy.prepare(
              QStringLiteral("Select h.KeyWordID,h.UpdateTime,") + prefixed(QStringLiteral("h")) +
              QStringLiteral(" From SE_RankHistory h Join SE_KeyWord k On k.KeyWordID=h.KeyWordID "
                             "and k.WebID=h.WebID Join ") +
              QString::fromUtf16(kShardRecordTable) +
              QStringLiteral(" r On r.KeyWordID=h.KeyWordID and r.RunDay=h.UpdateTime Order By "
                             "h.KeyWordID,h.UpdateTime")))
        // This database's statements, prepared once for the whole fold. Its keywords of a site and text,
        // compared as the columns compare:
        , here_(database.statement(
              QStringLiteral("Select k.KeyWordID,k.WebID,u.UrlName,k.KeyWordName,k.UpdateTime,") +
              prefixed(QStringLiteral("k")) +
              QStringLiteral(" From SE_KeyWord k Join SE_KeyUrl u On u.WebID=k.WebID Where k.KeyWordName=?1 "
                             "and Coalesce(u.UrlName,'') Collate NoCase=?2 Order By k.KeyWordID")))
        , update_(database.statement(QStringLiteral("Update SE_KeyWord Set ") +
                                     columns_.join(QStringLiteral("=?,")) +
                                     QStringLiteral("=?,UpdateTime=? Where KeyWordID=?")))
        , held_(database.statement(QStringLiteral("Select KeyWordName,UrlName,") + columns_.join(u',') +
                                   QStringLiteral(" From SE_RankHistory Where KeyWordID=? and WebID=? and "
                                                  "UpdateTime=? Limit 2")))
        , delete_(database.statement(
              QStringLiteral("Delete From SE_RankHistory Where KeyWordID=? and WebID=? and UpdateTime=?")))
        , insert_(database.statement(
              QStringLiteral("Insert Into SE_RankHistory(KeyWordName,UrlName,") + columns_.join(u',') +
              QStringLiteral(",UpdateTime,KeyWordID,WebID)Values(?,?") +
              QStringLiteral(",?").repeated(columns_.size()) + QStringLiteral(",?,?,?)"))) {}

    void run() {
        hasDay_ = days_.next();
        while (keywords_.next())
            foldKeyword();
    }

private:
    static constexpr int kFirstCell = 4;    // in keywords_: id, address, keyword, update time, cells
    static constexpr int kFirstCounter = 2; // in days_: id, day, counters

    int cellCount() const { return static_cast<int>(columns_.size()); }

    void skip(const QString& name, const QString& table, const QString& column) {
        report_.skippedRows.push_back({file_, name, table + u'.' + column});
    }

    // Whether the copy's cells and update time are worth taking; names the first value that is not.
    bool rowHoldsUp(const QString& name, const QString& updateTime) {
        if (!isRunDay(updateTime, today_)) {
            skip(name, QStringLiteral("SE_KeyWord"), QStringLiteral("UpdateTime"));
            return false;
        }
        for (int c = 0; c < cellCount(); ++c)
            if (!isRankCell(keywords_.value(kFirstCell + c))) {
                skip(name, QStringLiteral("SE_KeyWord"), columns_[c]);
                return false;
            }
        return true;
    }

    bool dayHoldsUp(const QString& name, const QString& day) {
        if (!isRunDay(day, today_)) {
            skip(name, QStringLiteral("SE_RankHistory"), QStringLiteral("UpdateTime"));
            return false;
        }
        for (int c = 0; c < cellCount(); ++c)
            if (!isHistoryCounter(days_.value(kFirstCounter + c))) {
                skip(name, QStringLiteral("SE_RankHistory"), columns_[c]);
                return false;
            }
        return true;
    }

    void foldKeyword() {
        const qint64 copyId = keywords_.integer(0);
        const QString url = keywords_.text(1);
        const QString keyword = keywords_.text(2);
        const QString updateTime = keywords_.text(3);
        const QString name = url + u' ' + keyword;
        const bool rowValid = rowHoldsUp(name, updateTime);
        // The copy's days of this keyword that hold up: their day texts (the counters stay in days_ and
        // are read again for each keyword here they fold into).
        while (hasDay_ && days_.integer(0) < copyId)
            hasDay_ = days_.next();
        std::vector<std::pair<QString, QVariantList>> days;
        while (hasDay_ && days_.integer(0) == copyId) {
            const QString day = days_.text(1);
            if (dayHoldsUp(name, day)) {
                QVariantList counters;
                for (int c = 0; c < cellCount(); ++c)
                    counters << days_.value(kFirstCounter + c);
                days.emplace_back(day, std::move(counters));
            }
            hasDay_ = days_.next();
        }

        // This database's keywords of that site and text, compared as the columns compare.
        Statement& here = here_;
        here.bind(1, keyword).bind(2, url);
        std::vector<HereKeyword> matches;
        while (here.next()) {
            HereKeyword match{here.integer(0), here.integer(1), here.text(2),
                              here.text(3),    here.text(4),    false};
            bool sameCells = true;
            for (int c = 0; c < cellCount() && sameCells; ++c)
                sameCells = sameCell(here, 5 + c, keywords_, kFirstCell + c);
            match.sameAsCopy = sameCells && match.updateTime == updateTime;
            matches.push_back(std::move(match));
        }
        here.reset();
        if (matches.empty()) {
            report_.unknownKeywords << name;
            return;
        }
        for (const HereKeyword& match : matches) {
            ++report_.keywords;
            // Dates are stored as yyyy-MM-dd, so their texts compare as the days do; a time here that is no
            // such day is older than any.
            if (!rowValid) {
                // Skipped and named: only its days that hold up are taken.
            } else if (isDayText(match.updateTime) && match.updateTime > updateTime) {
                ++report_.keywordsNewerHere;
            } else if (!match.sameAsCopy) {
                Statement& update = update_;
                for (int c = 0; c < cellCount(); ++c)
                    update.bind(c + 1, keywords_.value(kFirstCell + c));
                update.bind(cellCount() + 1, updateTime).bind(cellCount() + 2, match.id);
                update.run();
                ++report_.keywordsUpdated;
            }
            for (const auto& [day, counters] : days)
                if (writeDay(match, day, counters))
                    ++report_.historyRows;
        }
    }

    struct HereKeyword {
        qint64 id;
        qint64 webId;
        QString url;
        QString keyword;
        QString updateTime;
        bool sameAsCopy;
    };

    // Replaces this database's history row of the keyword's day with the copy's, unless the day holds
    // exactly one row and it is equal.
    bool writeDay(const HereKeyword& here, const QString& day, const QVariantList& counters) {
        Statement& held = held_;
        held.bind(1, here.id).bind(2, here.webId).bind(3, day);
        int rows = 0;
        bool equal = false;
        while (held.next()) {
            ++rows;
            equal = held.text(0) == here.keyword && held.text(1) == here.url && !held.isNull(0) &&
                    !held.isNull(1);
            for (int c = 0; c < cellCount() && equal; ++c) {
                const QVariant& mine = counters[c];
                equal = held.isNull(2 + c)
                            ? mine.isNull()
                            : !mine.isNull() && held.value(2 + c).toLongLong() == mine.toLongLong();
            }
        }
        held.reset();
        if (rows == 1 && equal)
            return false;
        if (rows > 0)
            delete_.bind(1, here.id).bind(2, here.webId).bind(3, day).run();
        Statement& insert = insert_;
        insert.bind(1, here.keyword).bind(2, here.url);
        for (int c = 0; c < cellCount(); ++c)
            if (counters[c].isNull())
                insert.bindNull(3 + c);
            else
                insert.bind(3 + c, counters[c].toLongLong());
        insert.bind(3 + cellCount(), day).bind(4 + cellCount(), here.id).bind(5 + cellCount(), here.webId);
        insert.run();
        return true;
    }

    Database& database_;
    const QString file_;
    const QDate today_;
    MergeReport& report_;
    const QStringList columns_;
    Statement keywords_;
    Statement days_;
    Statement& here_;
    Statement& update_;
    Statement& held_;
    Statement& delete_;
    Statement& insert_;
    bool hasDay_ = false;
};

} // namespace

MergeReport mergeShardCopies(Database& database, const QStringList& files, const QString& password,
                             const QDate& today) {
    MergeReport report;
    const QString here = QFileInfo(database.connectionString()).canonicalFilePath();
    QStringList paths; // the files to read, by their canonical paths: a file named twice is merged once
    QStringList names; // as the caller named them
    for (const QString& file : files) {
        report.file = file;
        const QFileInfo info(file);
        // Opening a missing file would create it.
        if (!info.isFile()) {
            report.end = MergeEnd::FileMissing;
            return report;
        }
        if (info.canonicalFilePath() == here) {
            report.end = MergeEnd::SameFile;
            return report;
        }
        if (paths.contains(info.canonicalFilePath()))
            continue;
        CopyRead result = CopyRead::NotOurs;
        try {
            CopyFile copy(info.canonicalFilePath(), password);
            result = probeCopy(copy);
        } catch (const DbError&) {
            result = CopyRead::NotOurs; // "file is not a database": another password, or no database at all
        }
        if (result == CopyRead::NotOurs) {
            report.end = MergeEnd::NotOurs;
            return report;
        }
        if (result == CopyRead::NoRecord)
            ++report.filesWithoutRecord;
        else {
            paths << info.canonicalFilePath();
            names << file;
        }
        ++report.files;
    }
    report.file.clear();

    MergeReport counted = report;
    const bool written = database.inOneTransaction([&] {
        counted = report;
        for (qsizetype f = 0; f < paths.size(); ++f) {
            CopyFile copy(paths[f], password);
            CopyFold(database, copy, names[f], today, counted).run();
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
