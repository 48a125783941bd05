#pragma once

#include "platform/Browser.h"

#include <QByteArray>
#include <QStringList>

#include <stdexcept>

namespace quorvane::test {

// A browser whose document and ready state the test sets; it records what the wait asked of it.
class FakeBrowser final : public Browser {
public:
    void SetSilent(bool silent) override {
        silent_ = silent;
        calls << QStringLiteral("SetSilent");
    }
    void Navigate(const QString& url) override {
        calls << QStringLiteral("Navigate");
        navigated << url;
        readyReads = 0;
    }
    int ReadyState() const override {
        ++readyReads;
        return completeAfterReads >= 0 && readyReads > completeAfterReads ? ReadyStateComplete : 1;
    }
    QByteArray BodyMarkup() const override { return has(body); }
    QByteArray DocumentMarkup() const override { return has(root); }

    bool silent_ = false;
    QStringList calls;
    QStringList navigated;
    mutable int readyReads = 0;
    int completeAfterReads = -1; // -1: never complete; 0: complete at the first read
    QByteArray body;
    QByteArray root;
    bool hasDocument = true;

private:
    QByteArray has(const QByteArray& markup) const {
        if (!hasDocument)
            throw std::runtime_error("no document");
        return markup;
    }
};

} // namespace quorvane::test
