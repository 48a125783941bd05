#include "webservices/MakerPageView.h"

#include "platform/GbkCodec.h"
#include "pages/PageBrowser.h"
#include "platform/ShellOpen.h"

#include <QImage>
#include <QTextDocument>

#include <stdexcept>

namespace quorvane {

namespace {

// The panel is a small strip; a larger page is not the maker's panel and would only cost time to lay out.
constexpr qint64 kMaxPanelPageBytes = 256 * 1024;

// A document that reads no resources: pictures, style sheets and the like would otherwise be read by the
// document itself, from local files or the program's resources named by a stranger's page. A picture
// becomes a blank pixel instead of the placeholder for a picture that is missing.
class ClosedDocument final : public QTextDocument {
public:
    using QTextDocument::QTextDocument;

protected:
    QVariant loadResource(int type, const QUrl&) override {
        if (type != QTextDocument::ImageResource)
            return {};
        QImage blank(1, 1, QImage::Format_ARGB32);
        blank.fill(Qt::transparent);
        return blank;
    }
};

} // namespace

MakerPageView::MakerPageView(PageBrowser& page, QWidget* parent)
    : QTextBrowser(parent)
    , page_(page) {
    setObjectName(QStringLiteral("makerPageView"));
    setFrameShape(QFrame::NoFrame);
    // Links go to the desktop, never into this view and never to the view's own handler.
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setSearchPaths({});
    setDocument(new ClosedDocument(this));
    page_.setMaxBodyBytes(kMaxPanelPageBytes);
    connect(&page_, &Browser::documentComplete, this, &MakerPageView::showLoadedPage);
    connect(this, &QTextBrowser::anchorClicked, this, &MakerPageView::openLink);
}

void MakerPageView::load(const QString& url) {
    page_.setSilent(true);
    page_.navigate(url);
}

void MakerPageView::showLoadedPage() {
    // A host that cannot be reached, or answers with an error, shows no page of the maker.
    if (!page_.lastError().isEmpty())
        return;
    QByteArray markup;
    try {
        markup = page_.bodyMarkup();
    } catch (const std::runtime_error&) {
        return;
    }
    pageLocation_ = page_.location();
    setHtml(fromGbk(markup));
}

void MakerPageView::openLink(const QUrl& link) {
    const QUrl target = pageLocation_.resolved(link);
    // Only web addresses go to the desktop: a link to a local file or another handler is not the page's to
    // open.
    const QString scheme = target.scheme().toLower();
    if (!target.isValid() || (scheme != u"http" && scheme != u"https"))
        return;
    shellOpen(this, target.toString(QUrl::FullyEncoded));
}

} // namespace quorvane
