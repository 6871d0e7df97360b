#include "LookupSite.h"

#include <QPointer>

namespace {

QByteArray response(int status, const QByteArray &contentType, const QByteArray &body, bool close)
{
    QByteArray bytes = "HTTP/1.1 " + QByteArray::number(status) +
                       (status == 200 ? " OK" : " Status") + "\r\nContent-Type: " + contentType +
                       "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
    if (close)
        bytes += "Connection: close\r\n";
    return bytes + "\r\n" + body;
}

// One transparent pixel, for the waiting page's loader image.
const QByteArray gif =
    QByteArray::fromBase64("R0lGODlhAQABAIAAAP///wAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw==");

} // namespace

LookupSite::LookupSite()
{
    m_reply = response(200, "text/html", "<html></html>", false);
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        }
    });
}

LookupSite::~LookupSite() = default;

QString LookupSite::hostAndPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

void LookupSite::answer(int status, const QByteArray &body)
{
    m_reply = response(status, "text/html", body, false);
}

void LookupSite::stall()
{
    m_stalled = true;
}

void LookupSite::release()
{
    m_stalled = false;
    const QList<QTcpSocket *> held = std::exchange(m_held, {});
    for (QTcpSocket *socket : held)
        reply(socket);
}

QList<QByteArray> LookupSite::dictionaryRequestLines() const
{
    QList<QByteArray> lines;
    for (const QByteArray &head : m_dictionary)
        lines << head.left(head.indexOf("\r\n"));
    return lines;
}

quint16 LookupSite::closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

void LookupSite::reply(QTcpSocket *socket)
{
    socket->write(m_reply);
    socket->flush();
}

void LookupSite::serve(QTcpSocket *socket)
{
    // Requests come without bodies; a kept-alive connection may bring several.
    QByteArray pending = socket->property("pending").toByteArray() + socket->readAll();
    const QPointer<QTcpSocket> alive(socket);
    for (qsizetype end = pending.indexOf("\r\n\r\n"); end >= 0; end = pending.indexOf("\r\n\r\n")) {
        const QByteArray head = pending.left(end + 4);
        pending.remove(0, end + 4);
        const QByteArray path = head.left(head.indexOf("\r\n")).split(' ').value(1);
        if (!path.startsWith("/index.php")) {
            m_other << path;
            const bool image = path.endsWith(".gif");
            const bool banner = path.startsWith("/ban.asp") || path.startsWith("/res/cevir.htm");
            socket->write(image    ? response(200, "image/gif", gif, true)
                          : banner ? response(200, "text/html", "<b>banner</b>", true)
                                   : response(404, "text/plain", "not here", true));
            socket->disconnectFromHost();
            return;
        }
        m_dictionary << head;
        if (m_stalled)
            m_held << socket;
        else
            reply(socket);
        if (onDictionaryRequest)
            onDictionaryRequest();
        if (!alive)
            return;
    }
    socket->setProperty("pending", pending);
}
