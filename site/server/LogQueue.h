#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace vorlinda::site {

// Log lines written out by a thread of their own, so that a log nobody
// reads fast enough (a full pipe, a busy journal) never holds up the
// threads serving clients. Past kMaxWaiting lines, new ones are counted and
// dropped, and the count is logged once the writer catches up.
class LogQueue
{
public:
    static constexpr std::size_t kMaxWaiting = 100000;

    explicit LogQueue(std::FILE *out);
    // Writes what is waiting, then stops.
    ~LogQueue();

    void push(std::string_view line);

private:
    void run();

    std::FILE *out_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<std::string> waiting_;
    std::size_t dropped_ = 0;
    bool stopping_ = false;
    std::thread thread_{[this] { run(); }};
};

} // namespace vorlinda::site
