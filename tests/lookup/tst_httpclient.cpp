#include "DictionaryRequest.h"
#include "FakeSite.h"
#include "HttpClient.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;
using Then = FakeSite::Then;

namespace {

const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";

QByteArray request(quint16 port, const QByteArray &cookie = {})
{
    return "GET /index.php?w=1 HTTP/1.1\r\n"
           "Content-Type: text/html\r\n"
           "Host: 127.0.0.1:" +
           QByteArray::number(port) +
           "\r\n"
           "Accept: text/html, */*\r\n"
           "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n" +
           (cookie.isEmpty() ? QByteArray() : "Cookie: " + cookie + "\r\n") + "\r\n";
}

// Expects `get` to fail with the failure kind E.
template <typename E> bool failsWith(HttpClient &client)
{
    try {
        client.get("/index.php?w=1");
    } catch (const E &) {
        return true;
    } catch (const std::exception &e) {
        qWarning() << "failed otherwise:" << e.what();
        return false;
    }
    qWarning() << "did not fail";
    return false;
}

} // namespace

class HttpClientTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<HttpClient> clientFor(const FakeSite &site,
                                          std::chrono::milliseconds readTimeout = 10s)
    {
        return std::make_unique<HttpClient>(
            HttpClient::Options{"127.0.0.1", site.port(), 10s, readTimeout});
    }

