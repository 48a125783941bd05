#pragma once

#include "store/Database.h"
#include "store/Shard.h"

#include <QDate>

namespace quorvane {

// What a worker's copy of the database keeps of its sharded runs: which shard each run ran, on which day,
// and every keyword the run checked and saved. --merge takes only those keywords from the copy, never the
// untouched rows every copy also holds. A table of its own that the window never reads; the program's
// other tables are unchanged.
inline constexpr char16_t kShardRecordTable[] = u"SE_ShardRun";

// Creates the record's table when the file lacks it. False, without a message, when that failed.
bool ensureShardRecord(Database& database);
// Notes that the run of that shard on that day checked and saved the keyword (once per keyword and day).
// False, without a message, when the note could not be written.
bool recordShardKeyword(Database& database, const Shard& shard, const QDate& day, qint64 keyWordId);

} // namespace quorvane
