#include "server/SiteServer.h"

#include "server/SiteConnection.h"

#include <boost/asio/ip/v6_only.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>

#include <netdb.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace vorlinda::site {
namespace {

namespace asio = boost::asio;
using asio::ip::tcp;
using boost::system::error_code;

// Descriptors the site needs besides its connections: dictionaries,
// listening sockets, the event loop's own.
constexpr rlim_t kSpareDescriptors = 64;
// Out of descriptors, accepting waits this long before it tries again.
constexpr std::chrono::milliseconds kAcceptRetry{50};
constexpr int kAcceptBurst = 256;

std::string printable(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x21 || b >= 0x7F || c == '\\') {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

SiteServer::SiteServer(std::shared_ptr<const SiteResponder> responder, LogSink log,
                       SiteTimeouts timeouts)
    : responder_(std::move(responder)), log_(std::move(log)), timeouts_(timeouts)
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
            std::make_shared<SiteConnection>(std::move(socket), *this)->start();
            socket = tcp::socket(asio::make_strand(context_));
            acceptor.accept(socket, error); // the acceptor does not block
        }
        if (error == asio::error::no_descriptors ||
            error == boost::system::errc::too_many_files_open_in_system) {
            // The client waits in the backlog until a connection closes.
            if (!toldOfLimit_.exchange(true) && log_)
                log_("vorlinda-site: out of open files; new connections wait for others to close");
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
    stopping_ = true;
    for (auto &acceptor : acceptors_) {
        asio::post(acceptor->get_executor(), [&a = *acceptor] {
            error_code ignored;
            a.close(ignored);
        });
    }
    std::vector<std::shared_ptr<SiteConnection>> open;
    {
        std::lock_guard lock(mutex_);
        for (const auto &[key, connection] : connections_) {
            if (auto alive = connection.lock())
                open.push_back(std::move(alive));
        }
    }
    for (const auto &connection : open)
        connection->stop();
    open.clear();
    {
        std::unique_lock lock(mutex_);
        allClosed_.wait_for(lock, grace, [this] { return connections_.empty(); });
    }
    context_.stop();
    for (std::thread &thread : threads_)
        thread.join();
    threads_.clear();
}

void SiteServer::remember(const std::shared_ptr<SiteConnection> &connection)
{
    std::lock_guard lock(mutex_);
    connections_.emplace(connection.get(), connection);
}

void SiteServer::forget(const SiteConnection *connection)
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

std::string SiteServer::logLine(std::string_view remote, std::string_view method,
                                std::string_view target, int status, std::size_t bodySize)
{
    char stamp[32] = "-";
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    if (::gmtime_r(&now, &utc) != nullptr)
        std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    std::string line = stamp;
    line += ' ';
    line += remote.empty() ? "-" : remote;
    line += ' ';
    line += method.empty() ? "-" : printable(method);
    line += ' ';
    line += target.empty() ? "-" : printable(target);
    line += ' ';
    line += std::to_string(status);
    line += ' ';
    line += std::to_string(bodySize);
    return line;
}

std::string SiteServer::raiseDescriptorLimit(std::size_t connections)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return {};
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
    ::getrlimit(RLIMIT_NOFILE, &limit);
    const rlim_t needed = connections + kSpareDescriptors;
    if (limit.rlim_cur >= needed)
        return {};
    const rlim_t clients =
        limit.rlim_cur > kSpareDescriptors ? limit.rlim_cur - kSpareDescriptors : 0;
    return "the open-file limit is " + std::to_string(limit.rlim_cur) + ", so about " +
           std::to_string(clients) + " clients can be connected at once, fewer than the " +
           std::to_string(connections) + " the site is made for. Raise the hard limit: " +
           "LimitNOFILE=" + std::to_string(needed) + " in its systemd unit, or 'ulimit -Hn " +
           std::to_string(needed) + "' before starting it.";
}

std::string SiteServer::explainBindFailure(const std::string &address, int port)
{
    const std::string where = address + " port " + std::to_string(port);
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_PASSIVE;
    addrinfo *found = nullptr;
    if (::getaddrinfo(address.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return "cannot listen on " + where + ": \"" + address +
               "\" is not a numeric IPv4 or IPv6 address. Give one with --listen, "
               "for example --listen 127.0.0.1.";
    }
    int error = 0;
    const int probe = ::socket(found->ai_family, SOCK_STREAM, 0);
    if (probe < 0) {
        error = errno;
    } else {
        const int yes = 1;
        ::setsockopt(probe, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (found->ai_family == AF_INET6)
            ::setsockopt(probe, IPPROTO_IPV6, IPV6_V6ONLY, &yes, sizeof yes);
        const auto networkPort = htons(static_cast<std::uint16_t>(port));
        if (found->ai_family == AF_INET6)
            reinterpret_cast<sockaddr_in6 *>(found->ai_addr)->sin6_port = networkPort;
        else
            reinterpret_cast<sockaddr_in *>(found->ai_addr)->sin_port = networkPort;
        if (::bind(probe, found->ai_addr, found->ai_addrlen) != 0 || ::listen(probe, 1) != 0)
            error = errno;
        ::close(probe);
    }
    ::freeaddrinfo(found);

    const std::string prefix = "cannot listen on " + where + ": ";
    switch (error) {
    case EACCES:
    case EPERM:
        return prefix +
               "permission denied. Ports below 1024 need privileges: run vorlinda-site as "
               "root, or give it the right once with 'sudo setcap cap_net_bind_service=+ep "
               "<path of vorlinda-site>', or use a port of 1024 or above with --port (and "
               "build the program with VORLINDA_DICTIONARY_PORT set to it).";
    case EADDRINUSE:
        return prefix + "the port is already in use. Stop the program holding it (see 'ss -ltnp " +
               "sport = :" + std::to_string(port) + "') or choose another with --port.";
    case EADDRNOTAVAIL:
    case EAFNOSUPPORT:
        return prefix + "this machine has no such address" +
               (address.find(':') != std::string::npos ? " (is IPv6 turned off?)" : "") +
               ". Choose the addresses with --listen, for example --listen 127.0.0.1.";
    case 0:
        return prefix + "the bind failed but succeeded when tried again; try once more.";
    default:
        return prefix + std::strerror(error) + ".";
    }
}

} // namespace vorlinda::site
