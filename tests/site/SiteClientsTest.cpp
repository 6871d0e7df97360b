// vorlinda-site against clients that hold, trickle, overfill or never read,
// and a stop in the middle of answering: each row starts its own site with
// shortened waits and tells what its client saw.
#include "DictFixture.h"
#include "SitePages.h"

#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

using namespace std::chrono_literals;

namespace {

// A loopback client in raw bytes; every wait ends after 5 s.
struct Client
{
    explicit Client(quint16 port, int receiveBuffer = 0)
    {
        if (receiveBuffer > 0)
            ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in to{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
        ::connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to);
    }
    ~Client() { ::close(fd); }
    bool wait(short events) const
    {
        pollfd p{fd, events, 0};
        return ::poll(&p, 1, 5000) > 0;
    }
    bool send(std::string_view bytes) const
    {
        return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
    }
    // What the next read brings: "" on close or after 5 s.
    std::string some() const
    {
        char chunk[65536];
        const ssize_t n = wait(POLLIN) ? ::recv(fd, chunk, sizeof chunk, 0) : 0;
        return std::string(chunk, std::size_t(std::max<ssize_t>(n, 0)));
    }
    // Everything until the site closes.
    std::string all() const
    {
        std::string got;
        char chunk[65536];
        while (wait(POLLIN)) {
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0)
                return got;
            got.append(chunk, std::size_t(n));
        }
        return got + "(still open)";
    }
    // One answer with its Content-Length body.
    std::string answer() const
    {
        std::string got;
        char chunk[65536];
        std::size_t end = std::string::npos, length = 0;
        while (end == std::string::npos || got.size() < end + length) {
            const ssize_t n = wait(POLLIN) ? ::recv(fd, chunk, sizeof chunk, 0) : 0;
            if (n <= 0)
                break;
            got.append(chunk, std::size_t(n));
            if (end == std::string::npos && (end = got.find("\r\n\r\n")) != std::string::npos) {
                length = std::stoul(got.substr(got.find("Content-Length: ") + 16));
                end += 4;
            }
        }
        return got;
    }
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
};

// A site with the given options; its soft open-file limit starts at 64.
struct Site
{
    explicit Site(const std::filesystem::path &dir, QStringList options, rlim_t hardLimit)
    {
        process.setChildProcessModifier([hardLimit] {
            rlimit limit{64, hardLimit};
            ::setrlimit(RLIMIT_NOFILE, &limit);
        });
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(VORLINDA_SITE, options << "--listen"
                                             << "127.0.0.1"
                                             << "--port"
                                             << "0"
                                             << "--dictionaries" << QString::fromStdString(dir));
        static const QRegularExpression listening("listening on http://127.0.0.1:(\\d+)/");
        while (port == 0 && process.waitForReadyRead(10000))
            port = listening.match(output += process.readAll()).captured(1).toUShort();
    }
    ~Site()
    {
        process.kill();
        process.waitForFinished();
    }
    // Whether the output holds `text` `count` times within 5 s.
    bool logged(const QByteArray &text, qsizetype count)
    {
        while (output.count(text) < count && process.waitForReadyRead(5000))
            output += process.readAll();
        return output.count(text) >= count;
    }
    QProcess process;
    QByteArray output;
    quint16 port = 0;
};

const std::string kLookup = "GET /index.php?selectFrom=english&selectTo=turkish&txtLang=hello"
                            "&submitButton=Search HTTP/1.1\r\nHost: localhost\r\n\r\n";

std::string statusLine(const std::string &answer)
{
    return answer.substr(0, answer.find("\r\n"));
}

std::string refusal(int status, const std::string &reason)
{
    const std::string body = vorlinda::site::SitePages::errorPage(status, reason);
    return "HTTP/1.1 " + std::to_string(status) + " " + reason +
           "\r\nConnection: close\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nContent-Type: text/html; charset=utf-8\r\n\r\n" + body;
}

// Pipelines requests for a large page without reading until the site stops
// taking them.
void overfill(const Client &client)
{
    const std::string requests = [] {
        std::string r;
        for (int i = 0; i < 20; ++i)
            r += "GET /index.php?selectFrom=english&selectTo=turkish&txtLang=big HTTP/1.1\r\n\r\n";
        return r;
    }();
    pollfd p{client.fd, POLLOUT, 0};
    while (::poll(&p, 1, 500) > 0 &&
           ::send(client.fd, requests.data(), requests.size(), MSG_NOSIGNAL | MSG_DONTWAIT) > 0) {
    }
}

// How many whole answers `got` holds; -1 when it stops inside one.
int wholeAnswers(std::string_view got)
{
    int count = 0;
    for (; !got.empty(); ++count) {
        const std::size_t end = got.find("\r\n\r\n"), at = got.find("Content-Length: ");
        if (end == std::string::npos || at > end)
            return -1;
        const std::size_t size = end + 4 + std::stoul(std::string(got.substr(at + 16, 12)));
        if (size > got.size())
            return -1;
        got.remove_prefix(size);
    }
    return count;
}

