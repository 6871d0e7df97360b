#include "lookup/core/Connection.h"
#include "lookup/core/HttpError.h"
#include "lookup/core/HttpSession.h"
#include "lookup/core/SiteAddress.h"
#include "tests/support/RowName.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <regex>
#include <string>

using namespace vorlinda::lookup;

namespace {

// What the server does once a reply's bytes are out: stay open, close, or
// close while the connection is idle, where the client's look before reuse sees it.
constexpr int StayOpen = 0, Close = 1, IdleClose = 2;

struct Reply
{
    Reply(std::string text, int then = StayOpen) : bytes(std::move(text)), end(then) {}
    std::string bytes;
    int end;
};

// An in-memory stand-in for the site: each connection follows a script of
// replies, one per request, and records every byte the client sent on it.
struct ScriptedSite
{
    struct Scripted final : Connection
    {
        Scripted(ScriptedSite &s, std::size_t i) : site(s), index(i) {}
        const Reply &reply() const { return site.scripts[index][requests - 1]; }
        void send(std::string_view bytes) override
        {
            site.sent[index] += bytes;
            offset = 0;
            ++requests;
        }
        std::size_t receive(char *buffer, std::size_t size) override
        {
            if (requests > site.scripts[index].size())
                return 0; // the server had closed: nothing answers
            const std::size_t n = std::min({size, site.piece, reply().bytes.size() - offset});
            std::memcpy(buffer, reply().bytes.data() + offset, n);
            offset += n;
            if (n == 0 && reply().end != Close)
                throw HttpTimeout("no reply within the read time-out");
            return n;
        }
        bool unusable() override { return reply().end == IdleClose; }

        ScriptedSite &site;
        std::size_t index, offset = 0, requests = 0;
    };

    HttpSession::Connector connector()
    {
        return [this]() -> std::unique_ptr<Connection> {
            if (sent.size() >= scripts.size())
                throw HttpConnectError("connection refused");
            sent.emplace_back();
            return std::make_unique<Scripted>(*this, sent.size() - 1);
        };
    }

