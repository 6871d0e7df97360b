// The real vorlinda-site on 127.0.0.1 over the installed FreeDict
// dictionaries, against many idle connections, 200 kept-alive clients,
// the tests' hostile clients, timed, and a SIGTERM in the middle of the load.
// Every client is in this one process (epoll for the load).
//   vorlinda_site_bench [seconds of load, default 20]
#include "tests/support/HostileClients.h"
#include "tests/support/LoopbackClient.h"
#include "tests/support/SiteProcess.h"

#include <poll.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string lookupRequest(int n)
{
    static const char *const kWords[] = {"hello", "house", "water", "book", "good", "tree"};
    return std::string("GET /index.php?selectFrom=english&selectTo=turkish&txtLang=") +
           kWords[n % 6] + "&submitButton=Search HTTP/1.1\r\nHost: localhost\r\n\r\n";
}

// One lookup on a fresh connection: ms from connect to the whole answer,
// or -1.
double timedLookup(int port, int word = 0, int timeoutMs = 5000)
{
    const auto start = Clock::now();
    const LoopbackClient client(static_cast<std::uint16_t>(port));
    if (!client.connected())
        return -1;
    client.send(lookupRequest(word));
    std::string in;
    while (LoopbackClient::wholeAnswer(in) == 0 && client.wait(POLLIN, timeoutMs)) {
        const std::string more = client.some();
        if (more.empty())
            break;
        in += more;
    }
    return LoopbackClient::wholeAnswer(in) > 0 && in.starts_with("HTTP/1.1 200") ? msSince(start)
                                                                                 : -1;
}

long rssKiB(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("VmRSS:"))
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

std::size_t openFiles(pid_t pid)
{
    std::error_code error;
    const std::filesystem::directory_iterator fds("/proc/" + std::to_string(pid) + "/fd", error);
    return error ? 0 : static_cast<std::size_t>(std::distance(fds, {}));
}

struct Load
{
    std::uint64_t lookups = 0, errors = 0, reconnects = 0;
    std::uint64_t cutShort = 0, unanswered = 0; // closes with part of an answer, or none
    std::uint64_t overOneSecond = 0;
    double firstOverOneSecond = -1; // ms into the run when it was sent
    std::vector<double> latencies;
    long rssFirst = -1, rssEnd = -1;
};

// `clients` kept-alive connections, each sending its next lookup when the
// last is answered, for `duration`; `tick` is called every 10 ms with the ms
// gone and returns false once the site is being stopped (closes are then
// counted, not errors).
Load load(const SiteProcess &site, int clients, std::chrono::milliseconds duration,
          const std::function<bool(double)> &tick)
{
    struct Connection
    {
        std::optional<LoopbackClient> client;
        std::string in;
        Clock::time_point sent;
        int sentCount = 0;
    };
    Load result;
    const pid_t pid = site.pid(); // read before a stop clears it
    std::vector<Connection> connections(static_cast<std::size_t>(clients));
    const int poller = ::epoll_create1(0);
    bool running = true;
    const auto send = [&](Connection &c) {
        const std::string request = lookupRequest(c.sentCount++);
        c.sent = Clock::now();
        c.client->send(request);
    };
    const auto open = [&](Connection &c) {
        c.client.emplace(site.port());
        c.in.clear();
        if (!c.client->connected()) {
            c.client.reset();
            return;
        }
        epoll_event event{EPOLLIN, {.ptr = &c}};
        ::epoll_ctl(poller, EPOLL_CTL_ADD, c.client->fd(), &event);
        send(c);
    };
    const auto drop = [&](Connection &c) { c.client.reset(); };
    for (Connection &c : connections)
        open(c);
    const auto start = Clock::now();
    std::vector<epoll_event> events(static_cast<std::size_t>(clients));
    char chunk[65536];
    for (auto lastTick = start; msSince(start) < static_cast<double>(duration.count());) {
        if (Clock::now() - lastTick >= 10ms) {
            lastTick = Clock::now();
            running = tick(msSince(start)) && running;
            if (result.rssFirst < 0 && msSince(start) >= 1000)
                result.rssFirst = rssKiB(pid);
        }
        const int ready = ::epoll_wait(poller, events.data(), clients, 10);
        for (int i = 0; i < ready; ++i) {
            Connection &c =
                *static_cast<Connection *>(events[static_cast<std::size_t>(i)].data.ptr);
            const ssize_t n = ::recv(c.client->fd(), chunk, sizeof chunk, 0);
            if (n <= 0) {
                if (running)
                    ++result.errors;
                else
                    ++(c.in.empty() ? result.unanswered : result.cutShort);
                drop(c);
                if (running)
                    open(c);
                continue;
            }
            c.in.append(chunk, static_cast<std::size_t>(n));
            const std::size_t size = LoopbackClient::wholeAnswer(c.in);
            if (size == 0)
                continue;
            result.latencies.push_back(msSince(c.sent));
            if (result.latencies.back() > 1000 && result.overOneSecond++ == 0)
                result.firstOverOneSecond =
                    std::chrono::duration<double, std::milli>(c.sent - start).count();
            ++result.lookups;
            if (!c.in.starts_with("HTTP/1.1 200 OK\r\n"))
                ++result.errors;
            const bool closing =
                c.in.substr(0, size).find("Connection: close") != std::string::npos;
            c.in.erase(0, size);
            if (closing) {
                drop(c);
                if (running) {
                    ++result.reconnects;
                    open(c);
                }
            } else {
                send(c);
            }
        }
    }
    result.rssEnd = rssKiB(pid);
    ::close(poller);
    std::sort(result.latencies.begin(), result.latencies.end());
    return result;
}

