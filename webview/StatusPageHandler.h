#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

namespace vorlinda::webview {

// Serves the inline HTML of "about:" addresses under a scheme of our own, so
// that a status page has no size limit and loads its images over http like
// any other page.
class StatusPageHandler : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT

public:
    static const QByteArray scheme;

    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    // Keeps the page until it is released and returns the address it is
    // served at.
    QUrl add(const QString &html);
    void release(const QUrl &address);

    void requestStarted(QWebEngineUrlRequestJob *job) override;

private:
    QHash<QString, QByteArray> m_pages;
    quint64 m_lastId = 0;
};

} // namespace vorlinda::webview
