#pragma once

#include <QUrl>
#include <QWebEngineView>

class QWebEnginePage;
class QWebEngineProfile;

namespace vorlinda::webview {

class WebBrowserPage;

// One web view of the main window: the two banner panes, the result view and
// the translation view. The program only ever tells it where to go; a page
// it opens in a new window goes to the user's browser instead.
class TWebBrowser : public QWebEngineView
{
    Q_OBJECT

public:
    // When the view gets its page, and with it the web engine: at once, or
    // only when attach() is called (the window shows its own controls first;
    // the engine's start-up takes longer than all of them together).
    enum class Engine
    {
        Now,
        Later
    };

    explicit TWebBrowser(QWidget *parent = nullptr, Engine engine = Engine::Now);
    ~TWebBrowser() override;

    // Gives the view its page and starts the last navigation it was given
    // while it had none. Does nothing once the view has its page.
    void attach();
    bool isAttached() const { return page_ != nullptr; }

    // The web engine's command line flags: ours, then the user's own from
    // QTWEBENGINE_CHROMIUM_FLAGS, which come last and so win over ours.
    static QByteArray engineFlags(const QByteArray &users);
    // Puts engineFlags() into the environment, has the views drawn without
    // OpenGL and makes the engine speak Turkish; as root, turns the engine's
    // sandbox off (the engine would refuse to start) and says so on stderr.
    // Must run before the QApplication is created.
    static void setUpEngine();
    // What keeps the engine from starting, as the user should read it: its
    // helper program where the engine looks for it. Empty when it is there.
    // (Without it the engine would end the program with a line on stderr.)
    static QString engineStartProblem();

    // The profile of all views: kept in memory only, nothing reaches the disk.
    static QWebEngineProfile *sharedProfile();

    // Starts loading the address and returns at once. Takes "about:" followed
    // by HTML, a file:/// address or an http(s) address; anything else throws
    // WebBrowserError. A view without its page keeps the address until
    // attach().
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
    // The engine's process that draws the pages ended abnormally; the text
    // says so to the user.
    void OnEngineFailure(TWebBrowser *sender, const QString &message);

protected:
    // The engine draws into a child widget that takes the keyboard focus for
    // the view; it follows the view's own focus policy, so a view that is no
    // tab stop does not become one through its child.
    void childEvent(QChildEvent *event) override;
    // Without a page these stay the plain widget's: the engine's own would
    // make a page of the default profile.
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // A short menu of our own, in Turkish: the engine's has Back, Reload and
    // View page source, in English.
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void onLoadFinished(bool ok);
    void releaseStatusPage();

    WebBrowserPage *page_ = nullptr;
    QUrl statusPage_;
    QUrl requested_; // the last address loaded
    bool restricted_ = false;
    QString pending_; // the address a view without its page was told
};

} // namespace vorlinda::webview
