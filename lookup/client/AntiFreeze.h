#pragma once

#include <chrono>
#include <functional>

namespace vorlinda::lookup {

// Keeps the window serviced while the GUI thread waits on the network: a
// wait runs the thread's event loop (painting, input, timers, the other
// controls' events) until what it waits for is ready, so a quick answer
// costs no fixed slice and a slow one never freezes the window.
class AntiFreeze
{
public:
    enum class WaitEnd
    {
        Ready,
        TimedOut,
        Stopped
    };

    // With `active` off a wait still paints and runs timers but holds back
    // keyboard and mouse input until the exchange is over.
    bool active = true;

    // Runs the event loop until `ready()` holds, `limit` has passed or
    // `stop` has been set (by an event handler that ran meanwhile).
    WaitEnd wait(const std::function<bool()> &ready, std::chrono::milliseconds limit,
                 const bool &stop) const;
};

} // namespace vorlinda::lookup
