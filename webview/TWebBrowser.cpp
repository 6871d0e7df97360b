#include "TWebBrowser.h"

#include <QChildEvent>

#include "ExternalBrowser.h"
#include "StatusPageHandler.h"
#include "WebBrowserError.h"
#include "WebBrowserPage.h"

#include <QCoreApplication>
#include <QWebEngineDownloadRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlScheme>

namespace {

StatusPageHandler *statusPages = nullptr;

bool isWebAddress(const QUrl &url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

} // namespace

void TWebBrowser::registerSchemes()
{
    if (QWebEngineUrlScheme::schemeByName(StatusPageHandler::scheme).name() ==
        StatusPageHandler::scheme)
        return;
    QWebEngineUrlScheme status(StatusPageHandler::scheme);
    status.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    // Neither local nor secure: a status page may load its images over plain
    // http and may not read local files.
    status.setFlags({});
    QWebEngineUrlScheme::registerScheme(status);
}

QWebEngineProfile *TWebBrowser::sharedProfile()
{
    static QWebEngineProfile *profile = [] {
        // No storage name: an off-the-record profile, kept in memory only.
        auto *p = new QWebEngineProfile(QCoreApplication::instance());
        p->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        p->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        p->setSpellCheckEnabled(false);
        QObject::connect(p, &QWebEngineProfile::downloadRequested,
                         [](QWebEngineDownloadRequest *download) { download->cancel(); });
        if (QWebEngineUrlScheme::schemeByName(StatusPageHandler::scheme).name() !=
            StatusPageHandler::scheme)
            qWarning("TWebBrowser::registerSchemes() was not called before the application");
        statusPages = new StatusPageHandler(p);
        p->installUrlSchemeHandler(StatusPageHandler::scheme, statusPages);
        return p;
    }();
    return profile;
}

TWebBrowser::TWebBrowser(QWidget *parent) : QWebEngineView(parent)
{
    m_page = new WebBrowserPage(sharedProfile(), this);
    m_page->setRestricted(false);
    // The views load while the user types; they must not take the focus.
    m_page->settings()->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    setPage(m_page);

    connect(m_page, &QWebEnginePage::loadFinished, this, &TWebBrowser::onLoadFinished);
    connect(m_page, &QWebEnginePage::newWindowRequested, this,
            [](QWebEngineNewWindowRequest &request) {
                // Only web addresses: the default context menu's page source
                // would otherwise land in the user's browser as well.
                if (isWebAddress(request.requestedUrl()))
                    ExternalBrowser::open(request.requestedUrl());
            });
}

TWebBrowser::~TWebBrowser()
{
    releaseStatusPage();
}

void TWebBrowser::Navigate(const QString &url)
{
    static const QLatin1String about("about:");
    if (url.startsWith(about, Qt::CaseInsensitive)) {
        QString html = url.mid(about.size());
        if (html.compare(QLatin1String("blank"), Qt::CaseInsensitive) == 0)
            html.clear();
        releaseStatusPage();
        m_statusPage = statusPages->add(html);
        m_page->load(m_statusPage);
        return;
    }

    const QUrl address(url);
    if (!address.isValid() || address.scheme().isEmpty() ||
        (isWebAddress(address) && address.host().isEmpty()))
        throw WebBrowserError(
            webBrowserErrorMessage(QStringLiteral("Invalid URL."), WebBrowserErrorCode::InvalidUrl),
            WebBrowserErrorCode::InvalidUrl);
    if (!isWebAddress(address) && !address.isLocalFile())
        throw WebBrowserError(webBrowserErrorMessage(QStringLiteral("Unsupported address scheme."),
                                                     WebBrowserErrorCode::UnknownProtocol),
                              WebBrowserErrorCode::UnknownProtocol);
    releaseStatusPage();
    m_page->load(address);
}

void TWebBrowser::setRestricted(bool restricted)
{
    m_page->setRestricted(restricted);
}

bool TWebBrowser::isRestricted() const
{
    return m_page->isRestricted();
}

void TWebBrowser::childEvent(QChildEvent *event)
{
    QWebEngineView::childEvent(event);
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished) {
        if (auto *child = qobject_cast<QWidget *>(event->child()))
            child->setFocusPolicy(focusPolicy());
    }
}

void TWebBrowser::onLoadFinished(bool ok)
{
    emit OnDownloadComplete(this);
    if (ok)
        emit OnDocumentComplete(this, m_page, m_page->url());
}

void TWebBrowser::releaseStatusPage()
{
    if (!m_statusPage.isEmpty())
        statusPages->release(m_statusPage);
    m_statusPage.clear();
}
