#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <utility>

namespace tandrel {

// Posts `work` to the Qt main thread's event loop. Safe from any thread.
template<typename F>
void runOnMain(F &&work)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::forward<F>(work), Qt::QueuedConnection);
}

// Posts `work` to the main thread, to run only while `context` still exists.
template<typename F>
void runOnMain(const QObject *context, F &&work)
{
    QMetaObject::invokeMethod(const_cast<QObject *>(context), std::forward<F>(work), Qt::QueuedConnection);
}

inline bool isMainThread()
{
    return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace tandrel
