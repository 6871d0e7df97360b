#include "tests/support/SiteProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

SiteProcess::SiteProcess(const std::string &program, std::vector<std::string> arguments,
                         std::uint16_t port, rlimit fileLimit)
{
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return;
    std::vector<std::string> words{program, "--listen", "127.0.0.1", "--port",
                                   std::to_string(port)};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        // The site goes with its test, also when a sanitizer report ends it.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (fileLimit.rlim_max > 0)
            ::setrlimit(RLIMIT_NOFILE, &fileLimit);
        ::dup2(pipeEnds[1], STDERR_FILENO);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    log_ = pipeEnds[0];
    reader_ = std::thread([this] {
        std::string partial;
        char buffer[4096];
        for (ssize_t n; (n = ::read(log_, buffer, sizeof buffer)) > 0;) {
            const std::lock_guard lock(mutex_);
            partial.append(buffer, std::size_t(n));
            for (auto end = partial.find('\n'); end != std::string::npos;
                 end = partial.find('\n')) {
                lines_.push_back(partial.substr(0, end));
                partial.erase(0, end + 1);
                constexpr std::string_view marker = "listening on http://127.0.0.1:";
                if (const auto at = lines_.back().find(marker);
                    port_ == 0 && at != std::string::npos)
                    port_ = std::uint16_t(std::atoi(lines_.back().c_str() + at + marker.size()));
            }
            changed_.notify_all();
        }
        const std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    });
    waitUntil(std::chrono::seconds(30), [this] { return port_ != 0 || closed_; });
}

SiteProcess::~SiteProcess()
{
    if (pid_ > 0 && wait(std::chrono::milliseconds(0)) < 0) {
        ::kill(pid_, SIGTERM);
        wait(std::chrono::hours(1));
    }
    if (reader_.joinable())
        reader_.join();
    if (log_ >= 0)
        ::close(log_);
}

template <class Done>
bool SiteProcess::waitUntil(std::chrono::milliseconds timeout, Done done) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, done);
}

long SiteProcess::logLines() const
{
    const std::lock_guard lock(mutex_);
    return long(lines_.size());
}

std::string SiteProcess::output() const
{
    const std::lock_guard lock(mutex_);
    std::string all;
    for (const std::string &line : lines_)
        all += line + "\n";
    return all;
}

bool SiteProcess::logged(std::string_view text, std::size_t count) const
{
    return waitUntil(std::chrono::seconds(5), [&] {
        return std::size_t(std::count_if(lines_.begin(), lines_.end(), [&](const std::string &l) {
                   return l.find(text) != std::string::npos;
               })) >= count;
    });
}

std::vector<std::string> SiteProcess::takeRequests(std::size_t count)
{
    std::vector<std::string> requests;
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(10), [&] {
        for (; taken_ < lines_.size(); ++taken_)
            if (!lines_[taken_].starts_with("vorlinda-site:"))
                requests.push_back(lines_[taken_]);
        return requests.size() >= count;
    });
    return requests;
}

void SiteProcess::terminate() const
{
    if (pid_ > 0)
        ::kill(pid_, SIGTERM);
}

int SiteProcess::wait(std::chrono::milliseconds timeout)
{
    // The pipe closes as the site ends: after that, waitpid returns at once.
    if (pid_ > 0 && waitUntil(timeout, [this] { return closed_; })) {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return pid_ > 0 ? -1 : status_;
}

void SiteProcess::kill()
{
    if (pid_ > 0)
        ::kill(pid_, SIGKILL);
    wait(std::chrono::hours(1));
}
