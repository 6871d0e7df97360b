#include "server/SiteServer.h"

#include "server/SiteConnection.h"

#include <boost/asio/ip/v6_only.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>

#include <algorithm>

namespace vorlinda::site {
namespace {

namespace asio = boost::asio;
using asio::ip::tcp;
using boost::system::error_code;

// Out of descriptors, accepting waits this long before it tries again.
constexpr std::chrono::milliseconds kAcceptRetry{50};
constexpr int kAcceptBurst = 256;

} // namespace

SiteServer::SiteServer(std::shared_ptr<const SiteResponder> responder, LogSink log,
                       SiteTimeouts timeouts)
    : shared_(std::move(responder), std::move(log), timeouts)
{}

SiteServer::~SiteServer()
{
    if (!threads_.empty())
        stop(std::chrono::milliseconds(0));
}

int SiteServer::listen(const std::string &address, int port)
{
    error_code error;
    const asio::ip::address ip = asio::ip::make_address(address, error);
    if (error)
        return -1;
    const tcp::endpoint endpoint(ip, static_cast<unsigned short>(port));
    auto acceptor = std::make_unique<tcp::acceptor>(asio::make_strand(context_));
    // SO_REUSEPORT would let a second copy of the site share the port
    // unnoticed; a taken port must be an error.
    acceptor->open(endpoint.protocol(), error);
    if (!error)
        acceptor->set_option(asio::socket_base::reuse_address(true), error);
    if (!error && ip.is_v6())
        acceptor->set_option(asio::ip::v6_only(true), error);
    if (!error)
        acceptor->bind(endpoint, error);
    if (!error)
        acceptor->listen(asio::socket_base::max_listen_connections, error);
    if (!error)
        acceptor->non_blocking(true, error);
    const unsigned short bound = error ? 0 : acceptor->local_endpoint(error).port();
    if (error)
        return -1;
    acceptors_.push_back(std::move(acceptor));
    return bound;
}

void SiteServer::start(unsigned threads)
{
    for (auto &acceptor : acceptors_)
        asio::post(acceptor->get_executor(), [this, &a = *acceptor] { accept(a); });
    for (unsigned i = 0; i < std::max(threads, 1U); ++i)
        threads_.emplace_back([this] { context_.run(); });
}

void SiteServer::accept(tcp::acceptor &acceptor)
{
    acceptor.async_accept(asio::make_strand(context_), [this, &acceptor](error_code error,
                                                                         tcp::socket socket) {
        if (error == asio::error::operation_aborted || !acceptor.is_open())
            return;
        // The rest of a burst is taken at once: one connection per turn of a
        // busy event loop would keep clients waiting in the backlog for seconds.
        for (int taken = 0; !error && taken < kAcceptBurst; ++taken) {
            std::make_shared<SiteConnection>(std::move(socket), shared_)->start();
            socket = tcp::socket(asio::make_strand(context_));
            acceptor.accept(socket, error); // the acceptor does not block
        }
        if (error == asio::error::no_descriptors ||
            error == boost::system::errc::too_many_files_open_in_system) {
            // The client waits in the backlog until a connection closes.
            if (!toldOfLimit_.exchange(true) && shared_.log)
                shared_.log(
                    "vorlinda-site: out of open files; new connections wait for others to close");
            auto timer =
                std::make_shared<asio::steady_timer>(acceptor.get_executor(), kAcceptRetry);
            timer->async_wait([this, &acceptor, timer](error_code) { accept(acceptor); });
            return;
        }
        accept(acceptor);
    });
}

void SiteServer::stop(std::chrono::milliseconds grace)
{
    shared_.stopping = true;
    for (auto &acceptor : acceptors_) {
        asio::post(acceptor->get_executor(), [&a = *acceptor] {
            error_code ignored;
            a.close(ignored);
        });
    }
    for (const auto &connection : shared_.connections.open())
        connection->stop();
    shared_.connections.waitUntilEmpty(grace);
    context_.stop();
    for (std::thread &thread : threads_)
        thread.join();
    threads_.clear();
}

} // namespace vorlinda::site
