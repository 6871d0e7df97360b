#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorlinda::lookup {

// A site's address as a user writes it: "http://host[:port]" or
// "https://host[:port]", nothing after it but an optional "/".
struct SiteAddress
{
    bool secure = false; // https: the exchange runs inside TLS
    std::string host;    // a name, an IPv4 address, or an IPv6 one without its brackets
    std::uint16_t port = 80;

    // The address, or nothing with the reason in `why`.
    static std::optional<SiteAddress> parse(std::string_view text, std::string *why = nullptr);

    // host, in brackets when IPv6, with ":port" unless it is the scheme's own.
    std::string authority() const;
    // "http://" or "https://" and the authority.
    std::string origin() const;

    friend bool operator==(const SiteAddress &, const SiteAddress &) = default;
};

} // namespace vorlinda::lookup
