#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>

// A site on 127.0.0.1 (an ephemeral port) for one test: it records the bytes
// each connection brought and answers every complete request with the next
// scripted answer. It runs in the test's thread, served by the same event
// loop the client runs while it waits.
class FakeSite : public QObject
{
public:
    enum class Then
    {
        StayOpen,
        Close,
        Reset,
        Stall
    };

    struct Answer
    {
        QByteArray bytes;
        Then then = Then::StayOpen;
    };

    FakeSite();

    quint16 port() const { return server_.serverPort(); }

    QList<Answer> answers; // taken in order; once used up, every request gets `fallback`
    Answer fallback{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"};
    QList<QByteArray> received; // per connection, in the order they were accepted

private:
    void serve(QTcpSocket *socket, qsizetype index);

    QTcpServer server_;
};