    std::vector<std::vector<Reply>> scripts; // one per connection, in the order they open
    std::vector<std::string> sent;           // per opened connection
    std::size_t piece = 64 * 1024;           // the most bytes one receive hands over
};

// The body of a lookup, or "!" and the kind of failure.
std::string outcome(HttpSession &session, ScriptedSite &site)
{
    try {
        return session.get("/index.php?w=1", site.connector());
    } catch (const HttpStatusError &e) {
        return "!status " + std::to_string(e.status());
    } catch (const HttpConnectionLost &) {
        return "!lost";
    } catch (const HttpProtocolError &) {
        return "!protocol";
    } catch (const HttpTimeout &) {
        return "!timeout";
    }
}

// A 200's status line; the end of a two-byte answer, after any other fields; just over
// 1 MiB of header fields.
const std::string H = "HTTP/1.1 200 OK\r\n", two = "Content-Length: 2\r\n\r\nok", ok = H + two;
const std::string chunked = H + "Transfer-Encoding: chunked\r\n\r\n";
const std::string mebibyteOfFields = std::regex_replace(std::string(10240, 'x'), std::regex("x"),
                                                        "X: " + std::string(100, 'f') + "\r\n");

std::string request(const std::string &cookie = "")
{
    return "GET /index.php?w=1 HTTP/1.1\r\n"
           "Content-Type: text/html\r\n"
           "Host: www.sozluk.test\r\n"
           "Accept: text/html, */*\r\n"
           "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n" +
           (cookie.empty() ? "" : "Cookie: " + cookie + "\r\n") + "\r\n";
}

const std::string R = request();

struct Row
{
    const char *name;
    std::vector<std::vector<Reply>> scripts; // one per connection
    std::string outcomes;                    // of the lookups in turn, "|" between
    std::vector<std::string> sent = {R};     // on each connection
};

const Row rows[] = {
    // One response: its framing, limits and caps
    {"length", {{{H + "Content-Length: 5\r\n\r\nhello"}}}, "hello"},
    {"lengthCutShortByClose", {{{H + "Content-Length: 9\r\n\r\nhello", Close}}}, "hello"},
    {"zeroLengthNeedsNoClose", {{{H + "Content-Length: 0\r\n\r\n"}}}, ""},
    {"chunked",
     {{{H + "transfer-encoding: gzip, Chunked\r\n\r\n5;a=b\r\nhello\r\n10 ; x\r\n"
            "0123456789abcdef\r\n0\r\n\r\n"}}},
     "hello0123456789abcdef"},
    {"chunkTrailerSkipped", {{chunked + "2\r\nok\r\n0\r\nX-Sum: 1\r\n\r\n", ok}}, "ok|ok", {R + R}},
    {"untilClose", {{{H + "\r\nall of it", Close}}}, "all of it"},
    {"emptyLengthRunsUntilClose", {{{H + "Content-Length:\r\n\r\nab", Close}}}, "ab"},
    {"bareLineFeeds", {{{"HTTP/1.1 200 OK\nContent-Length: 2\n\nok"}}}, "ok"},
    {"continueSkipped", {{{"HTTP/1.1 100 Continue\r\nX-A: 1\r\n\r\n" + ok}}}, "ok"},
    {"redirectNotFollowed",
     {{{"HTTP/1.1 301 Moved\r\nLocation: /x\r\nContent-Length: 0\r\n\r\n"}}},
     "!status 301"},
    {"notFound", {{{"HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\nnope"}}}, "!status 404"},
    {"lineAtTheLimit", {{{H + "X: " + std::string(16381, 'a') + "\r\n" + two}}}, "ok"},
    {"lineOverTheLimit", {{{H + "X: " + std::string(16382, 'a') + "\r\n\r\n"}}}, "!protocol"},
    {"lineOverTheLimitUnended", {{{"HTTP/1.1 " + std::string(20000, 'a')}}}, "!protocol"},
    {"headerBlockOver1MiB", {{{H + mebibyteOfFields}}}, "!protocol"},
    {"lengthOver16MiB", {{{H + "Content-Length: 16777217\r\n\r\n"}}}, "!protocol"},
    {"chunkOver16MiB", {{{chunked + "1000001\r\n"}}}, "!protocol"},
    {"untilCloseOver16MiB", {{{H + "\r\n" + std::string(16777217, 'b'), Close}}}, "!protocol"},
    // Lookups in turn: the kept-alive connection, the one retry, the cookies
    {"closeAskedFor", {{H + "Connection: close\r\n" + two, ok}, {ok}}, "ok|ok", {R, R}},
    {"closeInAnyCase", {{H + "connection:  CLOSE \r\n" + two, ok}, {ok}}, "ok|ok", {R, R}},
    {"closeAmongOthersKeepsIt", {{H + "Connection: close, x\r\n" + two, ok}}, "ok|ok", {R + R}},
    {"idleCloseSeenBeforeReuse", {{{ok, IdleClose}}, {ok}}, "ok|ok", {R, R}},
    {"deadIdleConnectionRetriedOnce", {{ok}, {ok}}, "ok|ok", {R + R, R}},
    {"retryNotRetriedAgain", {{ok, {"", Close}}, {{"", Close}}, {ok}}, "ok|!lost", {R + R, R}},
    {"freshConnectionLostNotRetried", {{{"", Close}}, {ok}}, "!lost|ok", {R, R}},
    {"lostMidResponseNotRetried", {{ok, {H, Close}}, {ok}}, "ok|!lost|ok", {R + R, R}},
    {"timeoutNotRetried", {{ok, {""}}, {ok}}, "ok|!timeout", {R + R}},
    {"brokenResponseDropsIt", {{{chunked + "zz\r\n"}, ok}, {ok}}, "!protocol|ok", {R, R}},
    {"bytesBeyondTheResponseDropIt", {{ok + H, ok}, {ok}}, "ok|ok", {R, R}},
    {"cookiesOfFailedResponsesKept",
     {{{"HTTP/1.1 404 Not Found\r\nSet-Cookie: a=1\r\nContent-Length: 0\r\n\r\n"},
       {H + "Set-Cookie: b=2\r\nTransfer-Encoding: chunked\r\n\r\n9\r\nab", Close}},
      {ok}},
     "!status 404|!lost|ok",
     {R + request("a=1"), request("a=1; b=2")}},
};

using ExchangeSessionRow = testing::TestWithParam<Row>;

TEST_P(ExchangeSessionRow, ReadsEachResponseReusesTheConnectionAndRetriesOnce)
{
    const Row &row = GetParam();
    for (const std::size_t piece : {65536, 1}) {
        SCOPED_TRACE(piece == 1 ? "byte by byte" : "whole");
        ScriptedSite site{row.scripts, {}};
        // A huge reply a byte at a time would take long; small pieces still split every line.
        site.piece = piece == 1 && row.scripts[0][0].bytes.size() > 100000 ? 4093 : piece;
        HttpSession session("www.sozluk.test", 80);
        std::string outcomes;
        for (long i = 0; i <= std::ranges::count(row.outcomes, '|'); ++i) {
            if (i > 0)
                outcomes += '|';
            outcomes += outcome(session, site);
        }
        EXPECT_EQ(outcomes, row.outcomes);
        if (piece > 1) { // a byte at a time, bytes beyond a response are never read
            EXPECT_EQ(site.sent, row.sent);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ExchangeSessionRow, testing::ValuesIn(rows), rowName);

// The site's address as the user gives it, down to the request's bytes: the
// default's are those the program always sent; a port other than the
// scheme's own goes into the Host line.
TEST(ExchangeSessionTest, HostLineFollowsTheSiteAddress)
{
    const std::pair<const char *, std::string> addressRows[] = {
        {"http://localhost", "localhost"},  {"http://127.0.0.1:8080", "127.0.0.1:8080"},
        {"https://dict.test", "dict.test"}, {"https://dict.test:80", "dict.test:80"},
        {"http://[::1]:81", "[::1]:81"},
    };
    for (const auto &[text, host] : addressRows) {
        SCOPED_TRACE(text);
        const SiteAddress address = SiteAddress::parse(text).value();
        ScriptedSite site{{{ok}}, {}};
        HttpSession session(address.host, address.port, address.secure);
        EXPECT_EQ(outcome(session, site), "ok");
        EXPECT_EQ(site.sent[0],
                  "GET /index.php?w=1 HTTP/1.1\r\nContent-Type: text/html\r\nHost: " + host +
                      "\r\nAccept: text/html, */*\r\nUser-Agent: Mozilla/3.0 "
                      "(compatible; Indy Library)\r\n\r\n");
    }
}

} // namespace
