// The one main of the benchmarks that need an application object: widgets, timers or network access.
#include "WidgetBenchMain.h"

#include "pages/PageReaderProcess.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <vector>

namespace quorvane::bench {

namespace {
std::vector<std::function<void()>>& releases() {
    static std::vector<std::function<void()>> list;
    return list;
}
} // namespace

void AtBenchmarkEnd(std::function<void()> release) {
    releases().push_back(std::move(release));
}

} // namespace quorvane::bench

int main(int argc, char** argv) {
    // Runs and checks read their pages in page readers started from this program (PageReaderProcess.h).
    if (const std::optional<int> readerExit = quorvane::runPageReaderIfAsked(argc, argv))
        return *readerExit;
    // Widgets need no display to be measured.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The script browser's engine shares OpenGL contexts; that is settled before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (auto& release : quorvane::bench::releases())
        release();
    return 0;
}
