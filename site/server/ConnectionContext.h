#pragma once

#include "server/ConnectionRegistry.h"
#include "server/SiteOptions.h"
#include "web/SiteResponder.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>

namespace vorlinda::site {

// What every connection of a server reads: who answers, where the log
// lines go, how long to wait on a client, whether the site is stopping,
// and the register each connection enters while it is open.
struct ConnectionContext
{
    using LogSink = std::function<void(std::string_view line)>;

    ConnectionContext(std::shared_ptr<const SiteResponder> siteResponder, LogSink logSink,
                      SiteTimeouts siteTimeouts)
        : responder(std::move(siteResponder)), log(std::move(logSink)), timeouts(siteTimeouts)
    {}

    const std::shared_ptr<const SiteResponder> responder;
    const LogSink log;
    const SiteTimeouts timeouts;
    std::atomic<bool> stopping = false;
    ConnectionRegistry connections;
};

} // namespace vorlinda::site
