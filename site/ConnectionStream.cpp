#include "ConnectionStream.h"

#include "RequestLine.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace vorlinda::site {
namespace {

// A request line longer than this is not repaired; httplib refuses it.
constexpr std::size_t kMaxRequestLine = 16384;
constexpr std::chrono::milliseconds kStopCheck{100};

bool waitFor(int socket, short events, std::chrono::milliseconds timeout)
{
    pollfd fd{socket, events, 0};
    for (;;) {
        const int rc = ::poll(&fd, 1, static_cast<int>(timeout.count()));
        if (rc < 0 && errno == EINTR)
            continue;
        return rc > 0;
    }
}

void addressOf(const sockaddr_storage &address, std::string &ip, int &port)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET6) {
        const auto &in6 = reinterpret_cast<const sockaddr_in6 &>(address);
        ::inet_ntop(AF_INET6, &in6.sin6_addr, text, sizeof text);
        port = ntohs(in6.sin6_port);
    } else {
        const auto &in4 = reinterpret_cast<const sockaddr_in &>(address);
        ::inet_ntop(AF_INET, &in4.sin_addr, text, sizeof text);
        port = ntohs(in4.sin_port);
    }
    ip = text;
}

} // namespace

ConnectionStream::ConnectionStream(int socket, std::chrono::milliseconds readTimeout,
                                   std::chrono::milliseconds writeTimeout)
    : socket_(socket), readTimeout_(readTimeout), writeTimeout_(writeTimeout)
{}

bool ConnectionStream::waitForRequest(std::chrono::milliseconds idle,
                                      const std::function<bool()> &keepWaiting)
{
    if (position_ < buffer_.size())
        return true;
    auto left = idle;
    while (left.count() > 0) {
        if (!keepWaiting())
            return false;
        const auto slice = std::min(left, kStopCheck);
        if (waitFor(socket_, POLLIN, slice))
            return fill();
        left -= slice;
    }
    return false;
}

bool ConnectionStream::fill()
{
    if (position_ == buffer_.size()) {
        buffer_.clear();
        position_ = 0;
    }
    if (!waitFor(socket_, POLLIN, readTimeout_))
        return false;
    char chunk[8192];
    for (;;) {
        const ssize_t n = ::recv(socket_, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        buffer_.append(chunk, static_cast<std::size_t>(n));
        return true;
    }
}

void ConnectionStream::repairBufferedRequestLine()
{
    std::size_t end = buffer_.find('\n', position_);
    while (end == std::string::npos && buffer_.size() - position_ < kMaxRequestLine && fill())
        end = buffer_.find('\n', position_);
    if (end == std::string::npos)
        return; // cut short or far too long: httplib answers it as it is
    const std::string line =
        repairRequestLine(std::string_view(buffer_).substr(position_, end + 1 - position_));
    buffer_.replace(position_, end + 1 - position_, line);
}

bool ConnectionStream::is_readable() const
{
    return position_ < buffer_.size() || waitFor(socket_, POLLIN, readTimeout_);
}

bool ConnectionStream::is_writable() const
{
    return waitFor(socket_, POLLOUT, writeTimeout_);
}

ssize_t ConnectionStream::read(char *ptr, size_t size)
{
    if (atRequestLine_) {
        atRequestLine_ = false;
        repairBufferedRequestLine();
    }
    if (position_ == buffer_.size() && !fill())
        return 0; // closed, failed or timed out: the request ends here
    const std::size_t n = std::min(size, buffer_.size() - position_);
    std::memcpy(ptr, buffer_.data() + position_, n);
    position_ += n;
    return static_cast<ssize_t>(n);
}

ssize_t ConnectionStream::write(const char *ptr, size_t size)
{
    std::size_t sent = 0;
    while (sent < size) {
        if (!is_writable())
            return -1;
        const ssize_t n = ::send(socket_, ptr + sent, size - sent, MSG_NOSIGNAL);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return -1;
        sent += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(sent);
}

void ConnectionStream::get_remote_ip_and_port(std::string &ip, int &port) const
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(socket_, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        addressOf(address, ip, port);
}

void ConnectionStream::get_local_ip_and_port(std::string &ip, int &port) const
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(socket_, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        addressOf(address, ip, port);
}

} // namespace vorlinda::site
