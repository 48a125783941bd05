#include "app/WindowCommands.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QMainWindow>
#include <QMenuBar>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace quorvane {

WindowCommandWatcher::WindowCommandWatcher(QMainWindow* window)
    : QObject(window)
    , window_(window)
    , menuBar_(window->menuBar()) {
    window->installEventFilter(this);
    menuBar_->installEventFilter(this);
#ifdef Q_OS_WIN
    QCoreApplication::instance()->installNativeEventFilter(this);
#endif
}

WindowCommandWatcher::~WindowCommandWatcher() = default;

bool WindowCommandWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (!window_)
        return false;
    if (watched == window_) {
        if (event->type() == QEvent::WindowStateChange) {
            const Qt::WindowStates state = window_->windowState();
            const bool maximised =
                state.testFlag(Qt::WindowMaximized) && !state.testFlag(Qt::WindowMinimized);
            emit command(maximised ? Command::Maximise : Command::Other);
        } else if (event->type() == QEvent::Close) {
            emit command(Command::Other);
        }
    } else if (watched == menuBar_ && event->type() == QEvent::FocusIn &&
               static_cast<QFocusEvent*>(event)->reason() == Qt::MenuBarFocusReason) {
        emit command(Command::Other);
    }
    return false;
}

bool WindowCommandWatcher::nativeEventFilter([[maybe_unused]] const QByteArray& eventType,
                                             [[maybe_unused]] void* message,
                                             [[maybe_unused]] qintptr* result) {
#ifdef Q_OS_WIN
    if (window_ && eventType == "windows_generic_MSG") {
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_SYSCOMMAND && msg->hwnd == reinterpret_cast<HWND>(window_->internalWinId())) {
            // The low four bits carry how the command was given (a double click on the caption sends
            // SC_MAXIMIZE | HTCAPTION).
            const auto kind = static_cast<UINT>(msg->wParam & 0xFFF0);
            emit command(kind == SC_MAXIMIZE ? Command::Maximise : Command::Other);
        }
    }
#endif
    return false;
}

} // namespace quorvane
