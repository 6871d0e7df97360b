// The site over loopback: one server per test on 127.0.0.1 and a port the
// system picks; a raw socket client so malformed bytes reach the server.
#include "SiteServer.h"
#include "ConnectionStream.h"
#include "DictFixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

using namespace vorlinda::site;

namespace {

constexpr auto kTimeout = std::chrono::seconds(10);

// One TCP connection to the test server.
class Client
{
public:
    explicit Client(int port)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    }
    ~Client() { ::close(fd_); }
    bool connected() const { return connected_; }

    void send(std::string_view bytes) { ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }

    // Reads until `done` says the bytes so far are enough, the peer closes or
    // the time-out passes.
    std::string readUntil(const std::function<bool(const std::string &)> &done)
    {
        const auto deadline = std::chrono::steady_clock::now() + kTimeout;
        while (!done(received_) && !closed_) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            pollfd fd{fd_, POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0)
                break;
            char buffer[4096];
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0)
                closed_ = true;
            else
                received_.append(buffer, static_cast<std::size_t>(n));
        }
        return received_;
    }
    // Bytes of one whole response, taken off what has been received.
    std::string nextResponse()
    {
        const auto complete = [](const std::string &s) {
            const std::size_t end = s.find("\r\n\r\n");
            if (end == std::string::npos)
                return false;
            const std::size_t length = s.find("Content-Length: ");
            const std::size_t body =
                length < end ? std::stoul(s.substr(length + 16)) : std::size_t{0};
            return s.size() >= end + 4 + body;
        };
        readUntil(complete);
        const std::size_t end = received_.find("\r\n\r\n");
        if (end == std::string::npos)
            return std::exchange(received_, {});
        const std::size_t length = received_.find("Content-Length: ");
        const std::size_t body = length < end ? std::stoul(received_.substr(length + 16)) : 0;
        const std::size_t total = std::min(received_.size(), end + 4 + body);
        std::string response = received_.substr(0, total);
        received_.erase(0, total);
        return response;
    }
    bool closedByServer()
    {
        readUntil([](const std::string &) { return false; });
        return closed_;
    }

private:
    int fd_ = -1;
    bool connected_ = false;
    bool closed_ = false;
    std::string received_;
};

class SiteServerTest : public testing::Test
{
protected:
    void SetUp() override
    {
        dir_ = DictFixture::freshDirectory("site-server");
        DictFixture::writeDictionary(dir_, "eng-tur", {{"bird", "bird\nkuş\n"}});
        DictFixture::writeDictionary(dir_, "fra-tur", {{"maison", "maison\nev\n"}});
        DictFixture::writeDictionary(dir_, "tur-eng", {{"kuş", "kuş\nbird\n"}});
        auto translator = std::make_shared<const Translator>(dir_);
        server_ = std::make_unique<SiteServer>(std::make_shared<const SiteResponder>(translator),
                                               [this](std::string_view line) {
                                                   std::lock_guard lock(logMutex_);
                                                   log_.emplace_back(line);
                                               });
        port_ = server_->bind_to_any_port("127.0.0.1");
        ASSERT_GT(port_, 0);
        thread_ = std::thread([this] { server_->listen_after_bind(); });
    }
    void TearDown() override
    {
        server_->stop();
        if (thread_.joinable())
            thread_.join();
        std::filesystem::remove_all(dir_);
    }
    std::vector<std::string> log()
    {
        std::lock_guard lock(logMutex_);
        return log_;
    }

    std::filesystem::path dir_;
    std::unique_ptr<SiteServer> server_;
    std::thread thread_;
    int port_ = 0;
    std::mutex logMutex_;
    std::vector<std::string> log_;
};

// The program's own request: raw blank in "french ", no Connection header.
constexpr std::string_view kProgramRequest =
    "GET /index.php?selectFrom=french &selectTo=turkish&txtLang=maison&submitButton=Search "
    "HTTP/1.1\r\nContent-Type: text/html\r\nHost: localhost\r\nAccept: text/html, */*\r\n"
    "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n";

TEST_F(SiteServerTest, ProgramsRequestIsAnsweredAndTheConnectionKept)
{
    Client client(port_);
    ASSERT_TRUE(client.connected());
    client.send(kProgramRequest);
    const std::string first = client.nextResponse();
    EXPECT_TRUE(first.starts_with("HTTP/1.1 200 OK\r\n")) << first;
    EXPECT_NE(first.find("Set-Cookie: vorlinda_oturum="), std::string::npos);
    EXPECT_NE(first.find("<td width=\"40%\">maison</td><td width=\"40%\">ev</td>"),
              std::string::npos);

    // The same connection serves the next lookup, a Windows-1254 word.
    client.send("GET /index.php?selectFrom=turkish&selectTo=english&txtLang=ku\xFE"
                "&submitButton=Search HTTP/1.1\r\nHost: localhost\r\n\r\n");
    const std::string second = client.nextResponse();
    EXPECT_TRUE(second.starts_with("HTTP/1.1 200 OK\r\n")) << second;
    EXPECT_NE(second.find("<td width=\"40%\">kuş</td><td width=\"40%\">bird</td>"),
              std::string::npos);
    EXPECT_EQ(log().size(), 2u);
}

