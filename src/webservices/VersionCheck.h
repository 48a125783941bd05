#pragma once

#include <QByteArrayView>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace quorvane {

class Browser;

// The running version as the main window's caption carries it: the three characters after the first "Ver"
// ("Velmora-Quorvane Ver1.3" gives "1.3"); empty when the caption has no "Ver".
QString runningVersion(const QString& caption);

// The version code of a serialised version page: what lies between "Code=" and "</PRE></BODY>", without the
// spaces and line breaks around it. Nothing when either marker is missing or the code is empty.
std::optional<QString> versionCode(QByteArrayView documentMarkup);

// Compares the newest published version, read from the maker's version page, with the running one. Every
// completed load of the page's browser is checked; a page without a code (an unreachable host gives an
// empty document) changes nothing and says nothing.
class VersionCheck final : public QObject {
    Q_OBJECT
public:
    // versionPage: the browser that loads the version page (not owned; it outlives this object).
    // runningVersion: read at every check, so that it always follows the caption.
    VersionCheck(Browser& versionPage, std::function<QString()> runningVersion, QObject* parent = nullptr);

    // Starts loading the version page and returns at once; the check runs when the load completes.
    void reload();

    // The code last read from the maker's site; empty before the first successful check.
    QString latestVersion() const { return latestVersion_; }
    // True while the latest version differs from the running one, and before any successful check.
    bool updateAvailable() const;
    // True while the announcement "发现新版本，请注意升级!" is on screen.
    bool announcing() const { return announcing_; }

    // "最新版本下载": hands the update file's address to the desktop when the versions differ, otherwise
    // tells the user "无需升级!". This platform's network layer has no FTP, so the desktop's handler fetches
    // the file.
    void fetchNewestVersion();

signals:
    // A check read a code from the version page (whether or not it was announced).
    void checked(const QString& code);

private:
    void checkLoadedPage();

    Browser& page_;
    std::function<QString()> runningVersion_;
    QString latestVersion_;
    bool announcing_ = false;
};

} // namespace quorvane
