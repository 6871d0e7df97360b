// Set-Cookie lines ("2:" before a Set-Cookie2 value), one per line, then the
// Cookie line for the path on the last line, now and a year on.
#include "lookup/core/CookieStore.h"
#include "lookup/core/TextRules.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstdint>
#include <set>
#include <string>

using namespace vorlinda::lookup;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char *>(data), size);
    const auto now = CookieStore::TimePoint{std::chrono::hours(24 * 20000)};
    CookieStore store;
    std::string_view path = "/";
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (text.empty())
            path = line;
        else if (line.starts_with("2:"))
            store.takeSetCookie2(line.substr(2), "www.Sozluk.test", now);
        else
            store.takeSetCookie(line, "www.Sozluk.test", now);
    }
    std::set<std::pair<std::string, std::string>> seen;
    for (const Cookie &c : store.cookies()) {
        FUZZ_CHECK(!c.name.empty() && c.name[0] != '$');
        FUZZ_CHECK(c.domain == TextRules::lowerAscii(c.domain) && !c.domain.starts_with('.'));
        FUZZ_CHECK(seen.insert({c.name, c.domain}).second);
    }
    const std::string line = store.cookiesFor("www.sozluk.test", path, now);
    FUZZ_CHECK(line.empty() || line.find('=') != std::string::npos);
    const auto later = now + std::chrono::hours(24 * 366);
    store.cookiesFor("www.sozluk.test", path, later);
    for (const Cookie &c : store.cookies())
        FUZZ_CHECK(!c.expires || *c.expires > later);
    return 0;
}
