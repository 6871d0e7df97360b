#pragma once

#include <sys/types.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vorlinda::site {

// Builds the on-disk indexes in a child process (the site itself with
// --build-index), at a lower priority: building reads every dictionary
// whole, and none of that memory or time should be the site's own.
class IndexBuildProcess
{
public:
    // `command` is the child's argv; `finished` is told, on a thread of this
    // object's, whether the child exited 0.
    IndexBuildProcess(std::vector<std::string> command, std::function<void(bool)> finished);
    // Ends a build under way and waits for it.
    ~IndexBuildProcess();
    IndexBuildProcess(const IndexBuildProcess &) = delete;
    IndexBuildProcess &operator=(const IndexBuildProcess &) = delete;

    // Set in the child's environment to the site's process id.
    static constexpr const char *kParentVariable = "VORLINDA_SITE_INDEX_PARENT";

    // Starts a build unless one runs; a few in all, so that an index that
    // keeps failing does not rebuild for ever. False when none was started.
    bool start();

private:
    static constexpr int kMaxBuilds = 3;

    std::vector<std::string> command_;
    std::function<void(bool)> finished_;
    std::mutex mutex_;
    pid_t child_ = -1;
    int builds_ = 0;
    bool stopping_ = false;
    std::thread waiter_;
};

} // namespace vorlinda::site
