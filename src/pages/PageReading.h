#pragma once

#include "pages/PageResults.h"
#include "pages/ResultDefinition.h"
#include "pages/Scanners.h"

#include <QByteArray>
#include <QString>

namespace quorvane {

// One page as a page reader is asked to read it (PageReader.h), and the work itself, which the reader process
// does and the fuzz target runs in its own process.

// Whether the reply carries the page's serialised markup (MarkupSerializer.h, GBK): the run log keeps the
// markup of a page that gave no results, and the maker's panel shows a page's body.
enum class MarkupWanted : quint8 { None, WhenUnread, Always };

struct PageRequest {
    QByteArray page;    // the bytes as received
    QByteArray charset; // the Content-Type header's charset label; empty: the page's own or a guess
    // What to read: the period markers first, then the result definitions over the parsed tree. Without
    // readResults the page is only serialised.
    bool readResults = false;
    PageMarkers markers;
    ResultDefinition tree;
    QString base; // the engine's address, for links within its own site (Sogou's /link?url=)
    MarkupWanted markup = MarkupWanted::None;

    bool operator==(const PageRequest&) const = default;
};

struct PageReading {
    PageResults results; // in page order
    bool noResultsPage = false;
    // The serialised inner markup of the body and of the root element, when the request wanted them.
    QByteArray bodyGbk;
    QByteArray rootGbk;

    bool operator==(const PageReading&) const = default;
};

// Decodes, parses, serialises and reads the page in the calling process. The period markers' reading stands
// unless every link it gave is within the engine's own site (a table of related searches on a page of
// today); then the result definitions read the tree.
// The page's bytes go once they are decoded (a big page is held once).
PageReading readPageInProcess(PageRequest request);

} // namespace quorvane
