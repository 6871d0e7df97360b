#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>

// The dictionary and vendor site of one test, on 127.0.0.1 with a port of the
// system's choosing. It records every request head it receives and answers
// the dictionary's /index.php with the scripted answer; the web views'
// requests (banners, the loader image) get a small page, an image or a 404.
class LookupSite : public QObject
{
    Q_OBJECT
public:
    LookupSite();
    ~LookupSite() override;

    quint16 port() const { return m_server.serverPort(); }
    // As the window's vendor host: "127.0.0.1:<port>".
    QString hostAndPort() const;

    // Every later dictionary request gets this answer.
    void answer(int status, const QByteArray &body);
    // Dictionary requests are held without a byte of answer until release().
    void stall();
    // Answers the held requests with the scripted answer.
    void release();

    // The heads of the dictionary requests, in the order they arrived.
    const QList<QByteArray> &dictionaryRequests() const { return m_dictionary; }
    // The first line of each dictionary request.
    QList<QByteArray> dictionaryRequestLines() const;
    // The paths of every other request.
    const QList<QByteArray> &otherRequests() const { return m_other; }

    // Runs inside the event loop that delivered the request, after recording
    // it; a test acts there while the window's lookup waits for its answer.
    std::function<void()> onDictionaryRequest;

    // A port on 127.0.0.1 where nothing listens.
    static quint16 closedPort();

private:
    void serve(QTcpSocket *socket);
    void reply(QTcpSocket *socket);

    QTcpServer m_server;
    QByteArray m_reply;
    bool m_stalled = false;
    QList<QTcpSocket *> m_held;
    QList<QByteArray> m_dictionary;
    QList<QByteArray> m_other;
};
