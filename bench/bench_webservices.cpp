// A day of version checks: the version page reloaded 300 times (five minutes apart, a little over a day)
// against a loopback maker site, announcing a new version each time, and the resident memory of the process
// before and after. The maker's page in the tool bar is put through the same number of loads. A small page
// and one near the size limit of the hidden pages; growth should stay near zero for both.
#include "config/Endpoints.h"
#include "platform/Messages.h"
#include "pages/PageBrowser.h"
#include "support/HttpServer.h"
#include "support/WidgetBenchMain.h"
#include "webservices/MakerPageView.h"
#include "webservices/MakerSite.h"
#include "webservices/VersionCheck.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <functional>
#include <stdexcept>

namespace {

using namespace quorvane;

constexpr int kWarmUpLoads = 30;
constexpr int kLoads = 300;

// Resident set size in KiB, from /proc/self/status.
double residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toDouble();
    return 0;
}

class CountingPresenter final : public MessagePresenter {
public:
    int present(MessageKind, const QString&, const QString&) override {
        ++shown;
        return 1;
    }
    long long shown = 0;
};

// A page of the given size: filler paragraphs, then the version code at the end of the body.
QByteArray makerPage(int bytes) {
    QByteArray page =
        "<html><head><title>Velmora</title></head><body><p><a href=\"/shop/1.php\">shop</a></p>";
    while (page.size() < bytes)
        page += "<p>Velmora ranking services, checked every day for seven engines.</p>\n";
    return page + "<pre>Code=1.4</pre></body></html>";
}

void waitFor(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 10'000)
            throw std::runtime_error("a load did not complete");
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::usleep(200);
    }
}

struct Site {
    Site(int pageBytes) {
        server.ServePage("/", makerPage(pageBytes));
        server.ServePage("/r2.php", makerPage(pageBytes));
        const QByteArray ini = "[Endpoints]\nMaker=" + server.BaseUrl().toUtf8() + '\n';
        QFile file(dir.filePath(QStringLiteral("Endpoints.ini")));
        if (!file.open(QIODevice::WriteOnly) || file.write(ini) != ini.size())
            throw std::runtime_error("cannot write Endpoints.ini");
        file.close();
        loadEndpoints(file.fileName());
    }
    ~Site() { loadEndpoints(QString()); }

    QTemporaryDir dir;
    test::HttpServer server;
};

// Runs `load` for the warm-up, then for the measured loads, each time waiting for the browser's next
// completed document, and reports the resident memory around the measured loads.
void measureReloads(benchmark::State& state, const Browser& browser, const std::function<void()>& load) {
    int completed = 0;
    const QMetaObject::Connection counting =
        QObject::connect(&browser, &Browser::documentComplete, [&] { ++completed; });
    const auto reloads = [&](int count) {
        for (int i = 0; i < count; ++i) {
            const int before = completed;
            load();
            waitFor([&] { return completed > before; });
        }
    };
    reloads(kWarmUpLoads);
    const double before = residentKiB();
    for (auto _ : state)
        reloads(kLoads);
    const double after = residentKiB();
    QObject::disconnect(counting);
    state.counters["rss_before_KiB"] = before;
    state.counters["rss_after_KiB"] = after;
    state.counters["rss_growth_KiB"] = after - before;
}

void BM_VersionPageReloads(benchmark::State& state) {
    Site site(static_cast<int>(state.range(0)));
    CountingPresenter presenter;
    MessagePresenter* previous = setMessagePresenter(&presenter);
    PageBrowser browser;
    VersionCheck check(browser, [] { return QStringLiteral("1.3"); });
    measureReloads(state, browser, [&] { check.reload(); });
    setMessagePresenter(previous);
    if (check.latestVersion() != u"1.4" || presenter.shown < kLoads)
        state.SkipWithError("the version page was not checked");
    state.counters["announced"] = static_cast<double>(presenter.shown);
}
BENCHMARK(BM_VersionPageReloads)->Arg(200)->Arg(200 * 1024)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_MakerPanelReloads(benchmark::State& state) {
    Site site(static_cast<int>(state.range(0)));
    PageBrowser browser;
    MakerPageView view(browser);
    view.resize(323, 65);
    measureReloads(state, browser, [&] { view.load(makerPageUrl(kMakerPanelPath)); });
    if (view.toPlainText().isEmpty())
        state.SkipWithError("the panel shows nothing");
}
BENCHMARK(BM_MakerPanelReloads)->Arg(200)->Arg(200 * 1024)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
