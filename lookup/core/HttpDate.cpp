#include "lookup/core/HttpDate.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace vorlinda::lookup {

namespace {

std::optional<int> number(std::string_view s)
{
    if (s.empty() || s.size() > 4)
        return std::nullopt;
    int n = 0;
    for (const char c : s) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

std::optional<unsigned> month(std::string_view s)
{
    static constexpr std::array<std::string_view, 12> kNames{
        "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
    if (s.size() < 3)
        return std::nullopt;
    for (unsigned i = 0; i < kNames.size(); ++i) {
        bool same = true;
        for (std::size_t k = 0; k < 3; ++k)
            same = same && std::tolower(static_cast<unsigned char>(s[k])) == kNames[i][k];
        if (same)
            return i + 1;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::chrono::system_clock::time_point> parseHttpDate(std::string_view text)
{
    // Split on blanks, commas and dashes; the day comes before the year in
    // every form, and the time is the one field with colons.
    std::optional<int> day, year, hour, minute, second;
    std::optional<unsigned> mon;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto separator = [](char c) { return c == ' ' || c == ',' || c == '-' || c == '\t'; };
        while (i < text.size() && separator(text[i]))
            ++i;
        std::size_t end = i;
        while (end < text.size() && !separator(text[end]))
            ++end;
        const std::string_view token = text.substr(i, end - i);
        i = end;
        if (token.empty())
            continue;
        if (token.find(':') != std::string_view::npos) {
            const auto c1 = token.find(':');
            const auto c2 = token.find(':', c1 + 1);
            if (c2 == std::string_view::npos)
                return std::nullopt;
            hour = number(token.substr(0, c1));
            minute = number(token.substr(c1 + 1, c2 - c1 - 1));
            second = number(token.substr(c2 + 1));
        } else if (const auto n = number(token)) {
            if (!day)
                day = n;
            else if (!year)
                year = token.size() == 2 ? (*n < 70 ? 2000 + *n : 1900 + *n) : *n;
        } else if (!mon) {
            mon = month(token); // also skips the weekday, which is no month
        }
    }
    if (!day || !year || !mon || !hour || !minute || !second || *hour > 23 || *minute > 59 ||
        *second > 60)
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year{*year}, std::chrono::month{*mon},
                                           std::chrono::day{static_cast<unsigned>(*day)}};
    if (!date.ok())
        return std::nullopt;
    const std::chrono::sys_seconds when = std::chrono::sys_days{date} + std::chrono::hours{*hour} +
                                          std::chrono::minutes{*minute} +
                                          std::chrono::seconds{*second};
    // The clock counts nanoseconds, which hold the years 1678 to 2261 only; a
    // date beyond them is as good as the clock's first or last second.
    using Clock = std::chrono::system_clock;
    constexpr auto kEarliest = std::chrono::ceil<std::chrono::seconds>(Clock::time_point::min());
    constexpr auto kLatest = std::chrono::floor<std::chrono::seconds>(Clock::time_point::max());
    return Clock::time_point(std::clamp(when, kEarliest, kLatest));
}

} // namespace vorlinda::lookup
