#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

struct GumboInternalOutput; // gumbo's GumboOutput
struct GumboInternalNode;   // gumbo's GumboNode

namespace quorvane {

// A loaded document as the scanners read it: the serialised inner markup of the body and of the root
// element (see MarkupSerializer.h), converted to GBK with "?" for what GBK cannot hold.
class ParsedPage;

struct RenderedPage {
    QByteArray body;
    QByteArray root;
    // The parsed page, kept for the result definitions over its tree (one parse serves both readings).
    std::shared_ptr<const ParsedPage> tree;
};

// Parses an HTML text (UTF-8) and serialises it. Any input gives a page; an empty input gives an empty
// document ("<HEAD></HEAD><BODY></BODY>" as root markup). The parser is handed untrusted pages as they are:
// only a page reader process (PageReader.h), whose death ends one page and nothing else, calls this on pages
// from the network. When memory runs out, the new-handler decides (the reader process ends).
RenderedPage renderHtml(QByteArrayView utf8Html);
// The same, keeping the text given instead of a copy (a big page is held once).
RenderedPage renderOwnedHtml(QByteArray utf8Html);
// Decodes received bytes by their charset (PageDecoder.h), then renderHtml.
RenderedPage renderPageBytes(QByteArrayView page, QByteArrayView headerCharset);

// A parsed page. It keeps the text it was parsed from, which the parser's tree points into.
class ParsedPage {
public:
    explicit ParsedPage(QByteArray utf8Html);
    ~ParsedPage();
    ParsedPage(const ParsedPage&) = delete;
    ParsedPage& operator=(const ParsedPage&) = delete;

    const GumboInternalNode* root() const;

private:
    QByteArray source_;
    GumboInternalOutput* output_ = nullptr;
};

// The serialised inner markup of the body and of the root element as Unicode text, before the GBK step.
QString bodyInnerMarkup(QByteArrayView utf8Html);
QString rootInnerMarkup(QByteArrayView utf8Html);

} // namespace quorvane