// Ten answers written but still in the kernel, as the client reads slowly,
// when the site is stopped; once the site has closed an idle connection,
// the client sends one more request, which must not reset them away.
// `last` ends the ten requests.
std::string stopWhileAnswersAreOnTheirWay(Site &site, const std::string &last)
{
    const std::string big = "GET /index.php?selectFrom=english&selectTo=turkish&txtLang=big "
                            "HTTP/1.1\r\n";
    std::string requests;
    for (int i = 0; i < 9; ++i)
        requests += big + "\r\n";
    Client idle(site.port);
    Client slow(site.port, 4096);
    slow.send(requests + big + last);
    if (!site.logged("txtLang=big", 10))
        return "not answered";
    site.process.terminate();
    if (!idle.all().empty())
        return "idle connection left open";
    slow.send(kLookup);
    const int answers = wholeAnswers(slow.all());
    site.process.waitForFinished(5000);
    return std::string(answers >= 10 ? "whole answers" : "cut short") + ", exit " +
           std::to_string(site.process.exitCode());
}

struct Row
{
    const char *name;
    QStringList options;
    std::function<std::string(Site &)> client;
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
    Site site(dir_, GetParam().options, GetParam().hardLimit);
    ASSERT_NE(site.port, 0) << site.output.toStdString();
    EXPECT_EQ(GetParam().client(site), GetParam().expected);
}

const std::string kLine = "GET /" + std::string(8192 - 14, 'a') + " HTTP/1.1\r\n";
const std::string kHeader = "X: " + std::string(16384 - 7, 'b') + "\r\n\r\n";

const Row kRows[] = {
    Row{"HundredsOfIdleConnectionsPastTheSoftLimitThenALookup",
        {},
        [](Site &site) {
            std::vector<std::unique_ptr<Client>> idle;
            for (int i = 0; i < 300; ++i)
                idle.push_back(std::make_unique<Client>(site.port));
            Client lookup(site.port);
            lookup.send(kLookup);
            return statusLine(lookup.answer());
        },
        "HTTP/1.1 200 OK"},
    Row{"TooLowAHardLimitIsTold",
        {},
        [](Site &site) {
            while (!site.output.contains("open-file") && site.process.waitForReadyRead(5000))
                site.output += site.process.readAll();
            return std::to_string(site.output.contains("open-file limit is 200,"));
        },
        "1",
        200},
    Row{"TrickledHeaderIsCutAtTheDeadline",
        {"--header-timeout-ms", "300"},
        [](Site &site) {
            Client slow(site.port);
            slow.send("GET / HTTP/1.1\r\n");
            for (int i = 0; i < 100; ++i) { // a line every 50 ms for 5 s
                pollfd p{slow.fd, POLLIN, 0};
                if (::poll(&p, 1, 50) > 0)
                    return "cut: \"" + slow.all() + "\"";
                slow.send("X: y\r\n");
            }
            return std::string("still open");
        },
        "cut: \"\""},
    Row{"LongestRequestLineIsRead",
        {},
        [](Site &site) {
            Client client(site.port);
            client.send(kLine + "\r\n");
            return statusLine(client.answer());
        },
        "HTTP/1.1 404 Not Found"},
    Row{"LongerRequestLineGets414",
        {},
        [](Site &site) {
            Client client(site.port);
            client.send("G" + kLine + "\r\n");
            return client.all();
        },
        refusal(414, "URI Too Long")},
    Row{"LargestHeaderIsRead",
        {},
        [](Site &site) {
            Client client(site.port);
            client.send("GET /ban.asp HTTP/1.1\r\n" + kHeader);
            return statusLine(client.answer());
        },
        "HTTP/1.1 200 OK"},
    Row{"LargerHeaderGets431",
        {},
        [](Site &site) {
            Client client(site.port);
            client.send("GET /ban.asp HTTP/1.1\r\nX" + kHeader);
            return client.all();
        },
        refusal(431, "Request Header Fields Too Large")},
    Row{"ClientThatDoesNotReadHoldsUpNoOneAndIsCut",
        {"--write-timeout-ms", "300"},
        [](Site &site) {
            Client stalled(site.port, 4096);
            overfill(stalled);
            Client lookup(site.port);
            lookup.send(kLookup);
            const std::string answered = statusLine(lookup.answer());
            return answered + (stalled.wait(POLLRDHUP) ? ", stalled one cut" : "");
        },
        "HTTP/1.1 200 OK, stalled one cut"},
    Row{"IdleKeptConnectionIsClosed",
        {"--keepalive-timeout-ms", "300"},
        [](Site &site) {
            Client client(site.port);
            client.send(kLookup);
            const std::string answered = statusLine(client.answer());
            return answered + ", then \"" + client.all() + "\"";
        },
        "HTTP/1.1 200 OK, then \"\""},
    Row{"ThousandsOfAnswersWhileNoOneReadsTheLog",
        {},
        [](Site &site) { // far more log lines than a pipe holds
            Client client(site.port);
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
        [](Site &site) {
            Client stalled(site.port, 4096);
            overfill(stalled);
            site.process.terminate();
            const int answers = wholeAnswers(stalled.all());
            site.process.waitForFinished(5000);
            return std::string(answers > 0 ? "whole answers" : "cut short") + ", exit " +
                   std::to_string(site.process.exitCode());
        },
        "whole answers, exit 0"},
    Row{"TerminatedWhileKeptConnectionWaitsLetsItsAnswersArrive",
        {},
        [](Site &site) { return stopWhileAnswersAreOnTheirWay(site, "\r\n"); },
        "whole answers, exit 0"},
    Row{"TerminatedWhileConnectionClosesLetsItsAnswersArrive",
        {},
        [](Site &site) { return stopWhileAnswersAreOnTheirWay(site, "Connection: close\r\n\r\n"); },
        "whole answers, exit 0"},
};

INSTANTIATE_TEST_SUITE_P(Site, SiteClients, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row> &row) { return row.param.name; });

} // namespace
