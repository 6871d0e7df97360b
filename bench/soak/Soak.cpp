// The program's lookup path without the window (HttpClient and its session
// over a socket) against the real vorlinda-site behind the fault proxy: N
// lookups of varied words and pairs; every failure must be one that an
// injected break explains. Also watches the memory of the client and the site.
// Usage: vorlinda_soak SITE_PROGRAM [LOOKUPS] [READ_TIMEOUT_MS] [SEED] [all|turkish]
// (defaults 10000, 1000, 11, all; "turkish": only pairs with Turkish on one side).
// Exits 1 on a spurious failure, a wrong body, or (over 10,000 lookups or
// more) client memory growth of 2 MiB or more from lookup 1,000 to the end.
#include "bench/soak/FaultProxy.h"
#include "bench/soak/LookupPlan.h"
#include "bench/soak/SoakTally.h"
#include "lookup/client/FetchDictionaryPage.h"
#include "lookup/client/HttpClient.h"
#include "tests/support/SiteProcess.h"

#include <QCoreApplication>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

using namespace vorlinda::lookup;

namespace {

// Resident memory of a process in KiB; -1 when /proc cannot tell.
long residentKiB(const std::string &pid)
{
    std::ifstream statm("/proc/" + pid + "/statm");
    long size = 0;
    long resident = -1;
    if (!(statm >> size >> resident))
        return -1;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

double mib(long kib)
{
    return static_cast<double>(kib) / 1024.0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: %s SITE_PROGRAM [LOOKUPS] [READ_TIMEOUT_MS] [SEED] [all|turkish]\n",
                     argv[0]);
        return 2;
    }
    const std::string siteProgram = argv[1];
    const int lookups = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10000;
    const int readTimeoutMs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 1000;
    const auto seed = static_cast<std::uint32_t>(argc > 4 ? std::atol(argv[4]) : 11);
    const bool turkishOnly = argc > 5 && std::string_view(argv[5]) == "turkish";
    QCoreApplication app(argc, argv);

    const std::vector<LookupPlan::Lookup> plan =
        LookupPlan(seed, turkishOnly ? LookupPlan::Pairs::Turkish : LookupPlan::Pairs::All)
            .draw(lookups);

    SiteProcess site(siteProgram);
    if (site.port() == 0)
        throw std::runtime_error(siteProgram + " did not say where it listens:\n" + site.output());
    FaultProxy proxy(site.port(), FaultProxy::Rates{}, seed);
    HttpClient::Options options;
    options.host = "127.0.0.1";
    options.port = proxy.port();
    options.connectLimit = std::chrono::milliseconds(5000);
    // The site loads a dictionary, and more for some words, when first asked
    // for it: every lookup of the run once, unbroken and without a read
    // time-out to speak of, so that neither the loading nor its memory counts.
    {
        proxy.setBreaking(false);
        HttpClient warmUp(options);
        std::set<std::tuple<int, int, std::string>> seen;
        for (const LookupPlan::Lookup &lookup : plan)
            if (seen.emplace(lookup.sourcePosition, lookup.targetPosition, lookup.word).second)
                (void)FetchDictionaryPage(warmUp, lookup.sourcePosition, lookup.targetPosition,
                                          lookup.word);
        proxy.setBreaking(true);
    }
    options.readTimeout = std::chrono::milliseconds(readTimeoutMs);
    HttpClient client(options);
    SoakTally tally;

    // Memory from lookup 1,000 on (a tenth of a shorter run): by then the
    // allocator and the cookie store have what a long run needs.
    const int mark = std::min(1000, std::max(1, lookups / 10));
    long clientAtMark = -1;
    long siteAtStart = -1;
    long siteAtMark = -1;
    long siteMin = -1;
    long siteMax = -1;
    const auto siteSample = [&] {
        const long now = residentKiB(std::to_string(site.pid()));
        siteMin = siteMin < 0 ? now : std::min(siteMin, now);
        siteMax = std::max(siteMax, now);
        return now;
    };
    const auto start = std::chrono::steady_clock::now();
    for (int i = 1; i <= lookups; ++i) {
        const LookupPlan::Lookup &lookup = plan[static_cast<std::size_t>(i - 1)];
        SoakTally::Outcome outcome = SoakTally::Outcome::Success;
        std::string error;
        try {
            const std::string body = FetchDictionaryPage(client, lookup.sourcePosition,
                                                         lookup.targetPosition, lookup.word);
            if (body != proxy.lastBody())
                outcome = SoakTally::Outcome::WrongBody;
        } catch (const HttpTimeout &e) {
            outcome = SoakTally::Outcome::Timeout;
            error = e.what();
        } catch (const HttpConnectionLost &e) {
            outcome = SoakTally::Outcome::ConnectionLost;
            error = e.what();
        } catch (const HttpError &e) {
            outcome = SoakTally::Outcome::Failed;
            error = e.what();
        }
        tally.add(i, outcome, proxy.takeFaults(), error);
        if (i == 1)
            siteAtStart = siteSample();
        else if (i % 100 == 0)
            siteSample();
        if (i == mark) {
            clientAtMark = residentKiB("self");
            siteAtMark = siteSample();
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long clientAtEnd = residentKiB("self");
    const long siteAtEnd = siteSample();

    const auto totals = proxy.totals();
    const auto total = [&totals](FaultProxy::Fault fault) {
        const auto found = totals.find(fault);
        return found == totals.end() ? 0L : found->second;
    };
    using Fault = FaultProxy::Fault;
    std::printf("lookups             %d in %.1f s (%.0f/s), read time-out %d ms, seed %u\n",
                lookups, seconds, lookups / seconds, readTimeoutMs, seed);
    std::printf("successes           %ld (%ld of them through the retry)\n", tally.successes,
                tally.recoveredByRetry);
    std::printf("failed by reset     %ld\n", tally.failedByReset);
    std::printf("failed by stall     %ld\n", tally.failedByStall);
    std::printf("spurious failures   %ld\n", tally.spurious);
    std::printf("wrong bodies        %ld\n", tally.wrongBodies);
    std::printf("breaks injected     idle close %ld, close on the next request %ld, reset %ld, "
                "stall %ld\n",
                total(Fault::IdleClose), total(Fault::CloseOnRequest), total(Fault::Reset),
                total(Fault::Stall));
    std::printf("connections         %ld to the proxy; %ld lines in the site's log\n",
                proxy.connections(), site.logLines());
    const long growth = clientAtEnd - clientAtMark;
    std::printf("client RSS          %.2f MiB at lookup %d, %.2f MiB at lookup %d (%+ld KiB)\n",
                mib(clientAtMark), mark, mib(clientAtEnd), lookups, growth);
    std::printf("site RSS            %.2f MiB after lookup 1, %.2f MiB at lookup %d, %.2f MiB at "
                "the end (%+ld KiB from lookup %d; min %.2f, max %.2f)\n",
                mib(siteAtStart), mib(siteAtMark), mark, mib(siteAtEnd), siteAtEnd - siteAtMark,
                mark, mib(siteMin), mib(siteMax));

    bool failed = tally.spurious > 0 || tally.wrongBodies > 0;
    if (lookups >= 10000 && growth >= 2048) {
        std::printf("client memory grew by 2 MiB or more\n");
        failed = true;
    }
    return failed ? 1 : 0;
}
