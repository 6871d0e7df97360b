#include "LoopbackHttpServer.h"

#include <QTcpSocket>

LoopbackHttpServer::LoopbackHttpServer(QObject *parent) : QTcpServer(parent)
{
    listen(QHostAddress::LocalHost, 0);
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

void LoopbackHttpServer::serve(const QByteArray &path, const QByteArray &contentType,
                               const QByteArray &body)
{
    m_resources.insert(path, {contentType, body});
}

void LoopbackHttpServer::hang(const QByteArray &path)
{
    m_hanging.append(path);
}

QUrl LoopbackHttpServer::url(const QByteArray &path) const
{
    return QUrl(
        QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(QString::fromLatin1(path)));
}

void LoopbackHttpServer::answer(QTcpSocket *socket)
{
    // Wait for the whole head; the browser sends GETs without a body.
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    socket->setProperty("head", head);
    if (!head.contains("\r\n\r\n"))
        return;
    socket->setProperty("head", QByteArray());

    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    const QByteArray path = requestLine.value(1);
    m_requests.append(path);
    if (m_hanging.contains(path))
        return;

    const auto found = m_resources.constFind(path);
    const bool ok = found != m_resources.cend();
    const QByteArray body = ok ? found->body : QByteArrayLiteral("not here");
    QByteArray reply = ok ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 404 Not Found\r\n";
    reply += "Content-Type: " + (ok ? found->contentType : QByteArrayLiteral("text/plain")) +
             "\r\nContent-Length: " + QByteArray::number(body.size()) +
             "\r\nConnection: close\r\n\r\n" + body;
    socket->write(reply);
    socket->disconnectFromHost();
}
