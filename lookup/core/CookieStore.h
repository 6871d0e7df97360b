#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlinda::lookup {

struct Cookie
{
    std::string name;
    std::string value;
    std::string domain; // lower case, without a leading dot
    std::string path;   // empty when the server gave none
    std::optional<std::chrono::system_clock::time_point> expires; // none: kept for the run
    bool secure = false;
};

// The cookies the dictionary site sets, kept in memory for the run.
class CookieStore
{
public:
    using TimePoint = std::chrono::system_clock::time_point;

    // One "Set-Cookie" value (RFC 2109, with the Netscape Expires date) from a
    // response to a request for `host`.
    void takeSetCookie(std::string_view value, std::string_view host, TimePoint now);
    // One "Set-Cookie2" value (RFC 2965).
    void takeSetCookie2(std::string_view value, std::string_view host, TimePoint now);

    // Drops the expired cookies, then gives the "name=value; ..." pairs to send
    // with a request for `path` on `host`; empty when none applies. Cookies
    // marked secure go only over a `secure` (https) connection.
    std::string cookiesFor(std::string_view host, std::string_view path, TimePoint now,
                           bool secure = false);

    const std::vector<Cookie> &cookies() const { return cookies_; }

private:
    void take(std::string_view value, std::string_view host, TimePoint now, bool version2);
    void store(Cookie cookie);

    std::vector<Cookie> cookies_;
};

} // namespace vorlinda::lookup
