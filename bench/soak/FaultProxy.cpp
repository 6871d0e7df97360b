#include "bench/soak/FaultProxy.h"

#include "lookup/core/HttpError.h"
#include "lookup/core/ResponseReader.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <stdexcept>
#include <utility>

using namespace vorlinda::lookup;

namespace {

bool sendAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Acknowledges the site's bytes at once. The site writes a response's head
// and body apart without TCP_NODELAY, so on a kept-alive connection its body
// waits for our delayed acknowledgement (40 ms); the soak is about breaks,
// not about that wait.
void quickAck(int fd)
{
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
}

int connectToSite(std::uint16_t port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    quickAck(fd);
    return fd;
}

// Closes with a reset instead of the orderly close.
void resetAndClose(int fd)
{
    const linger abort{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    ::close(fd);
}

} // namespace

const char *FaultProxy::name(Fault fault)
{
    switch (fault) {
    case Fault::IdleClose:
        return "idle close";
    case Fault::CloseOnRequest:
        return "close on the next request";
    case Fault::Reset:
        return "reset mid-response";
    case Fault::Stall:
        return "stall";
    }
    return "?";
}

FaultProxy::FaultProxy(std::uint16_t sitePort, Rates rates, std::uint32_t seed)
    : rates_(rates), sitePort_(sitePort), random_(seed)
{
    if (::pipe2(wake_, O_CLOEXEC) != 0)
        throw std::runtime_error("no pipe for the proxy");
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        throw std::runtime_error("the proxy cannot listen on 127.0.0.1");
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

FaultProxy::~FaultProxy()
{
    stopping_ = true;
    ::close(wake_[1]); // every poll that watches the read end wakes up
    acceptor_.join();
    for (Worker &worker : workers_)
        worker.thread.join();
    ::close(listener_);
    ::close(wake_[0]);
}

std::vector<FaultProxy::Fault> FaultProxy::takeFaults()
{
    std::lock_guard lock(mutex_);
    return std::exchange(faults_, {});
}

std::string FaultProxy::lastBody()
{
    std::lock_guard lock(mutex_);
    return lastBody_;
}

std::map<FaultProxy::Fault, long> FaultProxy::totals()
{
    std::lock_guard lock(mutex_);
    return totals_;
}

void FaultProxy::record(Fault fault)
{
    std::lock_guard lock(mutex_);
    faults_.push_back(fault);
    ++totals_[fault];
}

double FaultProxy::chance()
{
    std::lock_guard lock(mutex_);
    return std::uniform_real_distribution<double>(0.0, 1.0)(random_);
}

std::size_t FaultProxy::cutPoint(std::size_t from, std::size_t to)
{
    std::lock_guard lock(mutex_);
    return std::uniform_int_distribution<std::size_t>(from, to)(random_);
}

void FaultProxy::acceptLoop()
{
    for (;;) {
        std::array<pollfd, 2> fds{{{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}}};
        ::poll(fds.data(), fds.size(), -1);
        if (stopping_)
            return;
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        ++connections_;
        // Finished connections give their threads back, so a long run holds
        // only the few that are open.
        std::erase_if(workers_, [](Worker &worker) {
            if (!*worker.done)
                return false;
            worker.thread.join();
            return true;
        });
        auto done = std::make_shared<std::atomic<bool>>(false);
        workers_.push_back({std::thread([this, client, done] {
                                serve(client);
                                *done = true;
                            }),
                            done});
    }
}

void FaultProxy::waitForClose(int client)
{
    std::array<char, 4096> buffer;
    for (;;) {
        std::array<pollfd, 2> fds{{{client, POLLIN, 0}, {wake_[0], POLLIN, 0}}};
        ::poll(fds.data(), fds.size(), -1);
        if (stopping_ || ::recv(client, buffer.data(), buffer.size(), 0) <= 0)
            return;
    }
}

void FaultProxy::serve(int client)
{
    const int site = connectToSite(sitePort_);
    bool closeOnRequest = false;
    std::string request;
    std::array<char, std::size_t{64} * 1024> buffer;
    while (site >= 0 && !stopping_) {
        // A request from the client, or the site closing its idle side.
        std::array<pollfd, 3> fds{{{client, POLLIN, 0}, {site, POLLIN, 0}, {wake_[0], POLLIN, 0}}};
        ::poll(fds.data(), fds.size(), -1);
        if (stopping_ || fds[1].revents != 0)
            break;
        if (closeOnRequest) {
            // As a server whose keep-alive ran out just as the request came:
            // sometimes read first (the client sees a close), sometimes not
            // (the unread request makes the close a reset). A client that
            // closes its side meets nothing.
            char first = 0;
            if (::recv(client, &first, 1, MSG_PEEK) <= 0)
                break;
            record(Fault::CloseOnRequest);
            if (chance() < 0.5)
                (void)::recv(client, buffer.data(), buffer.size(), 0);
            break;
        }
        const ssize_t n = ::recv(client, buffer.data(), buffer.size(), 0);
        if (n <= 0)
            break;
        request.append(buffer.data(), static_cast<std::size_t>(n));
        const auto end = request.find("\r\n\r\n");
        if (end == std::string::npos)
            continue;
        // The program's requests are GETs without a body.
        if (!sendAll(site, std::string_view(request).substr(0, end + 4)))
            break;
        request.erase(0, end + 4);

        ResponseReader reader;
        std::string response;
        try {
            while (!reader.complete()) {
                std::array<pollfd, 2> wait{{{site, POLLIN, 0}, {wake_[0], POLLIN, 0}}};
                if (::poll(wait.data(), wait.size(), 30000) <= 0 || stopping_)
                    throw HttpTimeout("the site did not answer");
                const ssize_t got = ::recv(site, buffer.data(), buffer.size(), 0);
                quickAck(site);
                if (got < 0)
                    throw HttpConnectionLost("the site reset", false);
                if (got == 0) {
                    reader.finish();
                } else {
                    const std::string_view bytes(buffer.data(), static_cast<std::size_t>(got));
                    response.append(bytes.substr(0, reader.feed(bytes)));
                }
            }
        } catch (const HttpError &) {
            break; // the site's own failure reaches the client as a close
        }

        const double roll = breaking_ ? chance() : 1.0;
        if (roll < rates_.reset && response.size() > 1) {
            record(Fault::Reset);
            (void)sendAll(client,
                          std::string_view(response).substr(0, cutPoint(1, response.size() - 1)));
            resetAndClose(client);
            client = -1;
            break;
        }
        if (roll < rates_.reset + rates_.stall) {
            record(Fault::Stall);
            (void)sendAll(client,
                          std::string_view(response).substr(0, cutPoint(0, response.size() - 1)));
            waitForClose(client);
            break;
        }
        {
            std::lock_guard lock(mutex_);
            lastBody_ = reader.takeBody();
        }
        if (!sendAll(client, response) || reader.endedByClose())
            break;
        if (roll < rates_.reset + rates_.stall + rates_.idleClose) {
            if (chance() < 0.5) {
                record(Fault::IdleClose);
                break;
            }
            closeOnRequest = true; // recorded when it happens, in the lookup it meets
        }
    }
    if (client >= 0)
        ::close(client);
    if (site >= 0)
        ::close(site);
}
