#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <thread>

// The real vorlinda-site, started on a free port of 127.0.0.1 for the run
// and stopped at the end. Its log (a line per request) is read and counted,
// so the site never blocks on a full pipe.
class SiteProcess
{
public:
    // Starts `program` and waits for its "listening on" line. Throws
    // std::runtime_error when it exits or says nothing of the kind in time.
    explicit SiteProcess(const std::string &program);
    ~SiteProcess();
    SiteProcess(const SiteProcess &) = delete;
    SiteProcess &operator=(const SiteProcess &) = delete;

    std::uint16_t port() const { return port_; }
    pid_t pid() const { return pid_; }
    long logLines() const { return logLines_; }

private:
    pid_t pid_ = -1;
    int log_ = -1; // the read end of the site's standard error
    std::uint16_t port_ = 0;
    std::atomic<long> logLines_ = 0;
    std::thread reader_;
};
