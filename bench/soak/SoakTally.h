#pragma once

#include "bench/soak/FaultProxy.h"

#include <string>
#include <vector>

// Sorts every lookup of a soak: a success, a failure that an injected break
// explains (one that allows no retry: a reset mid-response, a stall), or a
// spurious failure, which the client should not have had.
class SoakTally
{
public:
    enum class Outcome
    {
        Success,
        Timeout,        // HttpTimeout
        ConnectionLost, // HttpConnectionLost
        Failed,         // some other failure, or a failure of unknown kind (the window's)
        WrongBody,      // a success whose body differs from what the site sent
    };

    // `faults` are the breaks the proxy made while the lookup ran.
    void add(int lookup, Outcome outcome, const std::vector<FaultProxy::Fault> &faults,
             const std::string &error = {});

    long successes = 0;
    long recoveredByRetry = 0; // successes whose first request met a close or a reset
    long failedByReset = 0;
    long failedByStall = 0;
    long spurious = 0;
    long wrongBodies = 0;
};
