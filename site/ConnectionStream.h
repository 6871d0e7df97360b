#pragma once

#include <httplib.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace vorlinda::site {

// One accepted connection as httplib reads and writes it, with one change:
// the request line is repaired before httplib sees it. The program writes
// its query unencoded, so "selectFrom=french " or a word with a blank puts
// spaces inside the request target, which httplib would refuse; those
// spaces are sent on as "%20".
class ConnectionStream : public httplib::Stream
{
public:
    ConnectionStream(int socket, std::chrono::milliseconds readTimeout,
                     std::chrono::milliseconds writeTimeout);

    // Waits for the first bytes of a request for at most `idle`, asking
    // `keepWaiting` every 100 ms; false on close, timeout or when told to stop.
    bool waitForRequest(std::chrono::milliseconds idle, const std::function<bool()> &keepWaiting);
    // The next bytes read start a request line.
    void beginRequest() { atRequestLine_ = true; }

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char *ptr, size_t size) override;
    ssize_t write(const char *ptr, size_t size) override;
    void get_remote_ip_and_port(std::string &ip, int &port) const override;
    void get_local_ip_and_port(std::string &ip, int &port) const override;
    socket_t socket() const override { return socket_; }

private:
    // Reads what the socket has, waiting up to the read timeout; false on
    // close, error or timeout.
    bool fill();
    void repairBufferedRequestLine();

    int socket_ = -1;
    std::chrono::milliseconds readTimeout_;
    std::chrono::milliseconds writeTimeout_;
    std::string buffer_;
    std::size_t position_ = 0;
    bool atRequestLine_ = false;
};

} // namespace vorlinda::site
