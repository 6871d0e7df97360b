#include "lookup/client/SocketConnection.h"

#include "lookup/core/HttpError.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vorlinda::lookup {

namespace {

using std::chrono::milliseconds;

std::string systemError(int error)
{
    return std::strerror(error);
}

AntiFreeze::WaitEnd waitForSocket(int fd, QSocketNotifier::Type type, milliseconds limit,
                                  const SocketConnection::Wait &wait)
{
    QSocketNotifier notifier(fd, type);
    bool fired = false;
    QObject::connect(&notifier, &QSocketNotifier::activated, [&fired] { fired = true; });
    return wait([&fired] { return fired; }, limit);
}

milliseconds leftUntil(std::chrono::steady_clock::time_point deadline)
{
    return std::max(milliseconds::zero(),
                    std::chrono::ceil<milliseconds>(deadline - std::chrono::steady_clock::now()));
}

QList<QHostAddress> resolve(const std::string &host, std::chrono::steady_clock::time_point deadline,
                            const SocketConnection::Wait &wait)
{
    const QString name = QString::fromStdString(host);
    if (QHostAddress literal; literal.setAddress(name))
        return {literal};
    // Resolution runs on Qt's lookup thread; the window is serviced meanwhile.
    QObject context;
    std::optional<QHostInfo> answer;
    const int id =
        QHostInfo::lookupHost(name, &context, [&answer](const QHostInfo &info) { answer = info; });
    const auto end = wait([&answer] { return answer.has_value(); }, leftUntil(deadline));
    if (end != AntiFreeze::WaitEnd::Ready) {
        QHostInfo::abortHostLookup(id);
        if (end == AntiFreeze::WaitEnd::Stopped)
            throw HttpAborted();
        throw HttpConnectError("no connection to " + host + " within the connect limit");
    }
    if (answer->error() != QHostInfo::NoError || answer->addresses().isEmpty())
        throw HttpConnectError("cannot resolve " + host + ": " +
                               answer->errorString().toStdString());
    return answer->addresses();
}

// Fills `storage` with the socket address of `address`:`port`; returns its length.
socklen_t socketAddress(const QHostAddress &address, std::uint16_t port, sockaddr_storage &storage)
{
    std::memset(&storage, 0, sizeof storage);
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto &in6 = reinterpret_cast<sockaddr_in6 &>(storage);
        in6.sin6_family = AF_INET6;
        in6.sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&in6.sin6_addr, bytes.c, sizeof bytes.c);
        in6.sin6_scope_id = address.scopeId().toUInt();
        return sizeof in6;
    }
    auto &in4 = reinterpret_cast<sockaddr_in &>(storage);
    in4.sin_family = AF_INET;
    in4.sin_port = htons(port);
    in4.sin_addr.s_addr = htonl(address.toIPv4Address());
    return sizeof in4;
}

} // namespace

std::unique_ptr<SocketConnection> SocketConnection::open(const std::string &host,
                                                         std::uint16_t port,
                                                         milliseconds connectLimit,
                                                         milliseconds readTimeout, const Wait &wait)
{
    const auto deadline = std::chrono::steady_clock::now() + connectLimit;
    const QList<QHostAddress> addresses = resolve(host, deadline, wait);
    std::string lastError = "no address";
    for (const QHostAddress &address : addresses) {
        sockaddr_storage storage;
        const socklen_t length = socketAddress(address, port, storage);
        const int fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            lastError = systemError(errno);
            continue;
        }
        auto connection = std::make_unique<SocketConnection>(fd, readTimeout, wait);
        if (::connect(fd, reinterpret_cast<const sockaddr *>(&storage), length) != 0) {
            if (errno != EINPROGRESS) {
                lastError = systemError(errno);
                continue;
            }
            const auto end = waitForSocket(fd, QSocketNotifier::Write, leftUntil(deadline), wait);
            if (end == AntiFreeze::WaitEnd::Stopped)
                throw HttpAborted();
            if (end == AntiFreeze::WaitEnd::TimedOut)
                throw HttpConnectError("no connection to " + host + " within the connect limit");
            int error = 0;
            socklen_t size = sizeof error;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
            if (error != 0) {
                lastError = systemError(error);
                continue; // the next address, if any
            }
        }
        // The request goes out in one write; don't hold it back.
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        return connection;
    }
    throw HttpConnectError("cannot connect to " + host + ":" + std::to_string(port) + ": " +
                           lastError);
}

SocketConnection::SocketConnection(int fd, milliseconds readTimeout, Wait wait)
    : fd_(fd), readTimeout_(readTimeout), wait_(std::move(wait))
{}

SocketConnection::~SocketConnection()
{
    ::close(fd_);
}

void SocketConnection::send(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n >= 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            waitFor(Direction::Write);
        } else if (errno != EINTR) {
            throw HttpConnectionLost("sending failed: " + systemError(errno), true);
        }
    }
}

std::size_t SocketConnection::receive(char *buffer, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::recv(fd_, buffer, size, 0);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            waitFor(Direction::Read);
        else if (errno != EINTR)
            throw HttpConnectionLost("receiving failed: " + systemError(errno), false);
    }
}

std::optional<std::size_t> SocketConnection::receiveNow(char *buffer, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::recv(fd_, buffer, size, MSG_DONTWAIT);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return std::nullopt;
        if (errno != EINTR)
            throw HttpConnectionLost("receiving failed: " + systemError(errno), false);
    }
}

bool SocketConnection::unusable()
{
    char byte = 0;
    const ssize_t n = ::recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    // A close, a reset, or bytes nobody asked for.
    return n >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

void SocketConnection::waitFor(Direction direction)
{
    const auto type = direction == Direction::Read ? QSocketNotifier::Read : QSocketNotifier::Write;
    switch (waitForSocket(fd_, type, readTimeout_, wait_)) {
    case AntiFreeze::WaitEnd::Ready:
        return;
    case AntiFreeze::WaitEnd::Stopped:
        throw HttpAborted();
    case AntiFreeze::WaitEnd::TimedOut:
        break;
    }
    throw HttpTimeout("nothing from the site within " + std::to_string(readTimeout_.count()) +
                      " ms");
}

} // namespace vorlinda::lookup
