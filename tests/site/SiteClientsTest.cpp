// vorlinda-site against clients that hold, trickle, overfill or never read,
// and a stop in the middle of answering: each row starts its own site with
// shortened waits and tells what its client saw.
#include "DictFixture.h"
#include "web/SitePages.h"

#include "LoopbackClient.h"
#include "SiteProcess.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

const std::string kLookup = "GET /index.php?selectFrom=english&selectTo=turkish&txtLang=hello"
                            "&submitButton=Search HTTP/1.1\r\nHost: localhost\r\n\r\n";

std::string refusal(int status, const std::string &reason)
{
    const std::string body = vorlinda::site::SitePages::errorPage(status, reason);
    return "HTTP/1.1 " + std::to_string(status) + " " + reason +
           "\r\nConnection: close\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nContent-Type: text/html; charset=utf-8\r\n\r\n" + body;
}

// Pipelines requests for a large page without reading until the site stops
// taking them.
void overfill(const LoopbackClient &client)
{
    const std::string requests = [] {
        std::string r;
        for (int i = 0; i < 20; ++i)
            r += "GET /index.php?selectFrom=english&selectTo=turkish&txtLang=big HTTP/1.1\r\n\r\n";
        return r;
    }();
    while (client.wait(POLLOUT, 500) &&
           ::send(client.fd(), requests.data(), requests.size(), MSG_NOSIGNAL | MSG_DONTWAIT) > 0) {
    }
}

// How many whole answers `got` holds; -1 when it stops inside one.
int wholeAnswers(std::string_view got)
{
    int count = 0;
    for (std::size_t size; (size = LoopbackClient::wholeAnswer(got)) > 0; ++count)
        got.remove_prefix(size);
    return got.empty() ? count : -1;
}

// Ten answers written but still in the kernel, as the client reads slowly,
// when the site is stopped; once the site has closed an idle connection,
// the client sends one more request, which must not reset them away.
// `last` ends the ten requests.
std::string stopWhileAnswersAreOnTheirWay(SiteProcess &site, const std::string &last)
{
    const std::string big = "GET /index.php?selectFrom=english&selectTo=turkish&txtLang=big "
                            "HTTP/1.1\r\n";
    std::string requests;
    for (int i = 0; i < 9; ++i)
        requests += big + "\r\n";
    LoopbackClient idle(site.port());
    LoopbackClient slow(site.port(), 4096);
    slow.send(requests + big + last);
    if (!site.logged("txtLang=big", 10))
        return "not answered";
    site.terminate();
    if (!idle.all().empty())
        return "idle connection left open";
    slow.send(kLookup);
    const int answers = wholeAnswers(slow.all());
    return std::string(answers >= 10 ? "whole answers" : "cut short") + ", exit " +
           std::to_string(site.wait());
}

struct Row
{
    const char *name;
    std::vector<std::string> options;
    std::function<std::string(SiteProcess &)> client;
    std::string expected;
    rlim_t hardLimit = 20000;
};

void PrintTo(const Row &row, std::ostream *out)
{
    *out << row.name;
}

class SiteClients : public testing::TestWithParam<Row>
{
protected:
    static void SetUpTestSuite()
    {
        std::string big = "big\n"; // 40 rows: a page of some 6 KB
        for (int i = 0; i < 40; ++i)
            big += std::string(70, char('a' + i % 26)) + (i < 26 ? "\n" : "x\n");
        dir_ =
            DictFixture::dictionaries({{"eng-tur", {{"big", big}, {"hello", "hello\nmerhaba\n"}}}});
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(dir_); }
    static inline std::filesystem::path dir_;
};

TEST_P(SiteClients, Behaves)
{
    std::vector<std::string> options = GetParam().options;
    options.insert(options.end(), {"--dictionaries", dir_});
    SiteProcess site(VORLINDA_SITE, options, 0, {64, GetParam().hardLimit});
    ASSERT_NE(site.port(), 0) << site.output();
    EXPECT_EQ(GetParam().client(site), GetParam().expected);
}

const std::string kLine = "GET /" + std::string(8192 - 14, 'a') + " HTTP/1.1\r\n";
const std::string kHeader = "X: " + std::string(16384 - 7, 'b') + "\r\n\r\n";

