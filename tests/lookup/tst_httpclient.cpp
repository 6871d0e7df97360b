#include "HttpClient.h"
#include "LoopbackSite.h"

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
    void twoLookupsShareOneConnection()
    {
        LoopbackSite site;
        site.route("/",
                   {{"HTTP/1.1 200 OK\r\nSet-Cookie: id=7\r\nContent-Length: 1\r\n\r\n1"}, {ok}});
        HttpClient client({"127.0.0.1", site.port()});
        QCOMPARE(client.get("/index.php?w=1"), "1");
        QCOMPARE(client.get("/index.php?w=1"), "ok");
        QCOMPARE(site.received.size(), 1);
        QVERIFY(site.heads[1].endsWith("\r\nCookie: id=7\r\n\r\n"));
    }

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
};

QTEST_GUILESS_MAIN(tst_HttpClient)
#include "tst_httpclient.moc"
