#include "StatusPageHandler.h"

#include <QBuffer>
#include <QWebEngineUrlRequestJob>

namespace vorlinda::webview {

const QByteArray StatusPageHandler::scheme = QByteArrayLiteral("vorlinda-status");

QUrl StatusPageHandler::add(const QString &html)
{
    const QString path = QString::number(++m_lastId);
    m_pages.insert(path, html.toUtf8());
    QUrl address;
    address.setScheme(QString::fromLatin1(scheme));
    address.setPath(path);
    return address;
}

void StatusPageHandler::release(const QUrl &address)
{
    m_pages.remove(address.path());
}

void StatusPageHandler::requestStarted(QWebEngineUrlRequestJob *job)
{
    const auto page = m_pages.constFind(job->requestUrl().path());
    if (page == m_pages.cend()) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    // The job reads the buffer later; it owns it from here on.
    auto *body = new QBuffer(job);
    body->setData(page.value());
    body->open(QIODevice::ReadOnly);
    job->reply(QByteArrayLiteral("text/html;charset=utf-8"), body);
}

} // namespace vorlinda::webview
