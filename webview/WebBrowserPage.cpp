#include "webview/WebBrowserPage.h"

#include <QWebEngineSettings>

namespace vorlinda::webview {

void WebBrowserPage::setRestricted(bool restricted)
{
    restricted_ = restricted;
    QWebEngineSettings *s = settings();
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, !restricted);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, !restricted);
    // The status pages are files: the waiting page's image comes over http.
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
}

bool WebBrowserPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (restricted_ && url.isLocalFile() && type != NavigationTypeTyped)
        return false;
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}

} // namespace vorlinda::webview
