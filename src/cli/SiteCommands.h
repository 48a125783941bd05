#pragma once

#include "cli/CommandLineOptions.h"
#include "store/Database.h"

#include <QString>
#include <QStringList>

namespace quorvane {

// What a site or keyword command did: its exit status, the lines for standard output (what it added,
// skipped and why, removed; the list) and those for standard error (why it refused or failed).
struct SiteCommandResult {
    int status = ExitCompleted; // ExitBadArguments when it refused, ExitStoppedOrFailed when a write failed
    QStringList out;
    QStringList err;
};

// Runs --add-site, --add-keywords, --list, --remove-site or --remove-keyword on the open database, with the
// settings dialog's rules, limits and messages. Every command that writes does so in one transaction: a
// refusal or a failure leaves the database as it was.
SiteCommandResult runSiteCommand(Database& database, const CommandLineOptions& options);

// The header line of --list; its fields, tab-separated, are those of every following line.
QString siteListHeader();

} // namespace quorvane
