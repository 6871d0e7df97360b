#include "server/ConnectionRegistry.h"

namespace vorlinda::site {

void ConnectionRegistry::remember(const std::shared_ptr<SiteConnection> &connection)
{
    std::lock_guard lock(mutex_);
    connections_.emplace(connection.get(), connection);
}

void ConnectionRegistry::forget(const SiteConnection *connection)
{
    bool none = false;
    {
        std::lock_guard lock(mutex_);
        connections_.erase(connection);
        none = connections_.empty();
    }
    if (none)
        allClosed_.notify_all();
}

std::vector<std::shared_ptr<SiteConnection>> ConnectionRegistry::open() const
{
    std::vector<std::shared_ptr<SiteConnection>> alive;
    std::lock_guard lock(mutex_);
    for (const auto &[key, connection] : connections_) {
        if (auto locked = connection.lock())
            alive.push_back(std::move(locked));
    }
    return alive;
}

void ConnectionRegistry::waitUntilEmpty(std::chrono::milliseconds grace)
{
    std::unique_lock lock(mutex_);
    allClosed_.wait_for(lock, grace, [this] { return connections_.empty(); });
}

} // namespace vorlinda::site
