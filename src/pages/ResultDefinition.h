#pragma once

#include "pages/PageResults.h"
#include "pages/Selector.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace quorvane {

// Where an engine's results stand in the parsed tree of one of today's result pages, in CSS selectors
// (Selector.h):
//  - results: each result block; a block inside another block is part of it;
//  - link: the result's link inside a block (the first match, or the block itself when it matches); its
//    href, with an engine's redirect unwrapped (RedirectLinks.h), is the result's address;
//  - shownAddress: the element whose text is the address the page displays for the result;
//  - notResult: blocks that match it, or stand inside an element that matches it, are no results (ads,
//    news carousels, "People also ask", related searches);
//  - promoted: blocks that match it are paid results the engine marks as such;
//  - noResultsMarks: texts the page shows when the engine has no results for the keyword.
// A block without a link is passed over; each address counts once, at its first block.
struct ResultDefinition {
    QString results;
    QString link;
    QString shownAddress;
    QString notResult;
    QString promoted;
    QStringList noResultsMarks;

    bool operator==(const ResultDefinition&) const = default;
};

// What the tree of a page gave.
struct TreeReading {
    PageResults results;
    bool noResultsPage = false; // no results, and the page says the engine has none
};

// A definition with its selectors read once.
class ResultReader {
public:
    ResultReader() = default;
    // The definition's selectors must read (check with selectorFault first).
    explicit ResultReader(const ResultDefinition& definition);

    bool isEmpty() const { return results_.isEmpty(); }
    // The results of a parsed document (its root node). A link within the site (an address that starts with
    // "/") is taken as the page's address base gives it.
    PageResults read(const GumboInternalNode* root, const QString& base = {}) const;
    // Reads a parsed page; a page with no results is checked for a no-results text.
    TreeReading readPage(const GumboInternalNode* root, const QString& base = {}) const;
    // The same after parsing the page (UTF-8).
    TreeReading readPage(QByteArrayView utf8Html, const QString& base = {}) const;

private:
    Selector results_;
    Selector link_;
    Selector shownAddress_;
    Selector notResult_;
    Selector promoted_;
    QStringList noResultsMarks_;
};

// Why a selector text cannot be read, or empty when it can.
QString selectorFault(const QString& selector);

} // namespace quorvane
