#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A connection to 127.0.0.1 in raw bytes, in plain sockets (so that a build
// of the site alone needs no Qt Network); every wait ends after 5 s.
class LoopbackClient
{
public:
    // `receiveBuffer`, when given, is set before connecting: a small one lets
    // a client that reads nothing stall the sender sooner.
    explicit LoopbackClient(std::uint16_t port, int receiveBuffer = 0);
    ~LoopbackClient();
    LoopbackClient(LoopbackClient &&other) noexcept;
    LoopbackClient &operator=(LoopbackClient &&) = delete;

    bool connected() const { return connected_; }
    int fd() const { return fd_; }
    bool send(std::string_view bytes) const;
    // Whether one of `events` comes within `ms`.
    bool wait(short events, int ms = 5000) const;
    // What the next read brings: "" at the close or after 5 s.
    std::string some() const;
    // Everything until the peer closes; "(still open)" is appended when 5 s
    // pass without a byte.
    std::string all() const;
    // One answer to the end of its Content-Length body, or what came before
    // the close or 5 s of nothing.
    std::string answer() const;

    // The size of the whole answer at the start of `in`, or 0 while it is
    // incomplete or carries no Content-Length.
    static std::size_t wholeAnswer(std::string_view in);
    static std::string statusLine(std::string_view answer);

private:
    int fd_ = -1;
    bool connected_ = false;
};
