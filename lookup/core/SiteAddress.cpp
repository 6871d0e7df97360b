#include "lookup/core/SiteAddress.h"

#include "lookup/core/HttpRequest.h"

#include <algorithm>

namespace vorlinda::lookup {

namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if ((text[i] >= 'A' && text[i] <= 'Z' ? text[i] + ('a' - 'A') : text[i]) != prefix[i])
            return false;
    return true;
}

// The letters of an IPv6 address (hex digits, colons, and the dots of an
// IPv4 tail), with at least two colons; the connection tells the rest.
bool looksLikeIpv6(std::string_view text)
{
    const auto isByte = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') ||
               c == ':' || c == '.';
    };
    return text.size() <= 45 && std::ranges::all_of(text, isByte) &&
           std::ranges::count(text, ':') >= 2;
}

bool isNameByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.';
}

std::optional<SiteAddress> fail(std::string *why, std::string reason)
{
    if (why)
        *why = std::move(reason);
    return std::nullopt;
}

} // namespace

std::optional<SiteAddress> SiteAddress::parse(std::string_view text, std::string *why)
{
    SiteAddress address;
    if (startsWithNoCase(text, "https://")) {
        address.secure = true;
        address.port = 443;
        text.remove_prefix(8);
    } else if (startsWithNoCase(text, "http://")) {
        text.remove_prefix(7);
    } else {
        return fail(why, "it starts with neither http:// nor https://");
    }
    if (text.ends_with('/'))
        text.remove_suffix(1);
    if (text.find_first_of("/?#@") != std::string_view::npos)
        return fail(why, "only a host and a port may follow the scheme");

    std::string_view port;
    if (text.starts_with('[')) {
        const auto close = text.find(']');
        if (close == std::string_view::npos)
            return fail(why, "the IPv6 address has no closing bracket");
        address.host = text.substr(1, close - 1);
        if (!looksLikeIpv6(address.host))
            return fail(why, "\"" + address.host + "\" is not an IPv6 address");
        text.remove_prefix(close + 1);
        if (!text.empty() && !text.starts_with(':'))
            return fail(why, "only a port may follow the IPv6 address");
        port = text.empty() ? text : text.substr(1);
        if (!text.empty() && port.empty())
            return fail(why, "the port is empty");
    } else {
        const auto colon = text.find(':');
        address.host = text.substr(0, colon);
        if (colon != std::string_view::npos) {
            port = text.substr(colon + 1);
            if (port.empty())
                return fail(why, "the port is empty");
        }
        if (address.host.empty())
            return fail(why, "the host is empty");
        for (const char c : address.host)
            if (!isNameByte(c))
                return fail(why, "the host may hold only letters, digits, \"-\" and \".\"");
    }
    if (!port.empty()) {
        unsigned long value = 0;
        for (const char c : port) {
            if (c < '0' || c > '9' || value > 65535)
                return fail(why, "the port is not a number from 1 to 65535");
            value = value * 10 + static_cast<unsigned>(c - '0');
        }
        if (value < 1 || value > 65535)
            return fail(why, "the port is not a number from 1 to 65535");
        address.port = static_cast<std::uint16_t>(value);
    }
    return address;
}

std::string SiteAddress::authority() const
{
    return HttpRequest::hostField(host, port, secure);
}

std::string SiteAddress::origin() const
{
    return (secure ? "https://" : "http://") + authority();
}

} // namespace vorlinda::lookup
