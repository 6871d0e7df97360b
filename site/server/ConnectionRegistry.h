#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace vorlinda::site {

class SiteConnection;

// The connections of a server that are still open: each one enters when it
// starts and leaves when it is destroyed, so that stopping the server can
// reach them all and wait for them to close.
class ConnectionRegistry
{
public:
    void remember(const std::shared_ptr<SiteConnection> &connection);
    void forget(const SiteConnection *connection);

    // Those still alive.
    std::vector<std::shared_ptr<SiteConnection>> open() const;
    // Waits up to `grace` for the last one to leave.
    void waitUntilEmpty(std::chrono::milliseconds grace);

private:
    mutable std::mutex mutex_;
    std::condition_variable allClosed_;
    std::unordered_map<const SiteConnection *, std::weak_ptr<SiteConnection>> connections_;
};

} // namespace vorlinda::site
