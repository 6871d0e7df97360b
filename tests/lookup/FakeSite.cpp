#include "FakeSite.h"

#include <sys/socket.h>

FakeSite::FakeSite()
{
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = server_.nextPendingConnection()) {
            const qsizetype index = received.size();
            received.append(QByteArray());
            connect(socket, &QTcpSocket::readyRead, this,
                    [this, socket, index] { serve(socket, index); });
        }
    });
}

void FakeSite::serve(QTcpSocket *socket, qsizetype index)
{
    QByteArray &bytes = received[index];
    bytes += socket->readAll();
    // Answer each request that is complete and not yet answered.
    while (bytes.count("\r\n\r\n") > socket->property("answered").toInt()) {
        socket->setProperty("answered", socket->property("answered").toInt() + 1);
        const Answer answer = answers.isEmpty() ? fallback : answers.takeFirst();
        if (answer.then == Then::Stall)
            return;
        socket->write(answer.bytes);
        socket->flush();
        if (answer.then == Then::Close) {
            socket->disconnectFromHost();
        } else if (answer.then == Then::Reset) {
            // Closing with a zero linger time sends a reset instead of a close.
            const linger hard{1, 0};
            ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard,
                         sizeof hard);
            socket->abort();
        }
        if (answer.then != Then::StayOpen)
            return;
    }
}
