#include "lookup/core/CookieStore.h"

#include "lookup/core/HttpDate.h"
#include "lookup/core/TextRules.h"

#include <algorithm>

namespace vorlinda::lookup {

namespace {

using TextRules::lowerAscii;
using TextRules::trimBlanks;

std::string_view unquote(std::string_view s)
{
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        return s.substr(1, s.size() - 2);
    return s;
}

// Splits a header value into its cookies. A comma separates two cookies only
// when a "name=" follows it, so the comma of an Expires date stays inside.
std::vector<std::string_view> splitCookies(std::string_view value)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '"')
            quoted = !quoted;
        if (value[i] != ',' || quoted)
            continue;
        const std::string_view next = value.substr(i + 1, value.find_first_of(";,", i + 1) - i - 1);
        if (next.find('=') == std::string_view::npos)
            continue;
        parts.push_back(value.substr(start, i - start));
        start = i + 1;
    }
    parts.push_back(value.substr(start));
    return parts;
}

// "a.example.com" lies in "example.com" and in "a.example.com", never in "ample.com".
bool domainMatches(std::string_view host, std::string_view domain)
{
    if (host == domain)
        return true;
    return host.size() > domain.size() && host.ends_with(domain) &&
           host[host.size() - domain.size() - 1] == '.';
}

// Twelve digits of seconds would overflow the clock's nanoseconds; a cookie
// kept for a hundred years is kept for the run all the same.
constexpr long long kLongestAge = 100LL * 366 * 24 * 3600;

std::optional<long long> seconds(std::string_view s)
{
    const bool negative = !s.empty() && s.front() == '-';
    if (negative)
        s.remove_prefix(1);
    if (s.empty() || s.size() > 12 ||
        !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    long long n = 0;
    for (const char c : s)
        n = n * 10 + (c - '0');
    return negative ? -n : n;
}

} // namespace

void CookieStore::takeSetCookie(std::string_view value, std::string_view host, TimePoint now)
{
    take(value, host, now, false);
}

void CookieStore::takeSetCookie2(std::string_view value, std::string_view host, TimePoint now)
{
    take(value, host, now, true);
}

void CookieStore::take(std::string_view value, std::string_view host, TimePoint now, bool version2)
{
    const std::string requestHost = lowerAscii(host);
    for (const std::string_view text : splitCookies(value)) {
        Cookie cookie;
        std::optional<TimePoint> maxAgeExpiry;
        bool first = true;
        std::size_t pos = 0;
        while (pos <= text.size()) {
            const auto semicolon = std::min(text.find(';', pos), text.size());
            const std::string_view item = trimBlanks(text.substr(pos, semicolon - pos));
            pos = semicolon + 1;
            const auto eq = item.find('=');
            const std::string_view key = trimBlanks(item.substr(0, eq));
            const std::string_view val =
                eq == std::string_view::npos ? std::string_view{} : trimBlanks(item.substr(eq + 1));
            if (first) {
                first = false;
                cookie.name = key;
                cookie.value = val;
                continue;
            }
            const std::string attribute = lowerAscii(key);
            if (attribute == "domain") {
                std::string_view domain = unquote(val);
                if (domain.starts_with('.'))
                    domain.remove_prefix(1);
                cookie.domain = lowerAscii(domain);
            } else if (attribute == "path") {
                cookie.path = unquote(val);
            } else if (attribute == "max-age") {
                if (const auto age = seconds(unquote(val)))
                    maxAgeExpiry = now + std::chrono::seconds(std::clamp(*age, 0LL, kLongestAge));
            } else if (attribute == "expires" && !version2) {
                if (const auto date = parseHttpDate(unquote(val)))
                    cookie.expires = date;
            } else if (attribute == "secure") {
                cookie.secure = true;
            }
        }
        if (maxAgeExpiry) // Max-Age outranks Expires
            cookie.expires = maxAgeExpiry;
        if (cookie.name.empty() || cookie.name.starts_with('$'))
            continue;
        if (cookie.domain.empty())
            cookie.domain = requestHost;
        else if (!domainMatches(requestHost, cookie.domain))
            continue; // a cookie for some other site
        store(std::move(cookie));
    }
}

void CookieStore::store(Cookie cookie)
{
    const auto same = std::find_if(cookies_.begin(), cookies_.end(), [&](const Cookie &c) {
        return c.name == cookie.name && c.domain == cookie.domain;
    });
    if (same != cookies_.end())
        *same = std::move(cookie);
    else
        cookies_.push_back(std::move(cookie));
}

std::string CookieStore::cookiesFor(std::string_view host, std::string_view path, TimePoint now,
                                    bool secure)
{
    std::erase_if(cookies_, [&](const Cookie &c) { return c.expires && *c.expires <= now; });
    const std::string requestHost = lowerAscii(host);
    std::string pairs;
    for (const Cookie &c : cookies_) {
        if (requestHost.find(c.domain) == std::string::npos || (c.secure && !secure) ||
            c.value.empty() || !(c.path.empty() || path.starts_with(c.path)))
            continue;
        if (!pairs.empty())
            pairs += "; ";
        pairs += c.name;
        pairs += '=';
        pairs += c.value;
    }
    return pairs;
}

} // namespace vorlinda::lookup
