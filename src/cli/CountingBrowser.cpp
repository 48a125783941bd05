#include "cli/CountingBrowser.h"

namespace quorvane {

CountingBrowser::CountingBrowser(QObject* parent)
    : Browser(parent) {
    connect(&pages_, &Browser::DocumentComplete, this, &CountingBrowser::countFinished);
}

void CountingBrowser::Navigate(const QString& url) {
    ++requested_;
    pages_.Navigate(url);
}

void CountingBrowser::countFinished() {
    if (pages_.LastError().isEmpty())
        ++loaded_;
    emit DocumentComplete();
}

} // namespace quorvane