struct MalformedRow
{
    const char *name;
    std::string request;
    bool closes; // unreadable requests also end the connection
};

class SiteMalformedRequest : public SiteServerTest, public testing::WithParamInterface<MalformedRow>
{};

TEST_P(SiteMalformedRequest, Gets400AndTheServerCarriesOn)
{
    {
        Client client(port_);
        ASSERT_TRUE(client.connected());
        client.send(GetParam().request);
        const std::string response = client.nextResponse();
        EXPECT_TRUE(response.starts_with("HTTP/1.1 400 ")) << response;
        if (GetParam().closes) {
            EXPECT_TRUE(client.closedByServer());
        }
    }
    // A fresh connection is still served.
    Client next(port_);
    next.send("GET /index.php?selectFrom=english&selectTo=turkish&txtLang=bird HTTP/1.1\r\n"
              "Host: x\r\nConnection: close\r\n\r\n");
    EXPECT_TRUE(next.nextResponse().starts_with("HTTP/1.1 200 OK"));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SiteMalformedRequest,
    testing::Values(
        MalformedRow{"Garbage", "garbage\r\n\r\n", true},
        MalformedRow{"UnknownVersion", "GET / HTTP/9.9\r\n\r\n", true},
        MalformedRow{"NoVersion", "GET /index.php?a b\r\n\r\n", true},
        MalformedRow{"BinaryNoise", std::string("\x00\xFF\x01\r\n\r\n", 7), true},
        MalformedRow{"UnknownMethod", "FETCH / HTTP/1.1\r\nHost: x\r\n\r\n", true},
        MalformedRow{"BrokenEscape",
                     "GET /index.php?selectFrom=english&selectTo=turkish&txtLang=%ZZ HTTP/1.1\r\n"
                     "Host: x\r\n\r\n",
                     false},
        MalformedRow{"MissingLanguages", "GET /index.php?txtLang=bird HTTP/1.1\r\nHost: x\r\n\r\n",
                     false}),
    [](const auto &row) { return std::string(row.param.name); });

TEST_F(SiteServerTest, RequestsAreHandledConcurrently)
{
    // An idle kept-alive connection must not hold up another client.
    Client idle(port_);
    idle.send("GET /ban.asp?p=vrl12&rnd=1 HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_TRUE(idle.nextResponse().starts_with("HTTP/1.1 200 OK"));
    std::vector<std::thread> clients;
    std::atomic<int> answered = 0;
    for (int i = 0; i < 8; ++i) {
        clients.emplace_back([&] {
            Client client(port_);
            client.send("GET /res/ajax-loader-vorlinda.gif HTTP/1.1\r\nHost: x\r\n\r\n");
            if (client.nextResponse().starts_with("HTTP/1.1 200 OK"))
                ++answered;
        });
    }
    for (std::thread &t : clients)
        t.join();
    EXPECT_EQ(answered, 8);
}

struct LineRow
{
    const char *name;
    const char *line;
    const char *repaired;
};

class SiteRequestLine : public testing::TestWithParam<LineRow>
{};

TEST_P(SiteRequestLine, IsRepaired)
{
    EXPECT_EQ(ConnectionStream::repairRequestLine(GetParam().line), GetParam().repaired);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SiteRequestLine,
    testing::Values(LineRow{"AlreadyFine", "GET /a?b=c HTTP/1.1\r\n", "GET /a?b=c HTTP/1.1\r\n"},
                    LineRow{"FrenchCode",
                            "GET /index.php?selectFrom=french &selectTo=turkish HTTP/1.1\r\n",
                            "GET /index.php?selectFrom=french%20&selectTo=turkish HTTP/1.1\r\n"},
                    LineRow{"WordWithBlanks", "GET /x?w=good day now HTTP/1.1\r\n",
                            "GET /x?w=good%20day%20now HTTP/1.1\r\n"},
                    LineRow{"BareLineFeed", "GET /a b HTTP/1.0\n", "GET /a%20b HTTP/1.0\r\n"},
                    LineRow{"NoVersionLeftAlone", "GET /a b\r\n", "GET /a b\r\n"},
                    LineRow{"OneWordLeftAlone", "garbage\r\n", "garbage\r\n"}),
    [](const auto &row) { return std::string(row.param.name); });

TEST(SiteServerBindTest, TakenPortIsExplained)
{
    SiteServer holder(nullptr, nullptr);
    const int port = holder.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    // A second server must not share the port (no SO_REUSEPORT).
    SiteServer second(nullptr, nullptr);
    EXPECT_FALSE(second.bind_to_port("127.0.0.1", port));
    const std::string why = SiteServer::explainBindFailure("127.0.0.1", port);
    EXPECT_NE(why.find("already in use"), std::string::npos) << why;
    EXPECT_NE(SiteServer::explainBindFailure("localhost-ish", port).find("--listen"),
              std::string::npos);
}

} // namespace
