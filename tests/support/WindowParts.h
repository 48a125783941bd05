#pragma once

#include <QObject>
#include <QString>

#include <gtest/gtest.h>

namespace quorvane::test {

// A window's control found by its object name, as a test acting on it the way a user does needs it: the
// windows keep their controls to themselves. A missing control fails the test (and the pointer is null).
template <typename T> T* part(const QObject& window, const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        ADD_FAILURE() << "no " << name << " in the window";
    return found;
}

} // namespace quorvane::test
