#include "lookup/core/CookieStore.h"
#include "lookup/core/DictionaryQuery.h"
#include "lookup/core/HttpRequest.h"
#include "tests/support/RowName.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

using namespace vorlinda::lookup;

namespace {

using namespace std::chrono;

TEST(ExchangeRequestTest, TargetEncodesTheWordByteByByte)
{
    EXPECT_EQ(DictionaryQuery::requestTarget(0, 0, "hello"),
              "/index.php?selectFrom=english&selectTo=turkish&txtLang=hello&submitButton=Search");
    // French's code keeps its space; the Turkish letter is one Windows-1254 byte.
    EXPECT_EQ(
        DictionaryQuery::requestTarget(3, 17, std::string("AZaz09-._~ &#ku\xFE+/%=?\\\r\n\0", 25)),
        "/index.php?selectFrom=french%20&selectTo=swahili&txtLang=AZaz09-._~%20%26%23ku%FE"
        "%2B%2F%25%3D%3F%5C%0D%0A%00&submitButton=Search");
}

struct CookieRow
{
    const char *name;
    std::string headers; // Set-Cookie values, "\n" between; "2:" marks a Set-Cookie2 one
    int secondsLater;    // until the request
    std::string pairs;   // of its Cookie line
    bool https = false;  // the request goes over TLS
};

const CookieRow cookieRows[] = {
    {"pathRoot", "id=7; path=/", 0, "id=7"},
    {"pathOfTheDocumentIsNotSent", "id=7; path=/index.php", 0, ""},
    {"domainWithDot", "id=7; domain=.sozluk.test", 0, "id=7"},
    {"domainOfAnotherSite", "id=7; domain=other.test", 0, ""},
    {"domainNotOnALabelBoundary", "id=7; domain=ozluk.test", 0, ""},
    {"maxAgeNotYetPassed", "id=7; Max-Age=60", 59, "id=7"},
    {"maxAgePassed", "id=7; Max-Age=60", 60, ""},
    {"maxAgeZeroDeletes", "id=7\nid=7; max-age=0", 0, ""},
    {"expiresPassesLater", "id=7; expires=Sun, 06 Nov 1994 08:50:37 GMT", 60, ""},
    {"expiresCommaSplitsNothing", "id=7; expires=Wed, 09-Jun-2100 10:18:14 GMT", 0, "id=7"},
    {"expiresBeforeTheClocksYears", "id=7; expires=Sun, 05 Nov 0994 08:50:37 GMT", 0, ""},
    {"expiresAfterTheClocksYears", "id=7; expires=Fri, 31 Dec 9999 23:59:59 GMT", 0, "id=7"},
    {"maxAgePastTheClocksYears", "id=7; Max-Age=9223372037", 0, "id=7"},
    {"maxAgeOutranksExpires", "id=7; expires=Thu, 01 Jan 1970 00:00:00 GMT; Max-Age=9", 0, "id=7"},
    {"secureIsNotSentOverHttp", "id=7; secure", 0, ""},
    {"secureIsSentOverHttps", "id=7; secure", 0, "id=7", true},
    {"replacedByNameAndDomain", "id=7\nid=8; path=/", 0, "id=8"},
    {"twoInOneHeader", "a=1; path=/, b=2", 0, "a=1; b=2"},
    {"setCookie2", "2:id=\"7\"; Version=\"1\"; Path=\"/\"", 0, "id=\"7\""},
};

using ExchangeCookieRow = testing::TestWithParam<CookieRow>;

TEST_P(ExchangeCookieRow, GivesTheCookieLine)
{
    const CookieRow &row = GetParam();
    const system_clock::time_point now = sys_days{1994y / November / 6} + 8h + 49min + 37s;
    CookieStore store;
    std::istringstream headers(row.headers);
    for (std::string value; std::getline(headers, value);)
        value.starts_with("2:") ? store.takeSetCookie2(value.substr(2), "www.sozluk.test", now)
                                : store.takeSetCookie(value, "www.sozluk.test", now);
    EXPECT_EQ(store.cookiesFor("www.sozluk.test", HttpRequest::path("/index.php?w=/x/"),
                               now + seconds(row.secondsLater), row.https),
              row.pairs);
}

INSTANTIATE_TEST_SUITE_P(Rows, ExchangeCookieRow, testing::ValuesIn(cookieRows), rowName);

} // namespace
