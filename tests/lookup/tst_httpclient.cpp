#include "lookup/client/HttpClient.h"
#include "tests/support/LoopbackSite.h"
#include "tests/support/TestAuthority.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

using namespace vorlinda::lookup;

using namespace std::chrono_literals;
using Then = LoopbackSite::Then;

static const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";

// What only the sockets can break; the bytes themselves are the core tests' rows.
class tst_HttpClient : public QObject
{
    Q_OBJECT

private slots:
    void idleConnectionClosedOrResetCostsNoFailedLookup_data()
    {
        QTest::addColumn<int>("then");
        QTest::newRow("closed") << int(Then::Close);
        QTest::newRow("reset") << int(Then::Reset);
    }

    void idleConnectionClosedOrResetCostsNoFailedLookup()
    {
        QFETCH(int, then);
        LoopbackSite site;
        site.route("/", {{ok, Then(then)}});
        HttpClient client({"127.0.0.1", site.port()});
        QCOMPARE(client.get("/index.php?w=1"), "ok");
        QCOMPARE(client.get("/index.php?w=1"), "ok");
        QCOMPARE(site.received.size(), 2);
    }

    void resetMidResponseFailsAndTheNextLookupStartsAfresh()
    {
        LoopbackSite site;
        site.route("/", {{"HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nabc", Then::Reset}, {ok}});
        HttpClient client({"127.0.0.1", site.port()});
        QVERIFY_THROWS_EXCEPTION(HttpConnectionLost, client.get("/index.php?w=1"));
        QCOMPARE(client.get("/index.php?w=1"), "ok");
    }

