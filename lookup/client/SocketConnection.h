#pragma once

#include "lookup/client/AntiFreeze.h"
#include "lookup/core/Connection.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vorlinda::lookup {

// A TCP connection over a plain non-blocking socket. Every wait (name
// resolution, connecting, sending, reading) goes through the given wait
// function, which services the window meanwhile.
class SocketConnection final : public Connection
{
public:
    using Wait = std::function<AntiFreeze::WaitEnd(const std::function<bool()> &ready,
                                                   std::chrono::milliseconds limit)>;

    // Resolves `host` and tries its addresses in turn until one accepts, all
    // within `connectLimit`. Throws HttpConnectError or HttpAborted.
    static std::unique_ptr<SocketConnection> open(const std::string &host, std::uint16_t port,
                                                  std::chrono::milliseconds connectLimit,
                                                  std::chrono::milliseconds readTimeout,
                                                  const Wait &wait);

    SocketConnection(int fd, std::chrono::milliseconds readTimeout, Wait wait);
    ~SocketConnection() override;
    SocketConnection(const SocketConnection &) = delete;
    SocketConnection &operator=(const SocketConnection &) = delete;

    void send(std::string_view bytes) override;
    std::size_t receive(char *buffer, std::size_t size) override;
    bool unusable() override;
    // What has arrived, without waiting: nothing when no byte is there, 0
    // when the server has closed. Throws HttpConnectionLost on a reset.
    std::optional<std::size_t> receiveNow(char *buffer, std::size_t size);

private:
    enum class Direction
    {
        Read,
        Write
    };
    // Waits until the socket is ready; throws HttpTimeout or HttpAborted.
    void waitFor(Direction direction);

    int fd_ = -1;
    std::chrono::milliseconds readTimeout_;
    Wait wait_;
};

} // namespace vorlinda::lookup
