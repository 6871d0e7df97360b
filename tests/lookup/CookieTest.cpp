#include "CookieStore.h"
#include "HttpDate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::chrono;

struct Header
{
    bool version2; // Set-Cookie2 rather than Set-Cookie
    std::string value;
};

struct CookieRow
{
    const char *name;
    std::vector<Header> headers; // from responses to www.sozluk.test
    int secondsLater;            // until the next request
    std::string expected;        // the cookie line's pairs
};

const CookieRow rows[] = {
    {"noAttributes", {{false, "id=7"}}, 0, "id=7"},
    {"pathRoot", {{false, "id=7; path=/"}}, 0, "id=7"},
    {"pathEmpty", {{false, "id=7; Path="}}, 0, "id=7"},
    {"pathOfTheDocumentIsNotSent", {{false, "id=7; path=/index.php"}}, 0, ""},
    {"domainWithDot", {{false, "id=7; domain=.sozluk.test"}}, 0, "id=7"},
    {"domainIsTheHost", {{false, "id=7; Domain=WWW.Sozluk.Test"}}, 0, "id=7"},
    {"domainOfAnotherSite", {{false, "id=7; domain=other.test"}}, 0, ""},
    {"domainNotOnALabelBoundary", {{false, "id=7; domain=ozluk.test"}}, 0, ""},
    {"maxAgeNotYetPassed", {{false, "id=7; Max-Age=60"}}, 59, "id=7"},
    {"maxAgePassed", {{false, "id=7; Max-Age=60"}}, 60, ""},
    {"maxAgeZeroDeletes", {{false, "id=7"}, {false, "id=7; max-age=0"}}, 0, ""},
    {"expiresInThePast", {{false, "id=7; expires=Thu, 01 Jan 1970 00:00:00 GMT"}}, 0, ""},
    {"expiresNetscapeFormIsNotSplitAtItsComma",
     {{false, "id=7; expires=Wed, 09-Jun-2100 10:18:14 GMT"}},
     0,
     "id=7"},
    {"expiresPassesLater", {{false, "id=7; expires=Sun, 06 Nov 1994 08:50:37 GMT"}}, 61, ""},
    {"maxAgeOutranksExpires",
     {{false, "id=7; expires=Thu, 01 Jan 1970 00:00:00 GMT; Max-Age=60"}},
     0,
     "id=7"},
    {"secureIsNotSentOverPlainHttp", {{false, "id=7; secure"}}, 0, ""},
    {"emptyValueIsKeptButNotSent", {{false, "id="}, {false, "lang=tr"}}, 0, "lang=tr"},
    {"replacedByNameAndDomain", {{false, "id=7"}, {false, "id=8; path=/"}}, 0, "id=8"},
    {"sameNameOtherDomainIsAnotherCookie",
     {{false, "id=7"}, {false, "id=8; domain=.sozluk.test"}},
     0,
     "id=7; id=8"},
    {"twoInOneSetCookie", {{false, "a=1; path=/, b=2"}}, 0, "a=1; b=2"},
    {"setCookie2", {{true, "id=\"7\"; Version=\"1\"; Path=\"/\""}}, 0, "id=\"7\""},
    {"setCookie2Two", {{true, "a=1; Version=1, b=2; Version=1; Discard"}}, 0, "a=1; b=2"},
    {"setCookie2HasNoExpires",
     {{true, "id=7; Version=1; Expires=Thu, 01 Jan 1970 00:00:00 GMT"}},
     0,
     "id=7"},
    {"setCookie2MaxAge", {{true, "id=7; Version=1; Max-Age=\"10\""}}, 11, ""},
    {"setCookie2ForeignDomain", {{true, "id=7; Version=1; Domain=\".other.test\""}}, 0, ""},
};

class ExchangeCookieTest : public testing::TestWithParam<CookieRow>
{};

TEST_P(ExchangeCookieTest, GivesTheCookieLine)
{
    const CookieRow &row = GetParam();
    // 06 Nov 1994 08:49:37 GMT: a fixed "now" the Expires dates are set against.
    const system_clock::time_point now = sys_days{1994y / November / 6} + 8h + 49min + 37s;
    CookieStore store;
    for (const Header &h : row.headers) {
        if (h.version2)
            store.takeSetCookie2(h.value, "www.sozluk.test", now);
        else
            store.takeSetCookie(h.value, "www.sozluk.test", now);
    }
    EXPECT_EQ(store.cookiesFor("www.sozluk.test", "/", now + seconds(row.secondsLater)),
              row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, ExchangeCookieTest, testing::ValuesIn(rows),
                         [](const auto &rowInfo) { return std::string(rowInfo.param.name); });

TEST(ExchangeCookieStoreTest, CookieWithoutDomainTakesTheRequestHost)
{
    CookieStore store;
    store.takeSetCookie("id=7", "LocalHost", {});
    ASSERT_EQ(store.cookies().size(), 1u);
    EXPECT_EQ(store.cookies()[0].domain, "localhost");
    EXPECT_EQ(store.cookiesFor("other.test", "/", {}), "");
}

struct DateRow
{
    const char *name;
    const char *text;
    std::optional<system_clock::time_point> expected;
};

const system_clock::time_point nov6 = sys_days{1994y / November / 6} + 8h + 49min + 37s;

const DateRow dateRows[] = {
    {"rfc1123", "Sun, 06 Nov 1994 08:49:37 GMT", nov6},
    {"rfc850", "Sunday, 06-Nov-94 08:49:37 GMT", nov6},
    {"asctime", "Sun Nov  6 08:49:37 1994", nov6},
    {"netscape", "Sun, 06-Nov-1994 08:49:37 GMT", nov6},
    {"noSuchDay", "Sun, 31 Feb 1994 08:49:37 GMT", std::nullopt},
    {"words", "tomorrow", std::nullopt},
};

class ExchangeHttpDateTest : public testing::TestWithParam<DateRow>
{};

TEST_P(ExchangeHttpDateTest, Reads)
{
    EXPECT_EQ(parseHttpDate(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, ExchangeHttpDateTest, testing::ValuesIn(dateRows),
                         [](const auto &rowInfo) { return std::string(rowInfo.param.name); });

} // namespace
