// vorlinda-site itself, started on a free port of 127.0.0.1 over a small
// dictionary set and spoken to in raw bytes: request in, response out.
#include "DictFixture.h"
#include "LoaderGif.h"
#include "SitePages.h"

#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace vorlinda::site;

namespace {

// A running site: it names its port on standard error, then logs each
// request there.
struct Site
{
    explicit Site(const std::filesystem::path &dir, int wanted = 0)
    {
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(VORLINDA_SITE, {"--listen", "127.0.0.1", "--port", QString::number(wanted),
                                      "--dictionaries", QString::fromStdString(dir)});
        static const QRegularExpression listening("listening on http://127.0.0.1:(\\d+)/");
        while (port == 0 && process.waitForReadyRead(10000))
            port = listening.match(output += process.readAll()).captured(1).toUShort();
    }
    ~Site()
    {
        process.terminate();
        process.waitForFinished();
    }
    // The log lines, once there are `count` of them or 10 s have passed.
    QByteArrayList log(qsizetype count)
    {
        QByteArrayList lines;
        do {
            output += process.readAll();
            lines = output.split('\n');
            lines.removeIf([](const QByteArray &l) { return l.isEmpty() || l.startsWith("vorl"); });
        } while (lines.size() < count && process.waitForReadyRead(10000));
        return lines;
    }
    QProcess process;
    QByteArray output;
    quint16 port = 0;
};

// A response with its header lines sorted, the session id masked and the
// keep-alive hint (not every server gives one) left out.
std::string normalised(const QByteArray &got)
{
    const qsizetype end = got.indexOf("\r\n\r\n");
    QByteArrayList lines = got.left(end).replace("\r", "").split('\n');
    lines.removeIf([](const QByteArray &line) { return line.startsWith("Keep-Alive:"); });
    std::sort(lines.begin() + 1, lines.end());
    return QString::fromLatin1(lines.join("\r\n") + "\r\n\r\n" + got.mid(end + 4))
        .replace(QRegularExpression("vorlinda_oturum=[0-9a-f]{16};"), "vorlinda_oturum=ID;")
        .toLatin1()
        .toStdString();
}

// A connection to the site on 127.0.0.1, in plain sockets (so that a build of
// the site alone needs no Qt Network).
class Client
{
public:
    explicit Client(quint16 port)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
            ADD_FAILURE() << "cannot connect to port " << port;
    }
    ~Client() { ::close(fd_); }
    Client(const Client &) = delete;
    Client &operator=(const Client &) = delete;

    void send(const QByteArray &bytes)
    {
        EXPECT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL), bytes.size());
    }
    // What arrives within 10 s; empty at the close or after 10 s of nothing.
    QByteArray some()
    {
        pollfd ready{fd_, POLLIN, 0};
        char buffer[65536];
        if (::poll(&ready, 1, 10000) <= 0)
            return {};
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        return n > 0 ? QByteArray(buffer, n) : QByteArray();
    }
    // True when the site closes the connection within 10 s (nothing more comes).
    bool closedBySite()
    {
        pollfd ready{fd_, POLLIN, 0};
        char byte = 0;
        return ::poll(&ready, 1, 10000) == 1 && ::recv(fd_, &byte, 1, 0) == 0;
    }

private:
    int fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
};

// Sends a request and reads one answer: to the end of its Content-Length
// body, or to the close.
std::string answer(Client &client, const QByteArray &request)
{
    client.send(request);
    static const QRegularExpression length("\r\nContent-Length: (\\d+)\r\n",
                                           QRegularExpression::CaseInsensitiveOption);
    QByteArray got;
    for (QByteArray more; !(more = client.some()).isEmpty();) {
        const qsizetype end = (got += more).indexOf("\r\n\r\n") + 4;
        const auto match = length.match(QString::fromLatin1(got.left(end)));
        if (end > 3 && match.hasMatch() && got.size() >= end + match.captured(1).toInt())
            break;
    }
    return normalised(got);
}

