#include "webview/TWebBrowser.h"

#include <QChildEvent>
#include <utility>

#include "platform/ExternalBrowser.h"
#include "webview/StatusPageFiles.h"
#include "webview/WebBrowserError.h"
#include "webview/WebBrowserPage.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QQuickWindow>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineDownloadRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

#include <cstdio>
#include <unistd.h>

namespace vorlinda::webview {

namespace {

StatusPageFiles statusPages;

bool isWebAddress(const QUrl &url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

} // namespace

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
    const QByteArray flags = engineFlags(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"));
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    // The engine takes its language from the default locale when it starts:
    // its error pages and messages come from its Turkish strings.
    QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
    // As root the engine will not run its sandbox, and ends the program with
    // a line on stderr before any window shows. Root can read every file the
    // renderer could be tricked into reading anyway; running beats vanishing.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX") &&
        !flags.contains("--no-sandbox")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        std::fputs("Project1: running as root, so the web engine's sandbox is off; run the "
                   "program as an ordinary user to keep it.\n",
                   stderr);
    }
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

QString TWebBrowser::engineStartProblem()
{
    // Where the engine looks for its helper: the path the environment
    // names, else Qt's folder of helper programs, else the program's own.
    const QString name = QStringLiteral("QtWebEngineProcess");
    const QString named = qEnvironmentVariable("QTWEBENGINEPROCESS_PATH");
    const QStringList candidates =
        !named.isEmpty()
            ? QStringList{named}
            : QStringList{QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + u'/' + name,
                          QCoreApplication::applicationDirPath() + u'/' + name};
    for (const QString &candidate : candidates)
        if (QFileInfo::exists(candidate))
            return {};
    return QStringLiteral("Web motoru başlatılamadı: yardımcı programı %1 bulunamadı")
        .arg(candidates.front());
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
    // Every page from its top: the result view loads the same file address
    // for each lookup, which the engine takes for a reload and would show at
    // the old page's scroll position.
    QWebEngineScript fromTop;
    fromTop.setInjectionPoint(QWebEngineScript::DocumentCreation);
    fromTop.setWorldId(QWebEngineScript::ApplicationWorld);
    fromTop.setSourceCode(QStringLiteral("history.scrollRestoration = 'manual';"));
    m_page->scripts().insert(fromTop);

    connect(m_page, &QWebEnginePage::loadFinished, this, &TWebBrowser::onLoadFinished);
    connect(m_page, &QWebEnginePage::newWindowRequested, this,
            [](QWebEngineNewWindowRequest &request) {
                // Only web addresses: the default context menu's page source
                // would otherwise land in the user's browser as well.
                if (isWebAddress(request.requestedUrl()))
                    platform::ExternalBrowser::open(request.requestedUrl());
            });
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int code) {
                if (status != QWebEnginePage::NormalTerminationStatus)
                    emit OnEngineFailure(
                        this, QStringLiteral("Web motorunun sayfaları çizen süreci beklenmedik "
                                             "biçimde sona erdi (çıkış kodu %1)")
                                  .arg(code));
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
    m_statusPage = statusPages.add(html);
    if (m_statusPage.isEmpty())
        throw WebBrowserError(webBrowserErrorMessage(QStringLiteral("Cannot create the page file."),
                                                     WebBrowserErrorCode::Failed),
                              WebBrowserErrorCode::Failed);
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

void TWebBrowser::contextMenuEvent(QContextMenuEvent *event)
{
    if (!m_page)
        return;
    const QWebEngineContextMenuRequest *request = lastContextMenuRequest();
    const bool editable = request && request->isContentEditable();
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const auto add = [&](QWebEnginePage::WebAction which, const QString &text) {
        QAction *action = m_page->action(which);
        action->setText(text);
        menu->addAction(action);
    };
    if (editable)
        add(QWebEnginePage::Cut, QStringLiteral("Kes"));
    add(QWebEnginePage::Copy, QStringLiteral("Kopyala"));
    if (editable)
        add(QWebEnginePage::Paste, QStringLiteral("Yapıştır"));
    menu->addSeparator();
    add(QWebEnginePage::SelectAll, QStringLiteral("Tümünü seç"));
    menu->popup(event->globalPos());
}

void TWebBrowser::onLoadFinished(bool ok)
{
    // A status page, then at once another page of ours (the waiting page,
    // then the lookup's end page): the engine may commit the status page
    // and drop the later load. The last one asked for is the one to show.
    // (A web address may end elsewhere through a redirect; ours never do.)
    const QUrl shown = m_page->url();
    if (ok && statusPages.owns(shown) && shown != m_requested && !m_requested.isEmpty() &&
        !isWebAddress(m_requested)) {
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
        statusPages.release(m_statusPage);
    m_statusPage.clear();
}

} // namespace vorlinda::webview
