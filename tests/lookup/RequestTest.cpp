#include "DictionaryQuery.h"
#include "HttpRequest.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

struct QueryRow
{
    const char *name;
    int source;
    int target;
    std::string word;
    std::string expected;
};

const QueryRow queryRows[] = {
    {"hello", 0, 0, "hello",
     "/index.php?selectFrom=english&selectTo=turkish&txtLang=hello&submitButton=Search"},
    {"swappedFirstPositions", 1, 1, "hello",
     "/index.php?selectFrom=turkish&selectTo=english&txtLang=hello&submitButton=Search"},
    {"frenchKeepsItsSpace", 3, 0, "hello",
     "/index.php?selectFrom=french%20&selectTo=turkish&txtLang=hello&submitButton=Search"},
    {"lastPosition", 17, 17, "x",
     "/index.php?selectFrom=swahili&selectTo=swahili&txtLang=x&submitButton=Search"},
    {"space", 0, 0, "good day",
     "/index.php?selectFrom=english&selectTo=turkish&txtLang=good%20day&submitButton=Search"},
    {"ampersand", 0, 0, "rock&roll",
     "/index.php?selectFrom=english&selectTo=turkish&txtLang=rock%26roll&submitButton=Search"},
    {"hashDoesNotCut", 0, 0, "c#",
     "/index.php?selectFrom=english&selectTo=turkish&txtLang=c%23&submitButton=Search"},
    {"backslash", 0, 0, "a\\b",
     "/index.php?selectFrom=english&selectTo=turkish&txtLang=a%5Cb&submitButton=Search"},
    {"turkishLetterIsOneByte", 0, 0, "ku\xFE",
     "/index.php?selectFrom=english&selectTo=turkish&txtLang=ku%FE&submitButton=Search"},
    {"emptyWord", 0, 0, "",
     "/index.php?selectFrom=english&selectTo=turkish&txtLang=&submitButton=Search"},
    {"unreservedStayAsTheyAre", 0, 0, "AZaz09-._~",
     "/index.php?selectFrom=english&selectTo=turkish&txtLang=AZaz09-._~&submitButton=Search"},
    {"reservedAndControlBytes", 0, 0, std::string("+/%=?\r\n\0", 8),
     "/index.php?selectFrom=english&selectTo=turkish&txtLang=%2B%2F%25%3D%3F%0D%0A%00"
     "&submitButton=Search"},
};

class ExchangeQueryTest : public testing::TestWithParam<QueryRow>
{};

TEST_P(ExchangeQueryTest, BuildsTheTarget)
{
    const QueryRow &row = GetParam();
    EXPECT_EQ(DictionaryQuery::requestTarget(row.source, row.target, row.word), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, ExchangeQueryTest, testing::ValuesIn(queryRows),
                         [](const auto &rowInfo) { return std::string(rowInfo.param.name); });

TEST(ExchangeQueryTest, PositionOutsideTheTableIsRefused)
{
    EXPECT_THROW(DictionaryQuery::requestTarget(18, 0, "x"), std::out_of_range);
    EXPECT_THROW(DictionaryQuery::requestTarget(0, -1, "x"), std::out_of_range);
}

TEST(ExchangeRequestBytesTest, FirstLookupHasNoCookieLine)
{
    const std::string target = DictionaryQuery::requestTarget(0, 0, "hello");
    EXPECT_EQ(HttpRequest::get(target, HttpRequest::hostField("localhost", 80), ""),
              "GET /index.php?selectFrom=english&selectTo=turkish&txtLang=hello&submitButton=Search"
              " HTTP/1.1\r\n"
              "Content-Type: text/html\r\n"
              "Host: localhost\r\n"
              "Accept: text/html, */*\r\n"
              "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
              "\r\n");
}

TEST(ExchangeRequestBytesTest, CookieLineComesLastAndPortShowsWhenNot80)
{
    EXPECT_EQ(HttpRequest::get("/index.php?a=b", HttpRequest::hostField("127.0.0.1", 8080),
                               "id=7; lang=tr"),
              "GET /index.php?a=b HTTP/1.1\r\n"
              "Content-Type: text/html\r\n"
              "Host: 127.0.0.1:8080\r\n"
              "Accept: text/html, */*\r\n"
              "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
              "Cookie: id=7; lang=tr\r\n"
              "\r\n");
}

TEST(ExchangeRequestBytesTest, PathIsTheDirectoryOfTheTarget)
{
    EXPECT_EQ(HttpRequest::path("/index.php?a=/b/c"), "/");
    EXPECT_EQ(HttpRequest::path("/dir/page?x"), "/dir/");
    EXPECT_EQ(HttpRequest::path("/"), "/");
}

} // namespace
