#pragma once

#include "platform/PageBrowser.h"

namespace quorvane {

// The run's browser with a tally for the summary: pages asked for, and pages that loaded (a finished
// navigation without an error). Everything else is the page browser's own.
class CountingBrowser final : public Browser {
    Q_OBJECT
public:
    explicit CountingBrowser(QObject* parent = nullptr);

    void SetSilent(bool silent) override { pages_.SetSilent(silent); }
    void Navigate(const QString& url) override;
    int ReadyState() const override { return pages_.ReadyState(); }
    QByteArray BodyMarkup() const override { return pages_.BodyMarkup(); }
    QByteArray DocumentMarkup() const override { return pages_.DocumentMarkup(); }

    qint64 Requested() const { return requested_; }
    qint64 Loaded() const { return loaded_; }

private:
    void countFinished();

    PageBrowser pages_;
    qint64 requested_ = 0;
    qint64 loaded_ = 0;
};

} // namespace quorvane
