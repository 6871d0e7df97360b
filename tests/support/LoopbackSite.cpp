#include "tests/support/LoopbackSite.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>

#include <sys/socket.h>

LoopbackSite::LoopbackSite() : LoopbackSite(QString(), QString()) {}

LoopbackSite::LoopbackSite(const QString &certificateFile, const QString &keyFile)
{
    if (certificateFile.isEmpty()) {
        server_ = std::make_unique<QTcpServer>();
    } else {
        auto tls = std::make_unique<QSslServer>();
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(QSslCertificate::fromPath(certificateFile).value(0));
        QFile key(keyFile);
        key.open(QIODevice::ReadOnly);
        configuration.setPrivateKey(QSslKey(&key, QSsl::Ec));
        tls->setSslConfiguration(configuration);
        server_ = std::move(tls);
    }
    server_->listen(QHostAddress::LocalHost, 0);
    // A TLS connection is handed over once its handshake is done.
    const auto accept = [this] {
        while (QTcpSocket *socket = server_->nextPendingConnection()) {
            socket->setParent(this);
            const qsizetype connection = received.size();
            received.append(QByteArray());
            connect(socket, &QTcpSocket::readyRead, this,
                    [this, socket, connection] { read(socket, connection); });
            if (socket->bytesAvailable() > 0) // came with the end of the handshake
                read(socket, connection);
        }
    };
    connect(server_.get(), &QTcpServer::newConnection, this, accept);
    connect(server_.get(), &QTcpServer::pendingConnectionAvailable, this, accept);
}

QString LoopbackSite::hostAndPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

QUrl LoopbackSite::url(const QByteArray &path) const
{
    return QUrl(QStringLiteral("http://%1%2").arg(hostAndPort(), QString::fromLatin1(path)));
}

quint16 LoopbackSite::closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

QByteArray LoopbackSite::response(int status, const QByteArray &contentType, const QByteArray &body,
                                  bool close)
{
    return "HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Status") +
           "\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + QByteArray::number(body.size()) +
           (close ? "\r\nConnection: close" : "") + "\r\n\r\n" + body;
}

QByteArray LoopbackSite::pixelGif()
{
    return QByteArray::fromBase64("R0lGODlhAQABAIAAAP///wAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw==");
}

void LoopbackSite::route(const QByteArray &prefix, QList<Answer> answers)
{
    routes_.insert(prefix, std::move(answers));
}

void LoopbackSite::serve(const QByteArray &prefix, const QByteArray &contentType,
                         const QByteArray &body)
{
    route(prefix, {{response(200, contentType, body, true), Then::Close}});
}

void LoopbackSite::hold()
{
    holding_ = true;
}

void LoopbackSite::release()
{
    holding_ = false;
    for (const auto &[socket, answer] : std::exchange(held_, {}))
        if (socket)
            send(socket, answer);
}

QList<QByteArray> LoopbackSite::paths(const QByteArray &prefix) const
{
    QList<QByteArray> found;
    for (const QByteArray &head : heads) {
        const QByteArray path = head.left(head.indexOf("\r\n")).split(' ').value(1);
        if (path.startsWith(prefix))
            found << path;
    }
    return found;
}

LoopbackSite::Answer LoopbackSite::answerFor(const QByteArray &path)
{
    QList<Answer> *best = nullptr;
    qsizetype bestLength = -1;
    for (auto it = routes_.begin(); it != routes_.end(); ++it)
        if (path.startsWith(it.key()) && it.key().size() > bestLength && !it.value().isEmpty()) {
            best = &it.value();
            bestLength = it.key().size();
        }
    if (!best)
        return {response(404, "text/plain", "not here", true), Then::Close};
    return best->size() > 1 ? best->takeFirst() : best->first();
}

void LoopbackSite::send(QTcpSocket *socket, const Answer &answer)
{
    if (answer.then == Then::Stall)
        return;
    socket->write(answer.bytes);
    socket->flush();
    if (answer.then == Then::Close) {
        socket->disconnectFromHost();
    } else if (answer.then == Then::Reset) {
        const linger hard{1, 0};
        ::setsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard,
                     sizeof hard);
        socket->abort();
    }
}

void LoopbackSite::read(QTcpSocket *socket, qsizetype connection)
{
    // Requests come without bodies; a kept-alive connection may bring several,
    // and a head may come in pieces.
    const QByteArray bytes = socket->readAll();
    received[connection] += bytes;
    QByteArray pending = socket->property("pending").toByteArray() + bytes;
    const QPointer<QTcpSocket> alive(socket);
    for (qsizetype end = pending.indexOf("\r\n\r\n"); end >= 0; end = pending.indexOf("\r\n\r\n")) {
        const QByteArray head = pending.left(end + 4);
        pending.remove(0, end + 4);
        heads << head;
        const Answer answer = answerFor(head.left(head.indexOf("\r\n")).split(' ').value(1));
        if (holding_)
            held_.append({alive, answer});
        else
            send(socket, answer);
        if (onRequest)
            onRequest(head);
        if (!alive || answer.then != Then::StayOpen ||
            socket->state() != QAbstractSocket::ConnectedState)
            return;
    }
    socket->setProperty("pending", pending);
}
