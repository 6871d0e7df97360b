#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QTcpServer>
#include <QUrl>

// A tiny HTTP server on 127.0.0.1 with a port of the system's choosing. It
// answers the paths it was given, 404 to the rest, and never answers paths
// marked as hanging, so a load can be caught in the middle.
class LoopbackHttpServer : public QTcpServer
{
    Q_OBJECT

public:
    explicit LoopbackHttpServer(QObject *parent = nullptr);

    void serve(const QByteArray &path, const QByteArray &contentType, const QByteArray &body);
    void hang(const QByteArray &path);

    QUrl url(const QByteArray &path) const;
    // The paths of the GET requests received so far, in order.
    const QList<QByteArray> &requests() const { return m_requests; }

private:
    struct Resource
    {
        QByteArray contentType;
        QByteArray body;
    };

    void answer(QTcpSocket *socket);

    QHash<QByteArray, Resource> m_resources;
    QList<QByteArray> m_hanging;
    QList<QByteArray> m_requests;
};
