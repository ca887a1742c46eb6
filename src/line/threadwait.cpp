#include "line/threadwait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

bool WaitDeliveringEvents(QThread& thread, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (
        !thread.wait(QDeadlineTimer(qMin<qint64>(50, qMax<qint64>(deadline.remainingTime(), 0))))) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (deadline.hasExpired())
            return thread.wait(QDeadlineTimer(0));
    }
    return true;
}
