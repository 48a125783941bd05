#include "store/ShardRecord.h"

namespace quorvane {

bool ensureShardRecord(Database& database) {
    // One row per keyword and day: a second run of the day on the same copy notes the keyword again.
    return database.execInTransaction(
        database.execQuery,
        QStringLiteral("Create Table If Not Exists ") + QString::fromUtf16(kShardRecordTable) +
            QStringLiteral(" (KeyWordID INTEGER NOT NULL, RunDay TEXT NOT NULL, Shard INTEGER, "
                           "Shards INTEGER, Primary Key (KeyWordID, RunDay))"));
}

bool recordShardKeyword(Database& database, const Shard& shard, const QDate& day, qint64 keyWordId) {
    return database.execInTransaction(QStringLiteral("Insert Or Replace Into ") +
                                          QString::fromUtf16(kShardRecordTable) +
                                          QStringLiteral("(KeyWordID,RunDay,Shard,Shards)Values(?,?,?,?)"),
                                      {keyWordId, day, shard.index, shard.count});
}

} // namespace quorvane
