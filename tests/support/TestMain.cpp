// The main of every test binary: an application object for widgets, events and timers, then GoogleTest.
// Tests of code without widgets get a core application object instead, and never load the widgets library.
// Started as a page reader (pages/PageReaderProcess.h), a test binary is one, as the program is.
#include "pages/PageReaderProcess.h"

#ifdef QUORVANE_TEST_CORE_ONLY
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#else
#include <QApplication>
using TestApplication = QApplication;
#endif

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (const std::optional<int> readerExit = quorvane::runPageReaderIfAsked(argc, argv))
        return *readerExit;
#ifndef QUORVANE_TEST_CORE_ONLY
    // The script browser's engine shares OpenGL contexts; that is settled before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
#endif
    TestApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Quorvane"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
