#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <functional>

namespace tandrel::testing {

// Runs the Qt event loop until `done` holds or `ms` pass; returns whether it held.
inline bool waitUntil(const std::function<bool()> &done, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

} // namespace tandrel::testing
