#pragma once

#include "pages/Browser.h"

#include <QByteArray>
#include <QStringList>
#include <QTimer>

#include <stdexcept>

namespace quorvane::test {

// A browser whose document and ready state the test sets; it records what the wait asked of it.
class FakeBrowser final : public Browser {
public:
    void setSilent(bool silent) override {
        silent_ = silent;
        calls << QStringLiteral("setSilent");
    }
    void navigate(const QString& url) override {
        calls << QStringLiteral("navigate");
        navigated << url;
        readyReads = 0;
        complete_ = completeAfterMs == 0;
        if (completeAfterMs > 0)
            QTimer::singleShot(completeAfterMs, this, [this] {
                complete_ = true;
                emit documentComplete();
            });
    }
    int readyState() const override {
        ++readyReads;
        return complete_ ? ReadyStateComplete : 1;
    }
    QByteArray bodyMarkup() const override { return has(body); }
    QByteArray documentMarkup() const override { return has(root); }

    bool silent_ = false;
    QStringList calls;
    QStringList navigated;
    mutable int readyReads = 0;
    int completeAfterMs = -1; // -1: never complete; 0: complete as soon as navigated
    QByteArray body;
    QByteArray root;
    bool hasDocument = true;

private:
    bool complete_ = false;

    QByteArray has(const QByteArray& markup) const {
        if (!hasDocument)
            throw std::runtime_error("no document");
        return markup;
    }
};

} // namespace quorvane::test
