#pragma once

#include "cli/CommandLineOptions.h"
#include "cli/ConsoleOutput.h"
#include "store/Database.h"

#include <cstdio>

namespace quorvane {

// "Quorvane --merge FILE...": folds the workers' copies into the connected database (store/ShardMerge.h),
// writes a summary line to out and names each keyword this database does not have (an information
// message, so --quiet drops it). A file refused (missing, not ours, another password) is an error message
// and ExitNoDatabase with nothing changed; a failed write is ExitStoppedOrFailed, rolled back.
int runMerge(Database& database, const CommandLineOptions& options, ConsoleMessages& messages,
             std::FILE* out);

} // namespace quorvane
