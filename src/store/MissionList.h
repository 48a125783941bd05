#pragma once

#include "store/Database.h"
#include "store/Recordset.h"
#include "store/Shard.h"

#include <QString>

namespace quorvane {

// Every switched-on keyword with its URL, the URL's match rule and the latest rank cells, ordered by URL. A
// keyword whose URL row is gone stays, with an empty URL and rule. The rule comes last, so the fields before
// it stand where they always stood. The rank columns are the engine table's.
QString wholeMissionListSql();

// The mission list of one shard: only its keywords, in the same order. The whole list's statement for
// shard 0 of 1.
QString missionListSql(const Shard& shard);

// Reopens the mission list (of one shard); edits of its rows are written to SE_KeyWord by KeyWordID.
// Returns the row count. Errors of the statement reach the caller.
int openMissionList(Database& database, Recordset& missions, const Shard& shard = {});

} // namespace quorvane
