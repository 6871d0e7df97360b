#pragma once

#include "server/ConnectionContext.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace vorlinda::site {

// The site on its listening addresses: Boost.Asio's event loop on one
// thread per core, every connection a SiteConnection, every request
// answered by SiteResponder and logged as one line.
class SiteServer
{
public:
    using LogSink = ConnectionContext::LogSink;

    SiteServer(std::shared_ptr<const SiteResponder> responder, LogSink log, SiteTimeouts timeouts);
    ~SiteServer();

    // Listens on `address`:`port` (0 picks a free port); the port, or -1.
    int listen(const std::string &address, int port);
    // Serves on `threads` threads until stop().
    void start(unsigned threads);
    // Stops accepting, closes idle connections and gives those in the middle
    // of a request up to `grace` to be answered; then closes the rest.
    void stop(std::chrono::milliseconds grace);

private:
    void accept(boost::asio::ip::tcp::acceptor &acceptor);

    // Declared before the event loop: connections still queued in it leave
    // its register when it is destroyed.
    ConnectionContext shared_;
    std::atomic<bool> toldOfLimit_ = false;

    boost::asio::io_context context_;
    std::vector<std::unique_ptr<boost::asio::ip::tcp::acceptor>> acceptors_;
    std::vector<std::thread> threads_;
};

} // namespace vorlinda::site
