#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>

class QMainWindow;
class QMenuBar;

namespace quorvane {

// Reports the window-management commands of one main window, as early as the platform lets us see them:
//  - everywhere: a change of the window state (maximise, minimise, restore, by any means: title-bar
//    buttons, a double click on the title bar, the window manager's menu), after the window system has
//    applied it and before the window is painted again; a close request (the close box), before the
//    window decides whether to close; the menu bar opened from the keyboard;
//  - on Windows also every system command (WM_SYSCOMMAND) before it is carried out: move, size, the
//    window menu by mouse or keyboard, maximise, minimise, restore, close.
// On X11 and Wayland the window manager carries out move, size and its window menu itself and tells the
// program only the resulting geometry (which it also changes at mapping and on maximise), so those
// commands are not reported there.
class WindowCommandWatcher : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    enum class Command { Maximise, Other };

    explicit WindowCommandWatcher(QMainWindow* window);
    ~WindowCommandWatcher() override;

    bool eventFilter(QObject* watched, QEvent* event) override;
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    void command(quorvane::WindowCommandWatcher::Command command);

private:
    QPointer<QMainWindow> window_;
    QPointer<QMenuBar> menuBar_;
};

} // namespace quorvane
