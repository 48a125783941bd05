#include "platform/ScriptBrowser.h"

#include "platform/ScriptPage.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QUrl>

#include <stdexcept>
#include <utility>

namespace quorvane {

namespace {

// Runs the function on the main thread: at once when called there, else as an event of that thread, after
// every call this thread posted before.
template <typename Function> void onMainThread(Function function) {
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, std::move(function), Qt::AutoConnection);
}

} // namespace

ScriptBrowser::ScriptBrowser(QObject* parent)
    : Browser(parent)
    , link_(std::make_shared<ScriptPageLink>()) {
    // The browser engine draws through the GUI module even without a window; a QCoreApplication has none.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        throw std::runtime_error("The browser engine needs a QGuiApplication");
    link_->browser = this;
    onMainThread([link = link_] { link->page = std::make_unique<ScriptPage>(*link); });
}

ScriptBrowser::~ScriptBrowser() {
    {
        const std::lock_guard lock(link_->mutex);
        link_->browser = nullptr;
    }
    // The page, its renderer process and its profile go with it.
    onMainThread([link = link_] { link->page.reset(); });
}

void ScriptBrowser::navigate(const QString& url) {
    const quint64 navigation = ++navigation_;
    readyState_ = 1;
    const QUrl target(url.trimmed());
    const QString scheme = target.scheme().toLower();
    if (!target.isValid() || target.host().isEmpty() || (scheme != u"http" && scheme != u"https")) {
        // Navigate returns at once in every case; the failure arrives as an event, like a load that ends.
        QTimer::singleShot(0, this, [this, navigation] {
            ScriptPageResult result;
            result.navigation = navigation;
            result.error = QStringLiteral("cannot fetch this address");
            takeResult(result);
        });
        return;
    }
    const ScriptPageLimits limits{maxBodyBytes_, loadTimeoutMs_};
    onMainThread([link = link_, navigation, target, limits] {
        if (link->page)
            link->page->load(navigation, target, limits);
    });
}

QByteArray ScriptBrowser::bodyMarkup() const {
    if (!document_)
        throw std::runtime_error("The browser holds no document");
    return document_->body;
}

QByteArray ScriptBrowser::documentMarkup() const {
    if (!document_)
        throw std::runtime_error("The browser holds no document");
    return document_->root;
}

void ScriptBrowser::takeResult(const ScriptPageResult& result) {
    if (result.navigation != navigation_ || readyState_ == ReadyStateComplete)
        return; // a replaced navigation's
    // The same rendering as PageBrowser's pages; the browser engine has decoded the text already.
    RenderedPage page = renderHtml(result.html.toUtf8());
    const QString error = page.refusal.isEmpty() ? result.error : page.refusal; // a refused page is empty
    document_ = std::move(page);
    lastLoad_ = {result.httpStatus, result.bytes, error};
    readyState_ = ReadyStateComplete;
    emit documentComplete();
}

std::unique_ptr<Browser> makeScriptBrowser() {
    return std::make_unique<ScriptBrowser>();
}

} // namespace quorvane
