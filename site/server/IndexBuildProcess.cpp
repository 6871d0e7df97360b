#include "server/IndexBuildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace vorlinda::site {

IndexBuildProcess::IndexBuildProcess(std::vector<std::string> command,
                                     std::function<void(bool)> finished)
    : command_(std::move(command)), finished_(std::move(finished))
{}

IndexBuildProcess::~IndexBuildProcess()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        if (child_ > 0)
            ::kill(child_, SIGTERM);
    }
    if (waiter_.joinable())
        waiter_.join();
}

bool IndexBuildProcess::start()
{
    std::lock_guard lock(mutex_);
    if (child_ > 0 || stopping_ || builds_ >= kMaxBuilds)
        return false;
    if (waiter_.joinable())
        waiter_.join(); // the last build's, done
    std::vector<char *> argv;
    for (std::string &argument : command_)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    // The site blocks SIGTERM for its sigwait and ignores SIGPIPE; the
    // child takes both as usual. Its report goes nowhere, its errors to
    // the site's standard error.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    // The child ends with the site, however the site ends (see main).
    std::string parent = std::string(kParentVariable) + "=" + std::to_string(::getpid());
    std::vector<char *> environment{parent.data()};
    for (char **variable = environ; *variable != nullptr; ++variable)
        environment.push_back(*variable);
    environment.push_back(nullptr);
    pid_t child = -1;
    const int failed =
        ::posix_spawn(&child, argv[0], &actions, &attributes, argv.data(), environment.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (failed != 0)
        return false;
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(child), 10);
    child_ = child;
    ++builds_;
    waiter_ = std::thread([this, child] {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        bool stopping = false;
        {
            std::lock_guard ended(mutex_);
            child_ = -1;
            stopping = stopping_;
        }
        if (!stopping)
            finished_(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    });
    return true;
}

} // namespace vorlinda::site
