// The real vorlinda-site on 127.0.0.1 over the installed FreeDict
// dictionaries, against many idle connections, 200 kept-alive clients,
// hostile clients and a SIGTERM in the middle of the load. Every client is
// in this one process (epoll for the load, a thread per hostile client).
//   vorlinda_site_bench [seconds of load, default 20]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
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
    static const char *const words[] = {"hello", "house", "water", "book", "good", "tree"};
    return std::string("GET /index.php?selectFrom=english&selectTo=turkish&txtLang=") +
           words[n % 6] + "&submitButton=Search HTTP/1.1\r\nHost: localhost\r\n\r\n";
}

int connectTo(int port, int receiveBuffer = 0)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (receiveBuffer > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in to{AF_INET, htons(static_cast<uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    if (::connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The size of a whole answer at the start of `in`, or 0 while it is incomplete.
std::size_t wholeAnswer(const std::string &in)
{
    const std::size_t end = in.find("\r\n\r\n");
    if (end == std::string::npos)
        return 0;
    const std::size_t at = in.find("Content-Length: ");
    const std::size_t size = end + 4 + std::strtoul(in.c_str() + at + 16, nullptr, 10);
    return at < end && in.size() >= size ? size : 0;
}

// One lookup on a fresh connection: ms from connect to the whole answer,
// or -1.
double timedLookup(int port, int word = 0, int timeoutMs = 5000)
{
    const auto start = Clock::now();
    const int fd = connectTo(port);
    if (fd < 0)
        return -1;
    const std::string request = lookupRequest(word);
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string in;
    char chunk[65536];
    pollfd p{fd, POLLIN, 0};
    while (wholeAnswer(in) == 0 && ::poll(&p, 1, timeoutMs) > 0) {
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            break;
        in.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return wholeAnswer(in) > 0 && in.starts_with("HTTP/1.1 200") ? msSince(start) : -1;
}

// Waits until the site closes `fd` (reset or end of stream); ms since
// `since`, or -1 after `limit`.
double msUntilCut(int fd, Clock::time_point since, std::chrono::milliseconds limit)
{
    pollfd p{fd, POLLRDHUP, 0};
    const bool cut = ::poll(&p, 1, static_cast<int>(limit.count())) > 0;
    return cut ? msSince(since) : -1;
}

struct Site
{
    explicit Site(const std::string &binary)
    {
        const int out = ::mkstemp(logPath.data());
        pid = ::fork();
        if (pid == 0) {
            ::dup2(out, 2);
            ::execl(binary.c_str(), binary.c_str(), "--listen", "127.0.0.1", "--port", "0",
                    static_cast<char *>(nullptr));
            ::_exit(127);
        }
        ::close(out);
        for (int i = 0; i < 1000 && port == 0; ++i) {
            std::this_thread::sleep_for(10ms);
            const std::string text = log();
            const std::size_t at = text.find("listening on http://127.0.0.1:");
            if (at != std::string::npos)
                port = std::atoi(text.c_str() + at + 30);
        }
    }
    ~Site()
    {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        std::filesystem::remove(logPath);
    }
    std::string log() const
    {
        std::ifstream in(logPath);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    long rssKiB() const
    {
        std::ifstream in("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(in, line);) {
            if (line.starts_with("VmRSS:"))
                return std::atol(line.c_str() + 6);
        }
        return -1;
    }
    std::size_t openFiles() const
    {
        std::error_code error;
        const std::filesystem::directory_iterator fds("/proc/" + std::to_string(pid) + "/fd",
                                                      error);
        return error ? 0 : static_cast<std::size_t>(std::distance(fds, {}));
    }
    std::string logPath = "/tmp/vorlinda-site-bench-XXXXXX";
    pid_t pid = -1;
    int port = 0;
};

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
Load load(const Site &site, int clients, std::chrono::milliseconds duration,
          const std::function<bool(double)> &tick)
{
    struct Connection
    {
        int fd = -1;
        std::string in;
        Clock::time_point sent;
        int sentCount = 0;
    };
    Load result;
    std::vector<Connection> connections(static_cast<std::size_t>(clients));
    const int poller = ::epoll_create1(0);
    bool running = true;
    const auto send = [&](Connection &c) {
        const std::string request = lookupRequest(c.sentCount++);
        c.sent = Clock::now();
        ::send(c.fd, request.data(), request.size(), MSG_NOSIGNAL);
    };
    const auto open = [&](Connection &c) {
        c.fd = connectTo(site.port);
        c.in.clear();
        if (c.fd < 0)
            return;
        epoll_event event{EPOLLIN, {.ptr = &c}};
        ::epoll_ctl(poller, EPOLL_CTL_ADD, c.fd, &event);
        send(c);
    };
    const auto drop = [&](Connection &c) {
        ::close(c.fd);
        c.fd = -1;
    };
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
                result.rssFirst = site.rssKiB();
        }
        const int ready = ::epoll_wait(poller, events.data(), clients, 10);
        for (int i = 0; i < ready; ++i) {
            Connection &c =
                *static_cast<Connection *>(events[static_cast<std::size_t>(i)].data.ptr);
            const ssize_t n = ::recv(c.fd, chunk, sizeof chunk, 0);
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
            const std::size_t size = wholeAnswer(c.in);
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
    result.rssEnd = site.rssKiB();
    for (Connection &c : connections) {
        if (c.fd >= 0)
            drop(c);
    }
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
    Site site(binary);
    std::printf(
        "idle: first lookup of \"hello\" on the fresh site (the dictionary read): %.2f ms\n",
        timedLookup(site.port, 0, 60000));
    std::vector<int> idle;
    const auto start = Clock::now();
    for (int i = 0; i < 10000; ++i) {
        const int fd = connectTo(site.port);
        if (fd < 0)
            break;
        idle.push_back(fd);
    }
    const double opened = msSince(start);
    while (site.openFiles() < idle.size() && msSince(start) < 5000)
        std::this_thread::sleep_for(10ms);
    std::printf("idle: %zu connections opened in %.0f ms; the site holds %zu open files\n",
                idle.size(), opened, site.openFiles());
    std::vector<double> times;
    for (int i = 0; i < 5; ++i)
        times.push_back(timedLookup(site.port));
    std::printf("idle: lookup of \"hello\" on a new connection beside them:");
    for (const double t : times)
        std::printf(" %.2f", t);
    std::printf(" ms\n");
    for (const int fd : idle)
        ::close(fd);
}

void keptAlive(const std::string &binary, std::chrono::seconds duration)
{
    Site site(binary);
    // The first lookups read the dictionaries and build their reverse
    // indexes: once, not part of the load.
    std::printf("load: first lookup of each word (the dictionaries read, reverse indexes built):");
    for (int word = 0; word < 6; ++word)
        std::printf(" %.0f", timedLookup(site.port, word, 60000));
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

void hostile(const std::string &binary)
{
    Site site(binary);
    const int port = site.port;
    const auto refused = [port](const std::string &request) {
        const int fd = connectTo(port);
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        char line[64] = {};
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 5000) > 0)
            ::recv(fd, line, sizeof line - 1, 0);
        ::close(fd);
        return std::string(line, std::string_view(line).find('\r'));
    };
    std::printf(
        "hostile: request line of 8193 bytes: %s; header of 16385 bytes: %s\n",
        refused("GET /" + std::string(8193 - 14, 'a') + " HTTP/1.1\r\n\r\n").c_str(),
        refused("GET / HTTP/1.1\r\nX: " + std::string(16385 - 7, 'b') + "\r\n\r\n").c_str());

    // 100 clients pipelining lookups without reading (more than the 48
    // workers the site used to have), then lookups beside them.
    std::vector<int> stalled;
    const std::string pipelined = [] {
        std::string r;
        for (int i = 0; i < 100; ++i)
            r += lookupRequest(i);
        return r;
    }();
    const std::size_t before = site.openFiles();
    const auto firstStalled = Clock::now();
    for (int i = 0; i < 100; ++i) {
        const int fd = connectTo(port, 4096);
        pollfd p{fd, POLLOUT, 0};
        while (::poll(&p, 1, 50) > 0 &&
               ::send(fd, pipelined.data(), pipelined.size(), MSG_NOSIGNAL | MSG_DONTWAIT) > 0) {
        }
        stalled.push_back(fd);
    }
    const auto lastStalled = Clock::now();
    std::printf("hostile: 100 clients that read nothing, stalled within %.0f ms; lookups beside "
                "them:",
                msSince(firstStalled));
    for (int i = 0; i < 5; ++i)
        std::printf(" %.2f", timedLookup(port));
    std::printf(" ms\n");
    // Their connections stay open on this side: the site letting go of them
    // shows in its open files.
    while (site.openFiles() > before && msSince(lastStalled) < 30000)
        std::this_thread::sleep_for(10ms);
    std::printf("hostile: the site let go of the last of them %.0f ms after it stalled (%zu open "
                "files left over)\n",
                msSince(lastStalled), site.openFiles() - std::min(before, site.openFiles()));
    for (const int fd : stalled)
        ::close(fd);
    // A byte of header every 2 s.
    auto slowloris = std::async(std::launch::async, [port] {
        const int fd = connectTo(port);
        const auto start = Clock::now();
        ::send(fd, "GET / HTTP/1.1\r\n", 16, MSG_NOSIGNAL);
        double cut = -1;
        for (int i = 0; i < 15 && cut < 0; ++i) {
            cut = msUntilCut(fd, start, 2s);
            ::send(fd, "X", 1, MSG_NOSIGNAL);
        }
        ::close(fd);
        return cut;
    });
    // An answered lookup, then nothing.
    auto idleKept = std::async(std::launch::async, [port] {
        const int fd = connectTo(port);
        const std::string request = lookupRequest(0);
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        char chunk[65536];
        ::recv(fd, chunk, sizeof chunk, 0);
        const auto answered = Clock::now();
        const double cut = msUntilCut(fd, answered, 30s);
        ::close(fd);
        return cut;
    });
    std::printf("hostile: slowloris (a header byte every 2 s) cut after %.0f ms\n",
                slowloris.get());
    std::printf("hostile: idle kept connection closed %.0f ms after its answer\n", idleKept.get());
    const std::string log = site.log();
    std::printf("hostile: the site's own notes: %s\n",
                log.find("open-file") != std::string::npos ? "open-file limit too low" : "none");
}

void terminated(const std::string &binary)
{
    Site site(binary);
    std::atomic<double> exitedAfter = -1;
    std::atomic<int> exitCode = -1;
    Clock::time_point signalled;
    std::thread waiter;
    const Load result = load(site, 200, 4s, [&](double ms) {
        if (ms < 1500)
            return true;
        if (!waiter.joinable()) {
            signalled = Clock::now();
            ::kill(site.pid, SIGTERM);
            waiter = std::thread([&] {
                int status = 0;
                ::waitpid(site.pid, &status, 0);
                exitedAfter = msSince(signalled);
                exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            });
        }
        return false;
    });
    waiter.join();
    site.pid = -1;
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
