#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The request block the site has always been sent: a GET with four fixed
// header lines and, when a cookie applies, the cookie line. No other header.
namespace vorlinda::lookup::HttpRequest {

// "host" on the scheme's own port (80, or 443 when `secure`), "host:port"
// otherwise; an IPv6 address goes in brackets.
std::string hostField(std::string_view host, std::uint16_t port, bool secure = false);

// The whole request block, every line ended by CR LF. `cookies` is the
// "name=value; ..." text, or empty for no cookie line.
std::string get(std::string_view target, std::string_view hostField, std::string_view cookies);

// The directory part of a request target ("/index.php?x" gives "/"), which
// decides whether a cookie's path applies.
std::string_view path(std::string_view target);

} // namespace vorlinda::lookup::HttpRequest