    void stalledSiteFailsAtTheReadTimeoutWhileTimersRun()
    {
        LoopbackSite site;
        site.route("/", {{"", Then::Stall}, {ok}});
        HttpClient client({"127.0.0.1", site.port(), 10s, 500ms});
        QElapsedTimer clock, sinceTick;
        qint64 longestGap = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this,
                [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
        ticker.start(20);
        clock.start();
        sinceTick.start();
        QVERIFY_THROWS_EXCEPTION(HttpTimeout, client.get("/index.php?w=1"));
        const qint64 took = clock.elapsed();
        QVERIFY2(took >= 450 && took < 3000, qPrintable(QString::number(took)));
        longestGap = std::max(longestGap, sinceTick.elapsed());
        QVERIFY2(longestGap < 250, qPrintable(QString::number(longestGap)));
        QCOMPARE(client.get("/index.php?w=1"), "ok");
    }

    void nothingListeningFailsToConnect()
    {
        HttpClient client({"127.0.0.1", LoopbackSite::closedPort()});
        QVERIFY_THROWS_EXCEPTION(HttpConnectError, client.get("/index.php?w=1"));
    }

    void abortEndsTheExchangeAndASecondOneIsRefusedMeanwhile()
    {
        LoopbackSite site;
        site.route("/", {{"", Then::Stall}, {ok}});
        HttpClient client({"127.0.0.1", site.port(), 10s, 5s});
        site.onRequest = [&](const QByteArray &) {
            if (site.heads.size() == 1) {
                QVERIFY_THROWS_EXCEPTION(HttpError, client.get("/index.php?w=2"));
                client.abort();
            }
        };
        QVERIFY_THROWS_EXCEPTION(HttpAborted, client.get("/index.php?w=1"));
        QCOMPARE(client.get("/index.php?w=1"), "ok");
        QCOMPARE(site.heads.size(), 2);
    }

    // Plain and inside TLS: the request's exact bytes (the port in the Host
    // line), one kept connection, the one retry when the site closes it on
    // the request, and a secure cookie only over https.
    void keptConnectionRetriedOnceAndSecureCookieOnlyOverHttps_data()
    {
        QTest::addColumn<bool>("https");
        QTest::addColumn<QByteArray>("cookies");
        QTest::newRow("http") << false << QByteArray("a=1");
        QTest::newRow("https") << true << QByteArray("a=1; s=2");
    }

    void keptConnectionRetriedOnceAndSecureCookieOnlyOverHttps()
    {
        QFETCH(bool, https);
        QFETCH(QByteArray, cookies);
        TestAuthority authority;
        const TestAuthority::Issued issued = authority.issue("127.0.0.1");
        qputenv("SSL_CERT_FILE", QByteArray::fromStdString(authority.caFile()));
        LoopbackSite site(https ? QString::fromStdString(issued.certificateFile) : QString(),
                          https ? QString::fromStdString(issued.keyFile) : QString());
        site.route("/", {{"HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nSet-Cookie: s=2; secure\r\n"
                          "Content-Length: 1\r\n\r\n1"},
                         {"", Then::Close},
                         {ok}});
        HttpClient client({"127.0.0.1", site.port(), 10s, 5s, https});
        QCOMPARE(client.get("/index.php?w=1"), "1");
        QCOMPARE(client.get("/index.php?w=2"), "ok");
        QCOMPARE(site.received.size(), 2);
        QCOMPARE(site.heads.size(), 3);
        QCOMPARE(site.heads[2], "GET /index.php?w=2 HTTP/1.1\r\nContent-Type: text/html\r\nHost: "
                                "127.0.0.1:" +
                                    QByteArray::number(site.port()) +
                                    "\r\nAccept: text/html, */*\r\nUser-Agent: Mozilla/3.0 "
                                    "(compatible; Indy Library)\r\nCookie: " +
                                    cookies + "\r\n\r\n");
    }

    // Every certificate that fails is a failed lookup naming its reason, and
    // not a byte of the request reaches the site.
    void httpsRefusesTheCertificate_data()
    {
        QTest::addColumn<QString>("host");      // the client asks for
        QTest::addColumn<QString>("madeOutTo"); // in the certificate
        QTest::addColumn<int>("days");          // valid from now; negative: expired
        QTest::addColumn<bool>("trusted");      // signed by the authority the client is given
        QTest::addColumn<QString>("failure");
        const QString expired = "0: the site's certificate has expired or is not yet valid";
        const QString wrongName = "1: the site's certificate is made out to another name";
        const QString unknown = "2: the site's certificate comes from an unknown issuer";
        QTest::newRow("expired") << "127.0.0.1"
                                 << "127.0.0.1" << -1 << true << expired;
        QTest::newRow("wrong name") << "localhost"
                                    << "other.test" << 1 << true << wrongName;
        QTest::newRow("wrong address") << "127.0.0.1"
                                       << "127.0.0.2" << 1 << true << wrongName;
        QTest::newRow("unknown issuer") << "127.0.0.1"
                                        << "127.0.0.1" << 1 << false << unknown;
    }

    void httpsRefusesTheCertificate()
    {
        QFETCH(QString, host);
        QFETCH(QString, madeOutTo);
        QFETCH(int, days);
        QFETCH(bool, trusted);
        QFETCH(QString, failure);
        TestAuthority authority, stranger;
        const TestAuthority::Issued issued =
            (trusted ? authority : stranger).issue(madeOutTo.toStdString(), days);
        qputenv("SSL_CERT_FILE", QByteArray::fromStdString(authority.caFile()));
        LoopbackSite site(QString::fromStdString(issued.certificateFile),
                          QString::fromStdString(issued.keyFile));
        site.route("/", {{ok}});
        HttpClient client({host.toStdString(), site.port(), 10s, 5s, true});
        QString caught;
        try {
            client.get("/index.php?w=1");
        } catch (const HttpCertificateError &error) {
            caught = QString::number(int(error.reason())) + ": " + error.what();
        }
        QCOMPARE(caught, failure);
        QCOMPARE(site.heads.size(), 0);
    }

    void httpsHandshakeTimesOutAsAReadDoes()
    {
        LoopbackSite plain; // takes the handshake's bytes for a request head that never ends
        HttpClient client({"127.0.0.1", plain.port(), 10s, 300ms, true});
        QVERIFY_THROWS_EXCEPTION(HttpTimeout, client.get("/index.php?w=1"));
    }
};

QTEST_GUILESS_MAIN(tst_HttpClient)
#include "tst_httpclient.moc"
