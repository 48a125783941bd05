#include "app/WindowModule.h"
#include "cli/CommandLineMain.h"
#include "cli/CommandLineOptions.h"
#include "pages/PageReaderProcess.h"
#include "platform/ProgramFolders.h"

#include <QFile>

#include <cstdio>

#include <dlfcn.h>

namespace {

// Loads the window's module from beside the executable and runs it; 1 with the reason on standard error
// when it cannot be loaded (there is no window yet to show it in).
int runWindow(int argc, char** argv) {
    const QString path = quorvane::programFolders().modules + QLatin1String(quorvane::kWindowModuleFile);
    // Kept loaded until the process ends: the window's objects live in it until then.
    void* module = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    const auto windowMain =
        module ? reinterpret_cast<quorvane::WindowMain>(dlsym(module, quorvane::kWindowMainSymbol)) : nullptr;
    if (!windowMain) {
        std::fprintf(stderr, "Quorvane: 无法载入窗口模块 %s: %s\n", QFile::encodeName(path).constData(),
                     dlerror());
        return 1;
    }
    return windowMain(argc, argv);
}

} // namespace

int main(int argc, char** argv) {
    using namespace quorvane;

    // A page reader the program started from its own file (pages/PageReaderProcess.h): before anything else.
    if (const std::optional<int> readerExit = runPageReaderIfAsked(argc, argv))
        return *readerExit;
    // The command line (the batch update, the merge, --print-engines) runs without a window or a display; it
    // is chosen before any application object exists, so no widget or platform plugin is ever loaded for it.
    if (isCommandLineRun(argc, argv))
        return runCommandLine(argc, argv);
    return runWindow(argc, argv);
}