std::string expected(const std::string &head, const std::string &body)
{
    return normalised(QByteArray::fromStdString(
        head + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body));
}

class SiteServer : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        dir_ = DictFixture::dictionaries(
            {{"fra-tur", {{"maison", "maison\nev\n"}}}, {"tur-eng", {{"kuş", "kuş\nbird\n"}}}});
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(dir_); }
    static inline std::filesystem::path dir_;
    Site site_{dir_};
};

// The program's own requests: a raw blank in "french ", no Connection
// header, the session cookie sent back, a word escaped as Windows-1254. An
// idle kept connection holds up no other client.
TEST_F(SiteServer, ProgramsLookupsShareAConnectionAndStartOneSession)
{
    Client program(site_.port);
    EXPECT_EQ(answer(program, "GET /index.php?selectFrom=french &selectTo=turkish&txtLang=maison"
                              "&submitButton=Search HTTP/1.1\r\nContent-Type: text/html\r\n"
                              "Host: localhost\r\nAccept: text/html, */*\r\n"
                              "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n"),
              expected("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                       "Set-Cookie: vorlinda_oturum=ID; path=/\r\n",
                       SitePages::resultPage({{"maison", "ev"}}, "Fransızca", "Türkçe")));
    Client other(site_.port);
    EXPECT_EQ(answer(other, "GET /ban.asp HTTP/1.1\r\n\r\n").substr(0, 17), "HTTP/1.1 200 OK\r\n");
    EXPECT_EQ(answer(program, "GET /index.php?selectFrom=turkish&selectTo=english&txtLang=ku%FE"
                              "&submitButton=Search HTTP/1.1\r\n"
                              "Host: localhost\r\nCookie: vorlinda_oturum=ab12\r\n\r\n"),
              expected("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n",
                       SitePages::resultPage({{"kuş", "bird"}}, "Türkçe", "İngilizce")));
}

// Each on a connection of its own; requests the site cannot read also end
// the connection. One log line each.
TEST_F(SiteServer, EveryAnswerIsExactAndLoggedOnce)
{
    const std::string html = "Content-Type: text/html; charset=utf-8\r\n";
    const std::string bad = "HTTP/1.1 400 Bad Request\r\nConnection: close\r\n" + html;
    const std::string refused = SitePages::errorPage(400, "Bad Request");
    const std::string rows[][3] = {
        {"GET /res/ajax-loader-vorlinda.gif HTTP/1.1\r\nConnection: close\r\n\r\n",
         "HTTP/1.1 200 OK\r\nCache-Control: max-age=86400\r\nConnection: close\r\n"
         "Content-Type: image/gif\r\n",
         LoaderGif::bytes()},
        {"garbage\r\n\r\n", bad, refused},
        {"GET /index.php?selectFrom=english&selectTo=turkish&txtLang=%ZZ HTTP/1.1\r\n"
         "Connection: close\r\n\r\n",
         bad, refused},
        {"GET /nothing-here HTTP/1.1\r\nConnection: close\r\n\r\n",
         "HTTP/1.1 404 Not Found\r\nConnection: close\r\n" + html,
         SitePages::errorPage(404, "Not Found")}};
    for (qsizetype i = 0; const auto &[request, head, body] : rows) {
        SCOPED_TRACE(request);
        Client client(site_.port);
        EXPECT_EQ(answer(client, QByteArray::fromStdString(request)), expected(head, body));
        EXPECT_TRUE(client.closedBySite());
        const QByteArrayList log = site_.log(++i);
        ASSERT_EQ(log.size(), i);
        EXPECT_TRUE(log.back().endsWith(" " + QByteArray::number(body.size())));
    }
}

TEST_F(SiteServer, TakenPortIsAnError)
{
    Site second(dir_, site_.port);
    second.process.waitForFinished(10000);
    EXPECT_EQ(second.process.exitCode(), 1);
    EXPECT_TRUE((second.output + second.process.readAll()).contains("port is already in use"));
}

} // namespace
