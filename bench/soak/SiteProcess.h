#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

// The real vorlinda-site, started on a port of 127.0.0.1 (a free one unless
// given) for the run and stopped at the end. Its log (a line per request) is
// read and counted, so the site never blocks on a full pipe, and kept when
// asked for.
class SiteProcess
{
public:
    // Starts `program` and waits for its "listening on" line. Throws
    // std::runtime_error when it exits or says nothing of the kind in time.
    explicit SiteProcess(const std::string &program, std::uint16_t port = 0, bool keepLog = false);
    ~SiteProcess();
    SiteProcess(const SiteProcess &) = delete;
    SiteProcess &operator=(const SiteProcess &) = delete;

    std::uint16_t port() const { return port_; }
    pid_t pid() const { return pid_; }
    long logLines() const { return logLines_; }
    // The log's lines since the last call (only with keepLog).
    std::vector<std::string> takeLog();
    // Ends the site at once (SIGKILL), as a crash would; the log read so far
    // stays.
    void kill();

private:
    void stop(int signal);

    bool keepLog_ = false;
    std::mutex logMutex_;
    std::string partialLine_;
    std::vector<std::string> keptLines_;
    pid_t pid_ = -1;
    int log_ = -1; // the read end of the site's standard error
    std::uint16_t port_ = 0;
    std::atomic<long> logLines_ = 0;
    std::thread reader_;
};
