#pragma once

#include "engine/UrlMatch.h"
#include "platform/ProgramFolders.h"
#include "store/Shard.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace quorvane {

// What the user asked for on the command line:
//   Quorvane --update [--engines Baidu,Google,...] [--pages N] [--shard K/N] [--quiet]
//   Quorvane --merge FILE... [--quiet]
//   Quorvane --read-page FILE --engine NAME
//   Quorvane --add-site ADDRESS [--match address|host|domain] [KEYWORD...]
//   Quorvane --add-keywords ADDRESS FILE | --remove-site ADDRESS | --remove-keyword ADDRESS KEYWORD | --list
//   Quorvane --print-engines | --help | --version
struct CommandLineOptions {
    enum class Action {
        Update,
        Merge,
        ReadPage,
        AddSite,
        AddKeywords,
        List,
        RemoveSite,
        RemoveKeyword,
        PrintEngines,
        Help,
        Version
    };
    Action action = Action::Update;
    // The engines to check, as the engine table names them, in the table's order; every engine of the table
    // by default, as the window starts with every box ticked.
    QStringList engines;
    // The page range, 1 to 10; 1 as the window starts.
    int pages = 1;
    // The part of the keywords this run checks, for runs side by side on several machines; the whole list
    // by default. A run of a shard notes the keywords it checked, for --merge.
    std::optional<Shard> shard;
    // The workers' copies of the database that --merge folds into this folder's database.
    QStringList mergeFiles;
    // --read-page: the saved result page and the engine (as the engine table names it) it is read as.
    QString pageFile;
    QString pageEngine;
    // No line per keyword, and no information messages: only the summary and the errors.
    bool quiet = false;

    // The site the site and keyword commands act on, as typed.
    QString siteAddress;
    // --add-site: the rule to give the site; none keeps an existing site's rule (a new site: the address
    // rule).
    std::optional<SiteMatch> matchRule;
    // --add-site: its keywords; --remove-keyword: the one keyword.
    QStringList keywords;
    // --add-keywords: the text file with one keyword per line.
    QString keywordFile;
};

// The options, or why the arguments cannot be used.
struct ParsedCommandLine {
    std::optional<CommandLineOptions> options;
    QString error;
};

// The exit statuses of a command-line run; scripts and timers rely on them.
enum ExitStatus : int {
    ExitCompleted = 0,
    ExitStoppedOrFailed = 1,
    ExitBadArguments = 2,
    ExitNoDatabase = 3, // also: a file to merge that is missing, not ours or has another password
    ExitAlreadyRunning = 4,
};

// True when the arguments (without the program name) ask for a run without the window: one of the
// command-line options, or any argument starting with "--", is there. Other arguments belong to the window
// (Qt's own, such as -platform).
bool isCommandLineRun(const QStringList& arguments);
// The same, on main's arguments, before any application object exists.
bool isCommandLineRun(int argc, char** argv);

// Reads the arguments without the program name. Both "--pages 3" and "--pages=3" are understood; engine
// names are compared without regard to case.
ParsedCommandLine parseCommandLine(const QStringList& arguments);

// The text of --help, also shown on standard error after a wrong argument. Every option the parser knows
// is listed.
QString usageText();
// The manual page (roff), listing the same options as the usage.
QString manualPageText();
// The text of --version: the version, then the folders in use (the program's, the data's, the settings').
QString versionText(const ProgramFolders& folders);

} // namespace quorvane
