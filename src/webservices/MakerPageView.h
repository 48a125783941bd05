#pragma once

#include <QTextBrowser>
#include <QUrl>

namespace quorvane {

class PageBrowser;

// The maker's page in the tool bar, shown with Qt's rich-text view: no scripts, no plug-ins, nothing that
// runs. The page is fetched by the program's own browser and handed over as finished markup; the view never
// fetches anything itself (pictures and style sheets stay out), so a page cannot reach other hosts or local
// files through it. A link clicked in it opens in the user's default browser.
class MakerPageView final : public QTextBrowser {
    Q_OBJECT
public:
    // page: the browser that loads the maker's page (not owned; it outlives this view).
    explicit MakerPageView(PageBrowser& page, QWidget* parent = nullptr);

    // Starts loading the page and returns at once; the view shows it when it has arrived.
    void load(const QString& url);

    // The address the shown page came from; relative links are resolved against it.
    QUrl pageLocation() const { return pageLocation_; }

private:
    void showLoadedPage();
    void openLink(const QUrl& link);

    PageBrowser& page_;
    QUrl pageLocation_;
};

} // namespace quorvane
