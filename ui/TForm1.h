#pragma once

#include <QRect>
#include <QString>
#include <QWidget>
#include <string>
#include <vector>

#include "lookup/client/AntiFreeze.h"
#include "lookup/client/HttpClient.h"
#include "ui/Scaling.h"

#include <chrono>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWebEnginePage;
namespace vorlinda::webview {
class TWebBrowser;
}

namespace vorlinda::ui {

class TLabel;
class TListBox;
class TMemo;

// The program's only window: the dictionary tab, the translation tab, four
// web views and a hidden panel of working controls that the lookup uses as
// tables and text buffers. TForm1Controls.cpp builds the controls,
// TForm1.cpp gives them their behaviour, and WindowPages holds what the views
// load and the links open.
class TForm1 : public QWidget
{
    Q_OBJECT
public:
    // The client libraries' types the window's members are made of.
    using AntiFreeze = vorlinda::lookup::AntiFreeze;
    using HttpClient = vorlinda::lookup::HttpClient;
    using TWebBrowser = vorlinda::webview::TWebBrowser;

    // Where the window's sites live; the program's own come from
    // SiteSettings at start, tests point the window at their own.
    struct Settings
    {
        std::string dictionaryHost;
        quint16 dictionaryPort = 80;
        bool dictionarySecure = false; // https
        QString vendorHost;            // host, or host:port
        bool vendorSecure = false;     // https
        QString resultFile;            // the result page's path
        int dpi = 0;                   // the screen density to lay out for; 0: the screen's
        std::chrono::milliseconds connectLimit{120000};
        std::chrono::milliseconds readTimeout{60000};
        // How long a lookup may wait for the site before the waiting page
        // is asked for.
        std::chrono::milliseconds waitingPageDelay{50};
    };
    static Settings defaultSettings();
    // The vendor's site as the pages and links address it: "http://" or
    // "https://" and the vendor's host.
    QString vendorSite() const;

    explicit TForm1(Settings settings = defaultSettings(), QWidget *parent = nullptr);
    ~TForm1() override;

    const Settings &settings() const { return settings_; }
    const Scaling::Plan &scalingPlan() const { return plan_; }

    // Every control of the window in keyboard order, the hidden ones included.
    std::vector<QWidget *> keyboardOrder() const;

    // True from the start of a lookup to its end.
    bool lookupRunning() const { return lookupRunning_; }

    // Components, in the window's declaration order. The hidden panel's
    // controls are the lookup's working tables and buffers.
    HttpClient *IdHTTP1 = nullptr;      // asks the dictionary site for a word
    QGroupBox *GroupBox1 = nullptr;     // the hidden panel, right of the client area
    TListBox *ListBox1 = nullptr;       // the site's codes of the source languages
    TListBox *ListBox2 = nullptr;       // the site's codes of the target languages
    AntiFreeze IdAntiFreeze1;           // keeps the window answering while IdHTTP1 waits
    TMemo *Memo1 = nullptr;             // the site's answer, then the result page from it
    TMemo *Memo2 = nullptr;             // what the result page's scan left of the answer
    QTabWidget *PageControl1 = nullptr; // the two tabs, filling the client area
    QWidget *TabSheet1 = nullptr;       // the dictionary tab, "Kelime Sözlük"
    TWebBrowser *rek = nullptr;         // the dictionary tab's banner pane
    QGroupBox *GroupBox2 = nullptr;     // "Sözlük": the word, the languages, the button
    TLabel *Label1 = nullptr;           // "Den", after the source language
    TLabel *Label2 = nullptr;           // "Ye", after the target language
    TLabel *Label3 = nullptr;           // "Çevirilecek kelime:", before the word
    QPushButton *Button1 = nullptr;     // "Çewir": looks the word up; shut until a banner loads
    QComboBox *ComboBox1 = nullptr;     // the source language
    QComboBox *ComboBox2 = nullptr;     // the target language
    QLineEdit *Edit1 = nullptr;         // the word to look up
    TWebBrowser *WebBrowser1 = nullptr; // the result view: the welcome, waiting or end page
    TLabel *Label5 = nullptr;           // link to the vendor's feedback page
    TLabel *Label6 = nullptr;           // link to the Zirvazo site
    TLabel *Label4 = nullptr;           // link to the vendor's site, captioned with its host
    QWidget *TabSheet2 = nullptr;       // the translation tab, "Kelime Çeviri [Yeni!]"
    TWebBrowser *WebBrowser3 = nullptr; // the vendor's translation page
    TWebBrowser *rek2 = nullptr;        // the translation tab's banner pane
    TLabel *Label7 = nullptr;           // link to the Karbonet site

    enum class CloseAction
    {
        None,
        Hide,
        Free,
        Minimize
    };

public slots:
    // The event handlers. They may raise failures; the window calls them
    // through the application's error box.
    void Button1Click(QObject *Sender);
    void Edit1KeyPress(QObject *Sender, QChar &Key);
    void ComboBox1KeyPress(QObject *Sender, QChar &Key);
    void ComboBox2KeyPress(QObject *Sender, QChar &Key);
    void FormCreate(QObject *Sender);
    void Label4Click(QObject *Sender);
    void Label5Click(QObject *Sender);
    void rekDocumentComplete(TWebBrowser *Sender, QWebEnginePage *pDisp, const QUrl &URL);
    void rekDownloadComplete(TWebBrowser *Sender);
    void Label6Click(QObject *Sender);
    void FormClose(QObject *Sender, CloseAction &Action);
    void Label7Click(QObject *Sender);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // The window's font and control tree, one area at a time, then the
    // keyboard's path through it (TForm1Controls.cpp).
    void applyWindowFont();
    void buildControls();
    void buildHiddenPanel();
    void buildDictionaryTab();
    void buildWordGroup();
    void buildTranslationTab();
    void setUpKeyboard();
    // Names the control and puts it at its designed place, scaled.
    void place(QWidget *control, const char *name, const QRect &designed);

    void bindEvents();
    void focusFirstControl();
    void attachViews();
    void BuildResultPage();
    void showFailureMessage(const QString &text);

    Settings settings_;
    Scaling::Plan plan_;
    bool activatedOnce_ = false;
    bool lookupRunning_ = false;
    bool closing_ = false;
    bool viewsAttaching_ = false;
    bool engineFailureShown_ = false;
};

// The one main window.
extern TForm1 *Form1;

} // namespace vorlinda::ui