private slots:
    void twoLookupsShareOneConnection()
    {
        FakeSite site;
        site.answers = {
            {"HTTP/1.1 200 OK\r\nSet-Cookie: id=7; path=/\r\nContent-Length: 5\r\n\r\nfirst"}};
        auto client = clientFor(site);
        QCOMPARE(client->get("/index.php?w=1"), "first");
        QCOMPARE(client->get("/index.php?w=1"), "ok");
        QCOMPARE(site.received.size(), 1);
        QCOMPARE(site.received[0], request(site.port()) + request(site.port(), "id=7"));
    }

    void connectionCloseMakesTheNextLookupReconnect()
    {
        FakeSite site;
        site.answers = {{"HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 2\r\n\r\nok"}};
        auto client = clientFor(site);
        QCOMPARE(client->get("/index.php?w=1"), "ok");
        QCOMPARE(client->get("/index.php?w=1"), "ok");
        QCOMPARE(site.received.size(), 2);
        QCOMPARE(site.received[1], request(site.port()));
    }

    void serverClosingTheIdleConnectionCostsNoFailure_data()
    {
        QTest::addColumn<int>("then");
        QTest::newRow("closedAfterTheAnswer") << int(Then::Close);
        QTest::newRow("resetAfterTheAnswer") << int(Then::Reset);
    }

    void serverClosingTheIdleConnectionCostsNoFailure()
    {
        QFETCH(int, then);
        FakeSite site;
        site.answers = {{ok, Then(then)}};
        auto client = clientFor(site);
        QCOMPARE(client->get("/index.php?w=1"), "ok");
        QCOMPARE(client->get("/index.php?w=1"), "ok");
        QCOMPARE(site.received.size(), 2);
    }

    void requestMeetingAClosedConnectionIsSentAgain_data()
    {
        QTest::addColumn<int>("then");
        QTest::newRow("close") << int(Then::Close);
        QTest::newRow("reset") << int(Then::Reset);
    }

    void requestMeetingAClosedConnectionIsSentAgain()
    {
        // The server takes the second request on the kept-alive connection
        // and drops the connection without a byte of answer.
        QFETCH(int, then);
        FakeSite site;
        site.answers = {{ok}, {"", Then(then)}};
        auto client = clientFor(site);
        QCOMPARE(client->get("/index.php?w=1"), "ok");
        QCOMPARE(client->get("/index.php?w=1"), "ok");
        QCOMPARE(site.received.size(), 2);
        QCOMPARE(site.received[0], request(site.port()) + request(site.port()));
        QCOMPARE(site.received[1], request(site.port()));
    }

    void brokenResponsesFail_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("then");
        QTest::newRow("resetMidHeaders")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Le") << int(Then::Reset);
        QTest::newRow("closeMidHeaders")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Le") << int(Then::Close);
        QTest::newRow("closeMidChunk")
            << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nabc")
            << int(Then::Close);
        QTest::newRow("resetMidBody")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc") << int(Then::Reset);
    }

    void brokenResponsesFail()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, then);
        FakeSite site;
        site.answers = {{bytes, Then(then)}};
        auto client = clientFor(site);
        QVERIFY(failsWith<HttpConnectionLost>(*client));
        QCOMPARE(client->get("/index.php?w=1"), "ok"); // the next lookup starts afresh
    }

    void stalledServerFailsAtTheReadTimeout()
    {
        FakeSite site;
        site.answers = {{"HTTP/1.1 200 OK\r\n", Then::Stall}};
        auto client = clientFor(site, 300ms);
        QVERIFY(failsWith<HttpTimeout>(*client));
        QCOMPARE(client->get("/index.php?w=1"), "ok");
        QCOMPARE(site.received.size(), 2);
    }

    void nothingListeningFails()
    {
        quint16 port = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            port = probe.serverPort();
        }
        HttpClient client({"127.0.0.1", port, 10s, 10s});
        QVERIFY(failsWith<HttpConnectError>(client));
    }

    void connectingGivesUpAtTheConnectLimit()
    {
        // A listener whose accept queue is full drops further connection
        // requests, so a connect to it neither succeeds nor fails.
        const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        QCOMPARE(::bind(listener, reinterpret_cast<sockaddr *>(&address), length), 0);
        QCOMPARE(::listen(listener, 0), 0);
        ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length);
        const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        QCOMPARE(::connect(filler, reinterpret_cast<sockaddr *>(&address), length), 0);

        HttpClient client({"127.0.0.1", ntohs(address.sin_port), 300ms, 10s});
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
        ticker.start(20);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(failsWith<HttpConnectError>(client));
        QVERIFY(clock.elapsed() >= 290); // gave up at the limit, not refused at once
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks))); // serviced while connecting
        ::close(filler);
        ::close(listener);
    }

    void eventLoopKeepsRunningWhileTheSiteIsSilent()
    {
        FakeSite site;
        site.answers = {{"", Then::Stall}};
        auto client = clientFor(site, 1s);
        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] {
            longestGap = std::max(longestGap, sinceTick.restart());
            ++ticks;
        });
        ticker.start(20);
        sinceTick.start();
        QVERIFY(failsWith<HttpTimeout>(*client));
        QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
        QVERIFY2(longestGap < 250, qPrintable(QString::number(longestGap)));
    }

    void abortEndsTheExchange()
    {
        FakeSite site;
        site.answers = {{"", Then::Stall}};
        auto client = clientFor(site, 30s);
        bool secondRefused = false;
        QTimer::singleShot(50ms, this, [&] {
            QVERIFY(client->busy());
            // A second lookup asked for meanwhile is refused, not interleaved.
            try {
                client->get("/index.php?w=2");
            } catch (const HttpError &) {
                secondRefused = true;
            }
            client->abort();
        });
        QVERIFY(failsWith<HttpAborted>(*client));
        QVERIFY(secondRefused);
        QVERIFY(!client->busy());
        QCOMPARE(client->get("/index.php?w=1"), "ok");
    }

    void abortWhenIdleIsHarmless()
    {
        FakeSite site;
        auto client = clientFor(site);
        client->abort();
        QCOMPARE(client->get("/index.php?w=1"), "ok");
    }

    void fetchSendsTheEncodedQueryAndGivesTheBytesAsReceived()
    {
        FakeSite site;
        const QByteArray page("<p>ku\xFE\0\r\n</p>", 13);
        site.answers = {{"HTTP/1.1 200 OK\r\nContent-Length: 13\r\n\r\n" + page}};
        HttpClient client({"127.0.0.1", site.port(), 10s, 10s});
        const std::string body = FetchDictionaryPage(client, 3, 0, "good day#");
        QCOMPARE(QByteArray::fromStdString(body), page);
        QVERIFY(site.received[0].startsWith(
            "GET /index.php?selectFrom=french%20&selectTo=turkish&txtLang=good%20day%23"
            "&submitButton=Search HTTP/1.1\r\n"));
    }
};

QTEST_GUILESS_MAIN(HttpClientTest)
#include "tst_httpclient.moc"
