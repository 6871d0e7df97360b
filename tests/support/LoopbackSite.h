#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <functional>
#include <memory>

// A site for one test on 127.0.0.1, with a port of the system's choosing. It
// records every byte each connection brings and every request head, and
// answers each request by the longest path prefix it was given. It runs in
// the test's thread, served by the event loop the client runs while it waits.
class LoopbackSite : public QObject
{
public:
    // What the site does once an answer's bytes are out.
    enum class Then
    {
        StayOpen,
        Close,
        Reset, // a zero linger time: the client sees a reset, not a close
        Stall  // not even the bytes: the request is never answered
    };
    struct Answer
    {
        QByteArray bytes;
        Then then = Then::StayOpen;
    };

    LoopbackSite();
    // The same site inside TLS (https), showing this certificate and key (PEM files).
    LoopbackSite(const QString &certificateFile, const QString &keyFile);

    quint16 port() const { return server_->serverPort(); }
    QString hostAndPort() const;
    QUrl url(const QByteArray &path) const;
    // A port on 127.0.0.1 where nothing listens.
    static quint16 closedPort();
    static QByteArray response(int status, const QByteArray &contentType, const QByteArray &body,
                               bool close = false);
    // One transparent pixel, for the pages' images.
    static QByteArray pixelGif();

    // Requests under prefix take these answers in order, the last repeated.
    void route(const QByteArray &prefix, QList<Answer> answers);
    // One page under prefix, and the connection closed after it.
    void serve(const QByteArray &prefix, const QByteArray &contentType, const QByteArray &body);
    // Requests are recorded but answered only on release().
    void hold();
    void release();

    QList<QByteArray> paths(const QByteArray &prefix = {}) const;

    QList<QByteArray> received; // per connection, in the order they were accepted
    QList<QByteArray> heads;    // every request head, in the order they arrived
    // Runs once a request is recorded and answered (or held).
    std::function<void(const QByteArray &head)> onRequest;

private:
    void read(QTcpSocket *socket, qsizetype connection);
    Answer answerFor(const QByteArray &path);
    static void send(QTcpSocket *socket, const Answer &answer);

    std::unique_ptr<QTcpServer> server_;
    QHash<QByteArray, QList<Answer>> routes_;
    bool holding_ = false;
    QList<QPair<QPointer<QTcpSocket>, Answer>> held_;
};
