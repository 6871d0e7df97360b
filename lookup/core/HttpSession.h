#pragma once

#include "lookup/core/Connection.h"
#include "lookup/core/CookieStore.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vorlinda::lookup {

// The exchange with the dictionary site over whatever connection it is
// given: at most one connection kept open across lookups, the cookie store,
// the request bytes, the reading and the classification of the response.
class HttpSession
{
public:
    using Connector = std::function<std::unique_ptr<Connection>()>;
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // `secure`: the connections run inside TLS (https), which decides the
    // Host line's default port and whether secure cookies go.
    HttpSession(std::string host, std::uint16_t port, bool secure = false,
                Clock clock = std::chrono::system_clock::now);

    // One GET of `target`; the body exactly as received. `connect` opens a
    // new connection when none can be reused. Throws HttpError.
    std::string get(std::string_view target, const Connector &connect);

    bool connected() const { return connection_ != nullptr; }
    void disconnect() { connection_.reset(); }
    const CookieStore &cookies() const { return cookies_; }

private:
    std::string exchange(const std::string &request);

    std::string host_;
    std::string hostField_;
    bool secure_;
    Clock clock_;
    CookieStore cookies_;
    std::unique_ptr<Connection> connection_;
};

} // namespace vorlinda::lookup
