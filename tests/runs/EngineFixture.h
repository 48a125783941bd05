#pragma once

#include "config/Endpoints.h"
#include "engine/EngineTable.h"
#include "engine/RankEngine.h"
#include "pages/PageBrowser.h"
#include "platform/GbkCodec.h"
#include "platform/Messages.h"
#include "runs/RankRuns.h"
#include "store/MissionList.h"
#include "support/HttpServer.h"
#include "support/LoopbackEndpoints.h"
#include "support/MessageRecorder.h"
#include "support/ResultPages.h"
#include "support/TempDatabase.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QUrl>

#include <functional>

#include <gtest/gtest.h>

namespace quorvane::test {

// The site and keyword that most checks look for.
inline const QString kSite = QStringLiteral("http://www.mysite.com/");
inline const QString kKeyword = QStringLiteral("北京旅游");

// The window side of a run, recorded: which engines are ticked, the controls' states, the balloons.
class RecordingHost final : public RunHost {
public:
    RecordingHost(Database& database, Recordset& mission)
        : database_(database)
        , mission_(mission) {}
    bool engineTicked(QStringView engine) const override { return ticked.contains(engine.toString()); }
    void loadMissionList() override {
        ++loads;
        openMissionList(database_, mission_);
    }
    void setStartControlsEnabled(bool enabled) override { startEnabled = enabled; }
    void setGridEnabled(bool enabled) override { gridEnabled = enabled; }
    void setStopEnabled(bool enabled) override { stopEnabled = enabled; }
    void setBusyCursor(bool on) override { busy = on; }
    void showBalloon(const QString& title, const QString& message) override {
        balloons << title + u'/' + message;
        if (onBalloon)
            onBalloon(balloons.back());
    }
    // Shown through the messages seam, where the tests record them.
    void showRunMessage(MessageKind kind, const QString& text) override { showMessage(kind, text); }

    QSet<QString> ticked;
    bool startEnabled = true;
    bool gridEnabled = true;
    bool stopEnabled = true;
    bool busy = false;
    int loads = 0;
    QStringList balloons;
    // Runs on every balloon, in order with the messages a test records beside: the user's view of a run's
    // end.
    std::function<void(const QString&)> onBalloon;

private:
    Database& database_;
    Recordset& mission_;
};

// A loopback server standing in for all seven engines, a real browser, and a database with missions.
class EngineFixture : public ::testing::Test {
protected:
    void SetUp() override {
        engine.pageRangeSource = [this] { return pageRange; };
    }

    // The request target of page index i of an engine for a keyword.
    QByteArray Target(QStringView name, const QString& keyword, int pageIndex) const {
        const EngineInfo* info = findEngine(name);
        const QString url = resultPageUrl(name, keyword, pageParameter(*info, pageIndex));
        // As the request goes on the wire: QUrl decodes percent-encoded unreserved characters.
        return QUrl(url).toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority);
    }
    void ServeResults(QStringView name, const QString& keyword, int pageIndex, const QStringList& links,
                      int promoted = 0) {
        server.ServePage(Target(name, keyword, pageIndex), ResultPage(name, links, promoted));
    }
    // Which page indexes of an engine were asked for, in order.
    QList<QByteArray> Asked() const { return server.RequestTargets(); }

    HttpServer server;
    const LoopbackEndpoints endpoints{server.BaseUrl()};
    PageBrowser browser;
    RankEngine engine{browser};
    int pageRange = 1;
};

} // namespace quorvane::test
