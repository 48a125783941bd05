#pragma once

#include "store/Database.h"
#include "store/DbError.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

namespace quorvane {

// How a merge of workers' copies ended. Callers decide from this, never from a text.
enum class MergeEnd {
    Merged,      // every file was read and its keywords written (or there was nothing to write)
    FileMissing, // a file does not exist; nothing was changed
    NotOurs,     // a file is not a database of this program, or has another password; nothing changed
    SameFile,    // a file is this database itself; nothing changed
    WriteFailed, // writing failed and was rolled back; nothing changed
};

// A row of a copy that was not merged because a value in it is not one this program writes.
struct SkippedRow {
    QString file;    // the copy
    QString keyword; // "UrlName KeyWordName"
    QString column;  // "SE_KeyWord.UpdateTime", "SE_RankHistory.GoogleRank", ...
};

struct MergeReport {
    MergeEnd end = MergeEnd::Merged;
    QString file;                        // the file refused (FileMissing, NotOurs, SameFile)
    DbFailure failure = DbFailure::None; // why writing failed (WriteFailed)
    int files = 0;                       // files read (a file named twice is read once)
    int filesWithoutRecord = 0;          // copies in which no sharded run was ever recorded
    int keywords = 0;                    // keywords the files' runs checked and this database has
    int keywordsUpdated = 0;             // of those, whose cells changed here
    int keywordsNewerHere = 0;           // of those, kept because this database's update time is newer
    int historyRows = 0;                 // history rows written (added or replaced)
    QStringList unknownKeywords;         // "UrlName KeyWordName" of checked keywords this database lacks
    std::vector<SkippedRow> skippedRows; // rows of the copies with a value this program never writes
};

// Folds the sharded runs recorded in workers' copies of the database into this one. From each copy only
// the keywords its runs checked are taken (see ShardRecord.h), matched here by site and keyword text
// (UrlName, KeyWordName; without regard to case, as the columns compare), never by their numbers:
//  - their rank cells and update time replace this database's, unless this database's update time is
//    newer;
//  - the history rows of the days those runs checked them replace this database's rows of the same
//    keyword and day;
//  - keywords this database does not have are counted and named, never added.
// Nothing read is believed: a keyword row whose update time is not a yyyy-mm-dd day up to today or whose
// rank cells are not texts a run writes (a whole number 1 to 1000, ">N", the restricted and not-understood
// texts, empty), and a history row whose day is not such a day or whose counters are not whole numbers 0
// to 1000, are skipped and named in skippedRows; the rest of the copy is merged. A file named twice is read
// once. Every file is read before anything is written, and everything is written in one transaction, so a
// file that is refused or a failure on the way changes nothing. Rows already equal are left alone: merging
// the same files again changes nothing. The copies are only read.
MergeReport mergeShardCopies(Database& database, const QStringList& files, const QString& password,
                             const QDate& today = QDate::currentDate());

} // namespace quorvane
