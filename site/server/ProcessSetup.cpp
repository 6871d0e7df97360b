#include "server/ProcessSetup.h"

#include <netdb.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>

namespace vorlinda::site::ProcessSetup {
namespace {

// Descriptors the site needs besides its connections: dictionaries,
// listening sockets, the event loop's own.
constexpr rlim_t kSpareDescriptors = 64;

} // namespace

std::string explainBindFailure(const std::string &address, int port)
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
               "start the program with --site http://localhost:PORT).";
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

std::string raiseDescriptorLimit(std::size_t connections)
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

sigset_t blockStopSignals()
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return stopSignals;
}

} // namespace vorlinda::site::ProcessSetup
