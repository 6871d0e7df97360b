#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/resource.h>
#include <sys/types.h>
#include <thread>
#include <vector>

// The real vorlinda-site on a port of 127.0.0.1 (a free one unless given),
// stopped at the end. Every line it writes to standard error is kept, read as
// it comes so that the site never blocks on a full pipe. Plain POSIX, so that
// a build of the site alone has it too.
class SiteProcess
{
public:
    // Starts `program` with `arguments` after "--listen 127.0.0.1 --port
    // PORT", and `fileLimit` if given, and waits up to 30 s for its
    // "listening on" line (the dictionaries load before it comes). port()
    // stays 0 when none came.
    explicit SiteProcess(const std::string &program, std::vector<std::string> arguments = {},
                         std::uint16_t port = 0, rlimit fileLimit = {0, 0});
    ~SiteProcess();
    SiteProcess(const SiteProcess &) = delete;
    SiteProcess &operator=(const SiteProcess &) = delete;

    std::uint16_t port() const { return port_; }
    pid_t pid() const { return pid_; }
    long logLines() const;
    // Every line so far, joined by newlines.
    std::string output() const;
    // Whether the log holds `text` on `count` lines, within 5 s.
    bool logged(std::string_view text, std::size_t count = 1) const;
    // The request lines ("STAMP REMOTE METHOD TARGET STATUS SIZE") logged
    // since the last call, once there are `count` of them or 10 s have passed:
    // a line comes a little after its answer.
    std::vector<std::string> takeRequests(std::size_t count = 0);

    void terminate() const; // SIGTERM, not waited for
    // Waits up to `timeout` for the site to end: its exit status, 128 plus
    // the signal that ended it, or -1 while it runs.
    int wait(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    void kill(); // at once (SIGKILL), as a crash would; the log read so far stays

private:
    template <class Done> bool waitUntil(std::chrono::milliseconds timeout, Done done) const;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::string> lines_;
    std::size_t taken_ = 0; // lines_ before this were looked at by takeRequests
    bool closed_ = false;   // the site's end of the pipe is gone
    pid_t pid_ = -1;
    int status_ = -1;
    int log_ = -1; // the read end of the site's standard error
    std::uint16_t port_ = 0;
    std::thread reader_;
};
