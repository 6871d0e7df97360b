#include "HttpError.h"
#include "HttpSession.h"
#include "ScriptedSite.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using End = ScriptedSite::End;

const std::string ok = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";

std::string request(const std::string &cookie = "")
{
    return "GET /index.php?w=1 HTTP/1.1\r\n"
           "Content-Type: text/html\r\n"
           "Host: www.sozluk.test\r\n"
           "Accept: text/html, */*\r\n"
           "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n" +
           (cookie.empty() ? "" : "Cookie: " + cookie + "\r\n") + "\r\n";
}

class ExchangeSessionTest : public testing::Test
{
protected:
    std::string get() { return session.get("/index.php?w=1", site.connector()); }

    ScriptedSite site;
    HttpSession session{"www.sozluk.test", 80};
};

struct CloseRow
{
    const char *name;
    std::string field;
    bool reconnects;
};

class ExchangeCloseTest : public ExchangeSessionTest, public testing::WithParamInterface<CloseRow>
{};

TEST_P(ExchangeCloseTest, ReconnectsOnlyWhenAskedToClose)
{
    const std::string first =
        "HTTP/1.1 200 OK\r\n" + GetParam().field + "\r\nContent-Length: 2\r\n\r\nok";
    site.scripts = {{{{first}, {ok}}}, {{{ok}}}};
    EXPECT_EQ(get(), "ok");
    EXPECT_EQ(get(), "ok");
    EXPECT_EQ(site.sent.size(), GetParam().reconnects ? 2u : 1u);
}

const CloseRow closeRows[] = {
    {"close", "Connection: close", true},
    {"closeTrimmedAnyCase", "connection:   CLOSE  ", true},
    {"proxyClose", "Proxy-Connection: close", true},
    {"keepAlive", "Connection: keep-alive", false},
    {"closeAmongOthers", "Connection: close, foo", false},
};

INSTANTIATE_TEST_SUITE_P(Rows, ExchangeCloseTest, testing::ValuesIn(closeRows),
                         [](const auto &rowInfo) { return std::string(rowInfo.param.name); });

TEST_F(ExchangeSessionTest, BodyEndedByCloseMeansANewConnection)
{
    site.scripts = {{{{"HTTP/1.1 200 OK\r\n\r\nall", End::Close}}}, {{{ok}}}};
    EXPECT_EQ(get(), "all");
    EXPECT_EQ(get(), "ok");
    EXPECT_EQ(site.sent.size(), 2u);
}

TEST_F(ExchangeSessionTest, IdleConnectionSeenClosedIsNotReused)
{
    site.scripts = {{{{ok}}, true}, {{{ok}}}};
    EXPECT_EQ(get(), "ok");
    EXPECT_EQ(get(), "ok");
    EXPECT_EQ(site.sent[1], request());
}

TEST_F(ExchangeSessionTest, ReusedConnectionClosedBeforeTheReplyIsRetriedOnce)
{
    // The second request meets a connection the server had closed unseen.
    site.scripts = {{{{ok}}}, {{{ok}}}};
    EXPECT_EQ(get(), "ok");
    EXPECT_EQ(get(), "ok");
    ASSERT_EQ(site.sent.size(), 2u);
    EXPECT_EQ(site.sent[0], request() + request());
    EXPECT_EQ(site.sent[1], request());
}

TEST_F(ExchangeSessionTest, RetryIsNotRetriedAgain)
{
    site.scripts = {{{{ok}, {"", End::Close}}}, {{{"", End::Close}}}, {{{ok}}}};
    EXPECT_EQ(get(), "ok");
    EXPECT_THROW(get(), HttpConnectionLost);
    EXPECT_EQ(site.sent.size(), 2u);
}

TEST_F(ExchangeSessionTest, FreshConnectionClosedBeforeTheReplyFails)
{
    site.scripts = {{{{"", End::Close}}}, {{{ok}}}};
    EXPECT_THROW(get(), HttpConnectionLost);
    EXPECT_EQ(site.sent.size(), 1u);
}

TEST_F(ExchangeSessionTest, ReusedConnectionLostMidReplyIsNotRetried)
{
    site.scripts = {{{{ok}, {"HTTP/1.1 200 OK\r\n", End::Reset}}}, {{{ok}}}};
    EXPECT_EQ(get(), "ok");
    EXPECT_THROW(get(), HttpConnectionLost);
    EXPECT_EQ(get(), "ok"); // and the next lookup starts afresh
    EXPECT_EQ(site.sent.size(), 2u);
}

TEST_F(ExchangeSessionTest, TimeoutIsNotRetried)
{
    site.scripts = {{{{ok}, {""}}}, {{{ok}}}};
    EXPECT_EQ(get(), "ok");
    EXPECT_THROW(get(), HttpTimeout);
    EXPECT_EQ(site.sent.size(), 1u);
}

TEST_F(ExchangeSessionTest, FailedStatusKeepsTheConnectionAndItsCookies)
{
    site.scripts = {
        {{{"HTTP/1.1 404 Not Found\r\nSet-Cookie: id=7\r\nContent-Length: 4\r\n\r\nnope"}, {ok}}}};
    EXPECT_THROW(get(), HttpStatusError);
    EXPECT_EQ(get(), "ok");
    ASSERT_EQ(site.sent.size(), 1u);
    EXPECT_EQ(site.sent[0], request() + request("id=7"));
}

TEST_F(ExchangeSessionTest, CookiesOfAResponseCutShortAreKept)
{
    site.scripts = {
        {{{"HTTP/1.1 200 OK\r\nSet-Cookie: id=7\r\nTransfer-Encoding: chunked\r\n\r\n9\r\nab",
           End::Close}}},
        {{{ok}}}};
    EXPECT_THROW(get(), HttpConnectionLost);
    EXPECT_EQ(get(), "ok");
    EXPECT_EQ(site.sent[1], request("id=7"));
}

TEST_F(ExchangeSessionTest, BrokenResponseDropsTheConnection)
{
    site.scripts = {{{{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n"}, {ok}}},
                    {{{ok}}}};
    EXPECT_THROW(get(), HttpProtocolError);
    EXPECT_EQ(get(), "ok");
    EXPECT_EQ(site.sent.size(), 2u);
}

TEST_F(ExchangeSessionTest, BytesBeyondTheResponseDropTheConnection)
{
    site.scripts = {{{{ok + "HTTP/1.1 200 OK\r\n"}}}, {{{ok}}}};
    EXPECT_EQ(get(), "ok");
    EXPECT_EQ(get(), "ok");
    EXPECT_EQ(site.sent.size(), 2u);
}

TEST_F(ExchangeSessionTest, ExpiredCookieIsNotSent)
{
    auto now = std::chrono::system_clock::time_point{};
    HttpSession timed("www.sozluk.test", 80, [&now] { return now; });
    site.scripts = {
        {{{"HTTP/1.1 200 OK\r\nSet-Cookie: id=7; Max-Age=5\r\nContent-Length: 2\r\n\r\nok"},
          {ok},
          {ok}}}};
    timed.get("/index.php?w=1", site.connector());
    now += std::chrono::seconds(4);
    timed.get("/index.php?w=1", site.connector());
    now += std::chrono::seconds(1);
    timed.get("/index.php?w=1", site.connector());
    EXPECT_EQ(site.sent[0], request() + request("id=7") + request());
}

} // namespace
