#include "bench/soak/SoakTally.h"

#include <algorithm>
#include <cstdio>

void SoakTally::add(int lookup, Outcome outcome, const std::vector<FaultProxy::Fault> &faults,
                    const std::string &error)
{
    const auto had = [&faults](FaultProxy::Fault fault) {
        return std::find(faults.begin(), faults.end(), fault) != faults.end();
    };
    using Fault = FaultProxy::Fault;
    const bool reset = had(Fault::Reset);
    const bool stall = had(Fault::Stall);
    switch (outcome) {
    case Outcome::Success:
        ++successes;
        if (reset || had(Fault::CloseOnRequest))
            ++recoveredByRetry;
        return;
    case Outcome::WrongBody:
        ++wrongBodies;
        break;
    case Outcome::Timeout:
        if (stall) {
            ++failedByStall;
            return;
        }
        ++spurious;
        break;
    case Outcome::ConnectionLost:
        if (reset) {
            ++failedByReset;
            return;
        }
        ++spurious;
        break;
    case Outcome::Failed:
        if (reset || stall) {
            ++(stall ? failedByStall : failedByReset);
            return;
        }
        ++spurious;
        break;
    }
    std::string seen;
    for (const Fault fault : faults)
        seen += std::string(seen.empty() ? "" : ", ") + FaultProxy::name(fault);
    std::fprintf(stderr, "lookup %d: %s: %s (breaks: %s)\n", lookup,
                 outcome == Outcome::WrongBody ? "wrong body" : "spurious failure", error.c_str(),
                 seen.empty() ? "none" : seen.c_str());
}
