#include "lookup/client/AntiFreeze.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace vorlinda::lookup {

AntiFreeze::WaitEnd AntiFreeze::wait(const std::function<bool()> &ready,
                                     std::chrono::milliseconds limit, const bool &stop) const
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + limit;
    QEventLoop::ProcessEventsFlags flags = QEventLoop::WaitForMoreEvents;
    if (!active)
        flags |= QEventLoop::ExcludeUserInputEvents;
    // Only there to wake the loop at the deadline.
    QTimer alarm;
    alarm.setSingleShot(true);
    alarm.setTimerType(Qt::PreciseTimer);
    while (!ready()) {
        if (stop)
            return WaitEnd::Stopped;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left <= std::chrono::milliseconds::zero())
            return WaitEnd::TimedOut;
        if (!alarm.isActive())
            alarm.start(left);
        QCoreApplication::processEvents(flags);
    }
    return WaitEnd::Ready;
}

} // namespace vorlinda::lookup
