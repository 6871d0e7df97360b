#include "SiteProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// The port of a "vorlinda-site: listening on http://127.0.0.1:PORT/" line; 0
// for any other line.
std::uint16_t listeningPort(std::string_view line)
{
    constexpr std::string_view marker = "listening on http://127.0.0.1:";
    const auto at = line.find(marker);
    if (at == std::string_view::npos)
        return 0;
    return static_cast<std::uint16_t>(
        std::atoi(std::string(line.substr(at + marker.size())).c_str()));
}

} // namespace

SiteProcess::SiteProcess(const std::string &program, std::uint16_t port, bool keepLog)
    : keepLog_(keepLog)
{
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        throw std::runtime_error("no pipe for the site's log");
    std::vector<std::string> words{program, "--listen", "127.0.0.1", "--port",
                                   std::to_string(port)};
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        // The site goes with the soak, also when a sanitizer report ends it.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::dup2(pipeEnds[1], STDERR_FILENO);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    log_ = pipeEnds[0];
    if (pid_ < 0) {
        ::close(log_);
        throw std::runtime_error("cannot start " + program);
    }

    // The dictionaries load before the line comes.
    std::string pending;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (port_ == 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd fd{log_, POLLIN, 0};
        char buffer[4096];
        ssize_t n = 0;
        if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0 ||
            (n = ::read(log_, buffer, sizeof buffer)) <= 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            ::close(log_);
            throw std::runtime_error(program + " did not say where it listens:\n" + pending);
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        for (auto end = pending.find('\n'); end != std::string::npos && port_ == 0;
             end = pending.find('\n')) {
            port_ = listeningPort(std::string_view(pending).substr(0, end));
            std::fprintf(stderr, "%s\n", pending.substr(0, end).c_str());
            pending.erase(0, end + 1);
        }
    }
    reader_ = std::thread([this] {
        char buffer[4096];
        for (ssize_t n; (n = ::read(log_, buffer, sizeof buffer)) > 0;) {
            logLines_ += std::count(buffer, buffer + n, '\n');
            if (!keepLog_)
                continue;
            const std::lock_guard lock(logMutex_);
            partialLine_.append(buffer, static_cast<std::size_t>(n));
            for (auto end = partialLine_.find('\n'); end != std::string::npos;
                 end = partialLine_.find('\n')) {
                keptLines_.push_back(partialLine_.substr(0, end));
                partialLine_.erase(0, end + 1);
            }
        }
    });
}

SiteProcess::~SiteProcess()
{
    stop(SIGTERM);
}

std::vector<std::string> SiteProcess::takeLog()
{
    const std::lock_guard lock(logMutex_);
    return std::exchange(keptLines_, {});
}

void SiteProcess::kill()
{
    stop(SIGKILL);
}

void SiteProcess::stop(int signal)
{
    if (pid_ < 0)
        return;
    ::kill(pid_, signal);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    reader_.join(); // the pipe ends with the site
    ::close(log_);
}
