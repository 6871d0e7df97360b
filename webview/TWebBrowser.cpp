#include "TWebBrowser.h"

#include <QChildEvent>
#include <utility>

#include "ExternalBrowser.h"
#include "StatusPageHandler.h"
#include "WebBrowserError.h"
#include "WebBrowserPage.h"

#include <QCoreApplication>
#include <QQuickWindow>
#include <QWebEngineDownloadRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlScheme>

namespace vorlinda::webview {

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

QByteArray TWebBrowser::engineFlags(const QByteArray &users)
{
    // One renderer process for the four views: their pages come from two
    // sites and the program itself, and keeping them apart buys nothing
    // here. No GPU for four small still pages: it costs a GL context and
    // more memory than it saves in drawing.
    QByteArray flags = "--renderer-process-limit=1 --disable-gpu";
    if (!users.trimmed().isEmpty())
        flags += ' ' + users.trimmed();
    return flags;
}

void TWebBrowser::setUpEngine()
{
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", engineFlags(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS")));
    // The pages are composed in software (no GPU above), so the views are
    // drawn in software too, and on X the application loads no OpenGL at
    // all: setting it up took 70 ms of the way to the first window and its
    // driver several MiB. The engine's start then says once on stderr that
    // it could not create an OpenGL context. A user's own choice of the X
    // OpenGL integration is kept.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
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

TWebBrowser::TWebBrowser(QWidget *parent, Engine engine) : QWebEngineView(parent)
{
    if (engine == Engine::Now)
        attach();
}

void TWebBrowser::attach()
{
    if (m_page)
        return;
    m_page = new WebBrowserPage(sharedProfile(), this);
    m_page->setRestricted(m_restricted);
    // The views load while the user types; they must not take the focus.
    m_page->settings()->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    setPage(m_page);
    m_page->setVisible(isVisible());

    connect(m_page, &QWebEnginePage::loadFinished, this, &TWebBrowser::onLoadFinished);
    connect(m_page, &QWebEnginePage::newWindowRequested, this,
            [](QWebEngineNewWindowRequest &request) {
                // Only web addresses: the default context menu's page source
                // would otherwise land in the user's browser as well.
                if (isWebAddress(request.requestedUrl()))
                    platform::ExternalBrowser::open(request.requestedUrl());
            });
    if (!m_pending.isEmpty())
        Navigate(std::exchange(m_pending, QString()));
}

TWebBrowser::~TWebBrowser()
{
    releaseStatusPage();
}

void TWebBrowser::Navigate(const QString &url)
{
    static const QLatin1String about("about:");
    const bool statusPage = url.startsWith(about, Qt::CaseInsensitive);
    const QUrl address = statusPage ? QUrl() : QUrl(url);
    if (!statusPage) {
        if (!address.isValid() || address.scheme().isEmpty() ||
            (isWebAddress(address) && address.host().isEmpty()))
            throw WebBrowserError(webBrowserErrorMessage(QStringLiteral("Invalid URL."),
                                                         WebBrowserErrorCode::InvalidUrl),
                                  WebBrowserErrorCode::InvalidUrl);
        if (!isWebAddress(address) && !address.isLocalFile())
            throw WebBrowserError(
                webBrowserErrorMessage(QStringLiteral("Unsupported address scheme."),
                                       WebBrowserErrorCode::UnknownProtocol),
                WebBrowserErrorCode::UnknownProtocol);
    }
    if (!m_page) {
        m_pending = url;
        return;
    }

    releaseStatusPage();
    if (!statusPage) {
        m_requested = address;
        m_page->load(address);
        return;
    }
    QString html = url.mid(about.size());
    if (html.compare(QLatin1String("blank"), Qt::CaseInsensitive) == 0)
        html.clear();
    m_statusPage = statusPages->add(html);
    m_requested = m_statusPage;
    m_page->load(m_statusPage);
}

void TWebBrowser::setRestricted(bool restricted)
{
    m_restricted = restricted;
    if (m_page)
        m_page->setRestricted(restricted);
}

bool TWebBrowser::isRestricted() const
{
    return m_restricted;
}

void TWebBrowser::childEvent(QChildEvent *event)
{
    QWebEngineView::childEvent(event);
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished) {
        if (auto *child = qobject_cast<QWidget *>(event->child()))
            child->setFocusPolicy(focusPolicy());
    }
}

void TWebBrowser::showEvent(QShowEvent *event)
{
    if (m_page)
        QWebEngineView::showEvent(event);
    else
        QWidget::showEvent(event);
}

void TWebBrowser::hideEvent(QHideEvent *event)
{
    if (m_page)
        QWebEngineView::hideEvent(event);
    else
        QWidget::hideEvent(event);
}

void TWebBrowser::closeEvent(QCloseEvent *event)
{
    if (m_page)
        QWebEngineView::closeEvent(event);
    else
        QWidget::closeEvent(event);
}

void TWebBrowser::onLoadFinished(bool ok)
{
    // A status page, then at once another page of ours (the waiting page,
    // then the lookup's end page): the engine may commit the status page
    // and drop the later load. The last one asked for is the one to show.
    // (A web address may end elsewhere through a redirect; ours never do.)
    const QUrl shown = m_page->url();
    if (ok && shown.scheme().toLatin1() == StatusPageHandler::scheme && shown != m_requested &&
        !m_requested.isEmpty() && !isWebAddress(m_requested)) {
        // Once the engine is done with the commit: a load asked for from
        // within it is dropped as well.
        QMetaObject::invokeMethod(
            this,
            [this, address = m_requested] {
                if (m_requested == address)
                    m_page->load(address);
            },
            Qt::QueuedConnection);
        return;
    }
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

} // namespace vorlinda::webview
