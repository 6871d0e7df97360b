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
    if (page_)
        return;
    page_ = new WebBrowserPage(sharedProfile(), this);
    page_->setRestricted(restricted_);
    // The views load while the user types; they must not take the focus.
    page_->settings()->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    setPage(page_);
    page_->setVisible(isVisible());
    // Every page from its top: the result view loads the same file address
    // for each lookup, which the engine takes for a reload and would show at
    // the old page's scroll position.
    QWebEngineScript fromTop;
    fromTop.setInjectionPoint(QWebEngineScript::DocumentCreation);
    fromTop.setWorldId(QWebEngineScript::ApplicationWorld);
    fromTop.setSourceCode(QStringLiteral("history.scrollRestoration = 'manual';"));
    page_->scripts().insert(fromTop);

    connect(page_, &QWebEnginePage::loadFinished, this, &TWebBrowser::onLoadFinished);
    connect(page_, &QWebEnginePage::newWindowRequested, this,
            [](QWebEngineNewWindowRequest &request) {
                // Only web addresses: the default context menu's page source
                // would otherwise land in the user's browser as well.
                if (isWebAddress(request.requestedUrl()))
                    platform::ExternalBrowser::open(request.requestedUrl());
            });
    connect(page_, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int code) {
                if (status != QWebEnginePage::NormalTerminationStatus)
                    emit OnEngineFailure(
                        this, QStringLiteral("Web motorunun sayfaları çizen süreci beklenmedik "
                                             "biçimde sona erdi (çıkış kodu %1)")
                                  .arg(code));
            });
    if (!pending_.isEmpty())
        Navigate(std::exchange(pending_, QString()));
}

TWebBrowser::~TWebBrowser()
{
    releaseStatusPage();
}

void TWebBrowser::Navigate(const QString &url)
{
    static const QLatin1String kAbout("about:");
    const bool statusPage = url.startsWith(kAbout, Qt::CaseInsensitive);
    const QUrl address = statusPage ? QUrl() : QUrl(url);
    if (!statusPage) {
        if (!address.isValid() || address.scheme().isEmpty() ||
            (isWebAddress(address) && address.host().isEmpty()))
            throw WebBrowserError(webBrowserErrorMessage(QStringLiteral("Invalid URL."),
                                                         WebBrowserErrorCode::kInvalidUrl),
                                  WebBrowserErrorCode::kInvalidUrl);
        if (!isWebAddress(address) && !address.isLocalFile())
            throw WebBrowserError(
                webBrowserErrorMessage(QStringLiteral("Unsupported address scheme."),
                                       WebBrowserErrorCode::kUnknownProtocol),
                WebBrowserErrorCode::kUnknownProtocol);
    }
    if (!page_) {
        pending_ = url;
        return;
    }

    releaseStatusPage();
    if (!statusPage) {
        requested_ = address;
        page_->load(address);
        return;
    }
    QString html = url.mid(kAbout.size());
    if (html.compare(QLatin1String("blank"), Qt::CaseInsensitive) == 0)
        html.clear();
    statusPage_ = statusPages.add(html);
    if (statusPage_.isEmpty())
        throw WebBrowserError(webBrowserErrorMessage(QStringLiteral("Cannot create the page file."),
                                                     WebBrowserErrorCode::kFailed),
                              WebBrowserErrorCode::kFailed);
    requested_ = statusPage_;
    page_->load(statusPage_);
}

void TWebBrowser::setRestricted(bool restricted)
{
    restricted_ = restricted;
    if (page_)
        page_->setRestricted(restricted);
}

bool TWebBrowser::isRestricted() const
{
    return restricted_;
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
    if (page_)
        QWebEngineView::showEvent(event);
    else                           // the engine view's own would make a page of the default profile
        QWidget::showEvent(event); // NOLINT(bugprone-parent-virtual-call)
}

void TWebBrowser::hideEvent(QHideEvent *event)
{
    if (page_)
        QWebEngineView::hideEvent(event);
    else                           // the engine view's own would make a page of the default profile
        QWidget::hideEvent(event); // NOLINT(bugprone-parent-virtual-call)
}

void TWebBrowser::closeEvent(QCloseEvent *event)
{
    if (page_)
        QWebEngineView::closeEvent(event);
    else // the engine view's own would make a page of the default profile
        QWidget::closeEvent(event); // NOLINT(bugprone-parent-virtual-call)
}

void TWebBrowser::contextMenuEvent(QContextMenuEvent *event)
{
    if (!page_)
        return;
    const QWebEngineContextMenuRequest *request = lastContextMenuRequest();
    const bool editable = request && request->isContentEditable();
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const auto add = [&](QWebEnginePage::WebAction which, const QString &text) {
        QAction *action = page_->action(which);
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
    const QUrl shown = page_->url();
    if (ok && statusPages.owns(shown) && shown != requested_ && !requested_.isEmpty() &&
        !isWebAddress(requested_)) {
        // Once the engine is done with the commit: a load asked for from
        // within it is dropped as well.
        QMetaObject::invokeMethod(
            this,
            [this, address = requested_] {
                if (requested_ == address)
                    page_->load(address);
            },
            Qt::QueuedConnection);
        return;
    }
    emit OnDownloadComplete(this);
    if (ok)
        emit OnDocumentComplete(this, page_, page_->url());
}

void TWebBrowser::releaseStatusPage()
{
    if (!statusPage_.isEmpty())
        statusPages.release(statusPage_);
    statusPage_.clear();
}

} // namespace vorlinda::webview