const Row kRows[] = {
    Row{"HundredsOfIdleConnectionsPastTheSoftLimitThenALookup",
        {},
        [](SiteProcess &site) {
            std::vector<std::unique_ptr<LoopbackClient>> idle;
            for (int i = 0; i < 300; ++i)
                idle.push_back(std::make_unique<LoopbackClient>(site.port()));
            LoopbackClient lookup(site.port());
            lookup.send(kLookup);
            return LoopbackClient::statusLine(lookup.answer());
        },
        "HTTP/1.1 200 OK"},
    Row{"TooLowAHardLimitIsTold",
        {},
        [](SiteProcess &site) { return std::to_string(site.logged("open-file limit is 200,")); },
        "1",
        200},
    Row{"TrickledHeaderIsCutAtTheDeadline",
        {"--header-timeout-ms", "300"},
        [](SiteProcess &site) {
            LoopbackClient slow(site.port());
            slow.send("GET / HTTP/1.1\r\n");
            for (int i = 0; i < 100; ++i) { // a line every 50 ms for 5 s
                if (slow.wait(POLLIN, 50))
                    return "cut: \"" + slow.all() + "\"";
                slow.send("X: y\r\n");
            }
            return std::string("still open");
        },
        "cut: \"\""},
    Row{"LongestRequestLineIsRead",
        {},
        [](SiteProcess &site) {
            LoopbackClient client(site.port());
            client.send(kLine + "\r\n");
            return LoopbackClient::statusLine(client.answer());
        },
        "HTTP/1.1 404 Not Found"},
    Row{"LongerRequestLineGets414",
        {},
        [](SiteProcess &site) {
            LoopbackClient client(site.port());
            client.send("G" + kLine + "\r\n");
            return client.all();
        },
        refusal(414, "URI Too Long")},
    Row{"LargestHeaderIsRead",
        {},
        [](SiteProcess &site) {
            LoopbackClient client(site.port());
            client.send("GET /ban.asp HTTP/1.1\r\n" + kHeader);
            return LoopbackClient::statusLine(client.answer());
        },
        "HTTP/1.1 200 OK"},
    Row{"LargerHeaderGets431",
        {},
        [](SiteProcess &site) {
            LoopbackClient client(site.port());
            client.send("GET /ban.asp HTTP/1.1\r\nX" + kHeader);
            return client.all();
        },
        refusal(431, "Request Header Fields Too Large")},
    Row{"ClientThatDoesNotReadHoldsUpNoOneAndIsCut",
        {"--write-timeout-ms", "300"},
        [](SiteProcess &site) {
            LoopbackClient stalled(site.port(), 4096);
            overfill(stalled);
            LoopbackClient lookup(site.port());
            lookup.send(kLookup);
            const std::string answered = LoopbackClient::statusLine(lookup.answer());
            return answered + (stalled.wait(POLLRDHUP) ? ", stalled one cut" : "");
        },
        "HTTP/1.1 200 OK, stalled one cut"},
    Row{"IdleKeptConnectionIsClosed",
        {"--keepalive-timeout-ms", "300"},
        [](SiteProcess &site) {
            LoopbackClient client(site.port());
            client.send(kLookup);
            const std::string answered = LoopbackClient::statusLine(client.answer());
            return answered + ", then \"" + client.all() + "\"";
        },
        "HTTP/1.1 200 OK, then \"\""},
    Row{"ThousandsOfAnswersWhileNoOneReadsTheLog",
        {},
        [](SiteProcess &site) { // far more log lines than a pipe holds
            site.holdLog();
            LoopbackClient client(site.port());
            std::string got, more = "-";
            for (int round = 1; round <= 20 && !more.empty(); ++round) {
                std::string requests;
                for (int i = 0; i < 100; ++i)
                    requests += kLookup;
                client.send(requests);
                while (wholeAnswers(got) != 100 * round && !(more = client.some()).empty())
                    got += more;
            }
            return std::to_string(wholeAnswers(got));
        },
        "2000"},
    Row{"TerminatedWhileAnsweringFinishesTheAnswerAndExitsZero",
        {},
        [](SiteProcess &site) {
            LoopbackClient stalled(site.port(), 4096);
            overfill(stalled);
            site.terminate();
            const int answers = wholeAnswers(stalled.all());
            return std::string(answers > 0 ? "whole answers" : "cut short") + ", exit " +
                   std::to_string(site.wait());
        },
        "whole answers, exit 0"},
    Row{"TerminatedWhileKeptConnectionWaitsLetsItsAnswersArrive",
        {},
        [](SiteProcess &site) { return stopWhileAnswersAreOnTheirWay(site, "\r\n"); },
        "whole answers, exit 0"},
    Row{"TerminatedWhileConnectionClosesLetsItsAnswersArrive",
        {},
        [](SiteProcess &site) {
            return stopWhileAnswersAreOnTheirWay(site, "Connection: close\r\n\r\n");
        },
        "whole answers, exit 0"},
};

INSTANTIATE_TEST_SUITE_P(Site, SiteClients, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row> &row) { return row.param.name; });

} // namespace
