#pragma once

#include <QUrl>
#include <QWebEngineView>

class QWebEnginePage;
class QWebEngineProfile;
class WebBrowserPage;

// One web view of the main window: the two banner panes, the result view and
// the translation view. The program only ever tells it where to go; a page
// it opens in a new window goes to the user's browser instead.
class TWebBrowser : public QWebEngineView
{
    Q_OBJECT

public:
    explicit TWebBrowser(QWidget *parent = nullptr);
    ~TWebBrowser() override;

    // Registers the scheme status pages are served under. Must run before
    // the QApplication is created.
    static void registerSchemes();

    // The profile of all views: kept in memory only, nothing reaches the disk.
    static QWebEngineProfile *sharedProfile();

    // Starts loading the address and returns at once. Takes "about:" followed
    // by HTML, a file:/// address or an http(s) address; anything else throws
    // WebBrowserError.
    void Navigate(const QString &url);

    // A restricted view runs no scripts and its pages cannot reach local
    // files; the program's own status and result pages still show.
    void setRestricted(bool restricted);
    bool isRestricted() const;

signals:
    // A load that a navigation started has ended, whether or not it succeeded.
    void OnDownloadComplete(TWebBrowser *sender);
    // The document at address has loaded.
    void OnDocumentComplete(TWebBrowser *sender, QWebEnginePage *document, const QUrl &address);

protected:
    // The engine draws into a child widget that takes the keyboard focus for
    // the view; it follows the view's own focus policy, so a view that is no
    // tab stop does not become one through its child.
    void childEvent(QChildEvent *event) override;

private:
    void onLoadFinished(bool ok);
    void releaseStatusPage();

    WebBrowserPage *m_page = nullptr;
    QUrl m_statusPage;
};
