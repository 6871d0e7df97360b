#pragma once

#include <cstddef>
#include <string_view>

namespace vorlinda::lookup {

// One open byte stream to the site. The socket version lives with the Qt
// client; tests put an in-memory one in its place.
class Connection
{
public:
    virtual ~Connection() = default;

    // Writes all of `bytes`. Throws HttpConnectionLost on a close or reset.
    virtual void send(std::string_view bytes) = 0;
    // Waits for at least one byte and returns how many were put into
    // `buffer`; 0 means the server closed the connection. Throws
    // HttpConnectionLost on a reset and HttpTimeout when nothing arrives
    // within the read time-out.
    virtual std::size_t receive(char *buffer, std::size_t size) = 0;
    // A quick look before reuse: has the server closed or reset the idle
    // connection, or sent bytes nobody asked for?
    virtual bool unusable() = 0;
};

} // namespace vorlinda::lookup
