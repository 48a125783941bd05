#include "app/Application.h"

#include "platform/Messages.h"
#include "store/DbError.h"

#include <exception>

namespace quorvane {

QuorvaneApplication::QuorvaneApplication(int& argc, char** argv)
    : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Quorvane"));
}

bool QuorvaneApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        showErrorReport(userTextOf(e));
    } catch (...) {
        showErrorReport(QStringLiteral("Unknown error"));
    }
    return false;
}

} // namespace quorvane
