#pragma once

#include "engine/EngineTable.h"
#include "pages/ResultDefinition.h"
#include "pages/Scanners.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace quorvane {

// What the program knows of each engine's result pages, as data: the address pieces, the step and the
// scanner's markers. The compiled-in values (EngineTable.h, Scanners.h) are the defaults; an optional
// Engines.ini beside the executable overrides them per engine, so that a user can follow an engine that
// changed its pages without a new program:
//
//   [Bing]
//   ItemStart=<LI class=b_algo>
//   ItemEnd=</A></H2>
//   LinkEnd=" target=_blank"
//
// Sections are the engine names; keys are PathBeforeKeyword, PathBeforePage, PathAfterPage, Step,
// Markup (Body or Root: the element whose markup the scanner reads), ItemStart, ItemEnd, LinkEnd, Loader
// (Plain: the page as the server sent it; Browser: the page after a browser engine ran its scripts),
// BlockedMark (a text whose presence marks the page as the engine's verification page; may be given several
// times, each adding a mark), the result definitions over the parsed tree of today's pages as CSS selectors
// (Results, ResultLink, ShownAddress, NotResult, Promoted: pages/ResultDefinition.h; an empty value means
// none), NoResultsMark (a text of a page that says the engine has no results; may be given several times)
// and, for the engine whose second rank counts promoted items (Baidu) only, MapItem, PromotedMark, GreenStart
// and GreenEnd. Names compare exactly. Values are literal text (read with IniText.h: UTF-8 or GBK, double
// quotes keep spaces). An absent key keeps its default.
//
// A section with any fault (unknown key, empty marker, a marker GBK cannot write, Step not 1 to 1000, bad
// Markup or Loader, a key given twice, a line that is not a key) keeps the defaults for that whole engine, so
// a typo never leaves an engine half changed or switched off; an unknown section is ignored. All faults of
// one reading go to the user in one showErrorMsg that names the file, the section and the key.
//
// The definitions are read once at start, before any check, and only read afterwards.

// How an engine's result pages are loaded.
enum class PageLoader {
    Plain,  // the page as the server sent it (PageBrowser)
    Browser // the document after a browser engine ran the page's scripts
};

struct EngineDefinition {
    QString pathBeforeKeyword;
    QString pathBeforePage;
    QString pathAfterPage;
    int step = 0;
    MarkupPart markup = MarkupPart::Root;
    QString itemStart;
    QString itemEnd;
    QString linkEnd; // after the link's closing double quote
    // The engine with a second rank only (its promoted items); empty for the others.
    QString mapItem;
    QString promotedMark;
    QString greenStart;
    QString greenEnd;
    PageLoader loader = PageLoader::Plain;
    // Texts that mark a page without results as the engine's verification page (BlockedMark=), beyond the
    // built-in ones, in the file's order.
    QStringList blockedMarks;
    // Where the results stand in the parsed tree of today's pages (pages/ResultDefinition.h), tried when the
    // markers above find nothing; empty selectors for an engine without them.
    QString resultBlocks;
    QString resultLink;
    QString shownAddress;
    QString notResult;
    QString promotedResult;
    // Texts of a page on which the engine says it has no results for the keyword (NoResultsMark=).
    QStringList noResultsMarks;

    bool operator==(const EngineDefinition&) const = default;
};

// The markers as the scanners compare them with page markup (GBK bytes), and the verification marks.
struct ScannerBytes : PageMarkers {
    QList<QByteArray> blockedMarks;
    ResultReader tree;               // the result definitions over the parsed tree
    ResultDefinition treeDefinition; // the same as text, for a page reader
};

// Whether the file at the path asks any engine for Loader=Browser, read without a word to the user and
// before an application object exists (the command line chooses its application object by it). A section
// that loadEngineDefinitions would refuse may still count.
bool engineDefinitionsAskForBrowser(const QString& iniPath);

// The compiled-in definition of a known engine.
EngineDefinition compiledDefinition(const EngineInfo& engine);
// The definition in force for a known engine. The first use reads Engines.ini beside the executable unless
// loadEngineDefinitions was called before.
const EngineDefinition& definition(const EngineInfo& engine);
// Its markers in GBK; null for an unknown engine name.
const ScannerBytes* scannerBytesFor(QStringView engine);

// Sets every engine back to its compiled definition, then applies the file at the path when it exists.
// False when the file was there and something in it was refused (the user has been told).
bool loadEngineDefinitions(const QString& iniPath);
// loadEngineDefinitions with Engines.ini in the settings folder (beside the executable, or the user's when
// installed: configFolder()); the program calls it once at start.
bool loadEngineDefinitionsBesideExecutable();
QString engineDefinitionsPathBesideExecutable();

// The definitions in force, as an Engines.ini that would give them, every key written out.
QString engineDefinitionsText();

} // namespace quorvane