double percentile(const std::vector<double> &sorted, double p)
{
    return sorted.empty() ? -1 : sorted[static_cast<std::size_t>(p * double(sorted.size() - 1))];
}

void idleConnections(const std::string &binary)
{
    const SiteProcess site(binary);
    std::printf(
        "idle: first lookup of \"hello\" on the fresh site (the dictionary read): %.2f ms\n",
        timedLookup(site.port(), 0, 60000));
    std::vector<LoopbackClient> idle;
    idle.reserve(10000);
    const auto start = Clock::now();
    for (int i = 0; i < 10000 && (idle.empty() || idle.back().connected()); ++i)
        idle.emplace_back(site.port());
    if (!idle.back().connected())
        idle.pop_back();
    const double opened = msSince(start);
    while (openFiles(site.pid()) < idle.size() && msSince(start) < 5000)
        std::this_thread::sleep_for(10ms);
    std::printf("idle: %zu connections opened in %.0f ms; the site holds %zu open files\n",
                idle.size(), opened, openFiles(site.pid()));
    std::vector<double> times;
    times.reserve(5);
    for (int i = 0; i < 5; ++i)
        times.push_back(timedLookup(site.port()));
    std::printf("idle: lookup of \"hello\" on a new connection beside them:");
    for (const double t : times)
        std::printf(" %.2f", t);
    std::printf(" ms\n");
}

void keptAlive(const std::string &binary, std::chrono::seconds duration)
{
    const SiteProcess site(binary);
    // The first lookups read the dictionaries and build their reverse
    // indexes: once, not part of the load.
    std::printf("load: first lookup of each word (the dictionaries read, reverse indexes built):");
    for (int word = 0; word < 6; ++word)
        std::printf(" %.0f", timedLookup(site.port(), word, 60000));
    std::printf(" ms\n");
    const Load result = load(site, 200, duration, [](double) { return true; });
    const double seconds = static_cast<double>(duration.count());
    std::printf("load: 200 kept-alive clients for %.0f s: %llu lookups, %.0f lookups/s, p50 %.2f "
                "ms, p99 %.2f ms, max %.2f ms, errors %llu, connections the site closed %llu\n",
                seconds, static_cast<unsigned long long>(result.lookups),
                static_cast<double>(result.lookups) / seconds, percentile(result.latencies, 0.5),
                percentile(result.latencies, 0.99), percentile(result.latencies, 1.0),
                static_cast<unsigned long long>(result.errors),
                static_cast<unsigned long long>(result.reconnects));
    std::printf("load: lookups over 1 s: %llu, the first sent %.0f ms into the run\n",
                static_cast<unsigned long long>(result.overOneSecond), result.firstOverOneSecond);
    std::printf("load: site RSS after 1 s %ld KiB, at the end %ld KiB (%+.1f %%)\n",
                result.rssFirst, result.rssEnd,
                100.0 * double(result.rssEnd - result.rssFirst) / double(result.rssFirst));
}

// The tests' table of hostile clients, each row against a site of its own
// with the row's shortened waits: how long each takes, and whether the
// client saw what the tests expect.
void hostile(const std::string &binary)
{
    const std::filesystem::path dictionaries = hostileDictionaries();
    for (const HostileClient &row : hostileClients()) {
        SiteProcess site(binary, hostileArguments(row, dictionaries), 0, kHostileFileLimit);
        const auto start = Clock::now();
        const std::string seen = row.run(site);
        std::printf("hostile: %-55s %6.0f ms  %s\n", row.name, msSince(start),
                    seen == row.expected ? "as the tests expect" : ("saw: " + seen).c_str());
    }
    std::filesystem::remove_all(dictionaries);
}

void terminated(const std::string &binary)
{
    SiteProcess site(binary);
    std::atomic<double> exitedAfter = -1;
    std::atomic<int> exitCode = -1;
    Clock::time_point signalled;
    std::thread waiter;
    const Load result = load(site, 200, 4s, [&](double ms) {
        if (ms < 1500)
            return true;
        if (!waiter.joinable()) {
            signalled = Clock::now();
            site.terminate();
            waiter = std::thread([&] {
                exitCode = site.wait(std::chrono::minutes(1));
                exitedAfter = msSince(signalled);
            });
        }
        return false;
    });
    waiter.join();
    std::printf("stop: SIGTERM under the load of 200 clients: exit %d after %.0f ms; answers cut "
                "short %llu, connections closed with a request unanswered %llu, errors before "
                "it %llu\n",
                exitCode.load(), exitedAfter.load(),
                static_cast<unsigned long long>(result.cutShort),
                static_cast<unsigned long long>(result.unanswered),
                static_cast<unsigned long long>(result.errors));
}

} // namespace

int main(int argc, char **argv)
{
    const std::chrono::seconds duration(argc > 1 ? std::atoi(argv[1]) : 20);
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
    ::signal(SIGPIPE, SIG_IGN);
    std::printf("%u cores; the bench's clients share them with the site\n",
                std::thread::hardware_concurrency());
    idleConnections(VORLINDA_SITE);
    keptAlive(VORLINDA_SITE, duration);
    hostile(VORLINDA_SITE);
    terminated(VORLINDA_SITE);
    return 0;
}
