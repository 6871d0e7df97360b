#pragma once

#include "server/SiteOptions.h"
#include "web/SiteResponder.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

namespace vorlinda::site {

class SiteConnection;

// The site on its listening addresses: Boost.Asio's event loop on one
// thread per core, every connection a SiteConnection, every request
// answered by SiteResponder and logged as one line.
class SiteServer
{
public:
    using LogSink = std::function<void(std::string_view line)>;

    SiteServer(std::shared_ptr<const SiteResponder> responder, LogSink log, SiteTimeouts timeouts);
    ~SiteServer();

    // Listens on `address`:`port` (0 picks a free port); the port, or -1.
    int listen(const std::string &address, int port);
    // Serves on `threads` threads until stop().
    void start(unsigned threads);
    // Stops accepting, closes idle connections and gives those in the middle
    // of a request up to `grace` to be answered; then closes the rest.
    void stop(std::chrono::milliseconds grace);

    // Why binding `address`:`port` fails, in words a user can act on; tries
    // the bind itself to learn the reason.
    static std::string explainBindFailure(const std::string &address, int port);

    // The log line of one exchange; raw bytes of the target are shown as \xNN.
    static std::string logLine(std::string_view remote, std::string_view method,
                               std::string_view target, int status, std::size_t bodySize);

    // Raises the open-file limit to the hard limit; says why in words when
    // that is too low for `connections`, or an empty string.
    static std::string raiseDescriptorLimit(std::size_t connections);

private:
    friend class SiteConnection;

    void accept(boost::asio::ip::tcp::acceptor &acceptor);
    void remember(const std::shared_ptr<SiteConnection> &connection);
    void forget(const SiteConnection *connection);

    std::shared_ptr<const SiteResponder> responder_;
    LogSink log_;
    SiteTimeouts timeouts_;
    std::atomic<bool> stopping_ = false;
    std::atomic<bool> toldOfLimit_ = false;

    // Declared before the event loop: connections still queued in it leave
    // this register when it is destroyed.
    std::mutex mutex_;
    std::condition_variable allClosed_;
    std::unordered_map<const SiteConnection *, std::weak_ptr<SiteConnection>> connections_;

    boost::asio::io_context context_;
    std::vector<std::unique_ptr<boost::asio::ip::tcp::acceptor>> acceptors_;
    std::vector<std::thread> threads_;
};

} // namespace vorlinda::site
