#pragma once

#include <QApplication>

namespace quorvane {

// The application object. An error that escapes any event handler is caught here and shown as the
// general error report; the program goes on.
class QuorvaneApplication final : public QApplication {
public:
    QuorvaneApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace quorvane
