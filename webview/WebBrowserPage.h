#pragma once

#include <QWebEnginePage>

namespace vorlinda::webview {

// The page of a TWebBrowser. In restricted mode only the addresses the
// program navigates to may show local files; links and redirects may not.
class WebBrowserPage : public QWebEnginePage
{
    Q_OBJECT

public:
    using QWebEnginePage::QWebEnginePage;

    bool isRestricted() const { return restricted_; }
    void setRestricted(bool restricted);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;

private:
    bool restricted_ = false;
};

} // namespace vorlinda::webview
