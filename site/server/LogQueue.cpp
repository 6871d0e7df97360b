#include "server/LogQueue.h"

namespace vorlinda::site {

LogQueue::LogQueue(std::FILE *out) : out_(out) {}

LogQueue::~LogQueue()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void LogQueue::push(std::string_view line)
{
    {
        std::lock_guard lock(mutex_);
        if (waiting_.size() >= kMaxWaiting) {
            ++dropped_;
            return;
        }
        waiting_.emplace_back(line);
    }
    wake_.notify_one();
}

void LogQueue::run()
{
    std::vector<std::string> lines;
    for (bool last = false; !last;) {
        std::size_t dropped = 0;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            lines.swap(waiting_);
            std::swap(dropped, dropped_);
            last = stopping_;
        }
        for (const std::string &line : lines)
            std::fprintf(out_, "%s\n", line.c_str());
        if (dropped > 0)
            std::fprintf(out_,
                         "vorlinda-site: %zu log lines dropped: the log was not read fast "
                         "enough\n",
                         dropped);
        std::fflush(out_);
        lines.clear();
    }
}

} // namespace vorlinda::site
