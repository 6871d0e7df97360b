#include "tests/support/LoopbackClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <utility>

namespace {

sockaddr_in loopback(std::uint16_t port)
{
    return {AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
}

} // namespace

LoopbackClient::LoopbackClient(std::uint16_t port, int receiveBuffer)
    : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    if (receiveBuffer > 0)
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    const sockaddr_in to = loopback(port);
    connected_ = ::connect(fd_, reinterpret_cast<const sockaddr *>(&to), sizeof to) == 0;
}

LoopbackClient::~LoopbackClient()
{
    if (fd_ >= 0)
        ::close(fd_);
}

LoopbackClient::LoopbackClient(LoopbackClient &&other) noexcept
    : fd_(std::exchange(other.fd_, -1)), connected_(other.connected_)
{}

bool LoopbackClient::send(std::string_view bytes) const
{
    return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
}

bool LoopbackClient::wait(short events, int ms) const
{
    pollfd p{fd_, events, 0};
    return ::poll(&p, 1, ms) > 0;
}

std::string LoopbackClient::some() const
{
    char chunk[65536];
    const ssize_t n = wait(POLLIN) ? ::recv(fd_, chunk, sizeof chunk, 0) : 0;
    return std::string(chunk, std::size_t(std::max<ssize_t>(n, 0)));
}

std::string LoopbackClient::all() const
{
    std::string got;
    while (wait(POLLIN)) {
        const std::string more = some();
        if (more.empty())
            return got;
        got += more;
    }
    return got + "(still open)";
}

std::string LoopbackClient::answer() const
{
    std::string got;
    for (std::string more; wholeAnswer(got) == 0 && !(more = some()).empty();)
        got += more;
    return got;
}

std::size_t LoopbackClient::wholeAnswer(std::string_view in)
{
    const std::size_t end = in.find("\r\n\r\n"), at = in.find("Content-Length: ");
    if (end == std::string_view::npos || at > end)
        return 0;
    const std::size_t size =
        end + 4 + std::strtoul(std::string(in.substr(at + 16, 12)).c_str(), nullptr, 10);
    return in.size() >= size ? size : 0;
}

std::string LoopbackClient::statusLine(std::string_view answer)
{
    return std::string(answer.substr(0, answer.find("\r\n")));
}
