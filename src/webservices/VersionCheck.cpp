#include "webservices/VersionCheck.h"

#include "pages/Browser.h"
#include "platform/GbkCodec.h"
#include "platform/Messages.h"
#include "platform/ShellOpen.h"
#include "platform/TextCutting.h"
#include "webservices/MakerSite.h"

#include <QScopedValueRollback>

#include <stdexcept>

namespace quorvane {

QString runningVersion(const QString& caption) {
    const qsizetype at = caption.indexOf(u"Ver");
    return at < 0 ? QString() : caption.mid(at + 3, 3);
}

std::optional<QString> versionCode(QByteArrayView documentMarkup) {
    QByteArrayView rest = documentMarkup;
    const QByteArrayView code = cutBetween(rest, "Code=", "</PRE></BODY>");
    if (code.isEmpty())
        return std::nullopt;
    return fromGbk(code);
}

VersionCheck::VersionCheck(Browser& versionPage, std::function<QString()> runningVersion, QObject* parent)
    : QObject(parent)
    , page_(versionPage)
    , runningVersion_(std::move(runningVersion)) {
    connect(&page_, &Browser::documentComplete, this, &VersionCheck::checkLoadedPage);
}

void VersionCheck::reload() {
    // Started without waiting: the page arrives as an event, whatever else the program is doing.
    page_.setSilent(true);
    page_.navigate(makerPageUrl(kVersionPath));
}

bool VersionCheck::updateAvailable() const {
    return latestVersion_ != runningVersion_();
}

void VersionCheck::fetchNewestVersion() {
    if (updateAvailable())
        shellOpen(this, updateFileUrl());
    else
        showInfoMsg(QStringLiteral("无需升级!"));
}

void VersionCheck::checkLoadedPage() {
    std::optional<QString> code;
    try {
        code = versionCode(page_.documentMarkup());
    } catch (const std::runtime_error&) {
        return; // no document: nothing to read
    }
    if (!code)
        return;
    latestVersion_ = *code;
    emit checked(latestVersion_);
    // The box's own event loop lets later checks run while it is open; they update the version but do not
    // stack a second box over the first.
    if (!updateAvailable() || announcing_)
        return;
    const QScopedValueRollback<bool> showing(announcing_, true);
    showInfoMsg(QStringLiteral("发现新版本，请注意升级!"));
}

} // namespace quorvane
