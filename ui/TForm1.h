#pragma once

#include <QRect>
#include <QString>
#include <QWidget>
#include <string>
#include <vector>

#include "AntiFreeze.h"
#include "HttpClient.h"
#include "Scaling.h"

#include <chrono>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWebEnginePage;
class TLabel;
class TListBox;
class TMemo;

namespace vorlinda::webview {
class TWebBrowser;
}

// The program's only window: the dictionary tab, the translation tab, four
// web views and a hidden panel of working controls that the lookup uses as
// tables and text buffers.
class TForm1 : public QWidget
{
    Q_OBJECT
public:
    // Where the window's sites live; the program's own are fixed at configure
    // time, tests point the window at their own.
    struct Settings
    {
        std::string dictionaryHost;
        quint16 dictionaryPort = 80;
        QString vendorHost; // host, or host:port
        QString resultFile; // the result page's path
        int dpi = 0;        // the screen density to lay out for; 0: the screen's
        std::chrono::milliseconds connectLimit{120000};
        std::chrono::milliseconds readTimeout{60000};
        // How long a lookup may wait for the site before the waiting page
        // is asked for.
        std::chrono::milliseconds waitingPageDelay{50};
    };
    static Settings defaultSettings();

    explicit TForm1(Settings settings = defaultSettings(), QWidget *parent = nullptr);
    ~TForm1() override;

    const Settings &settings() const { return m_settings; }
    const Scaling::Plan &scalingPlan() const { return m_plan; }

    // Every control of the window in keyboard order, the hidden ones included.
    std::vector<QWidget *> keyboardOrder() const;

    // The window's addresses.
    QString bannerAddress() const;
    QString translationPageAddress() const;
    QString loaderImageAddress() const;
    QString welcomePage() const;
    QString waitingPage() const;
    static QString notFoundPage();
    static QString failurePage();
    QString resultPageAddress() const;

    // True from the start of a lookup to its end.
    bool lookupRunning() const { return m_lookupRunning; }

    // Components, in the window's declaration order.
    vorlinda::lookup::HttpClient *IdHTTP1 = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    TListBox *ListBox1 = nullptr;
    TListBox *ListBox2 = nullptr;
    vorlinda::lookup::AntiFreeze IdAntiFreeze1;
    TMemo *Memo1 = nullptr;
    TMemo *Memo2 = nullptr;
    QTabWidget *PageControl1 = nullptr;
    QWidget *TabSheet1 = nullptr;
    vorlinda::webview::TWebBrowser *rek = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    TLabel *Label1 = nullptr;
    TLabel *Label2 = nullptr;
    TLabel *Label3 = nullptr;
    QPushButton *Button1 = nullptr;
    QComboBox *ComboBox1 = nullptr;
    QComboBox *ComboBox2 = nullptr;
    QLineEdit *Edit1 = nullptr;
    vorlinda::webview::TWebBrowser *WebBrowser1 = nullptr;
    TLabel *Label5 = nullptr;
    TLabel *Label6 = nullptr;
    TLabel *Label4 = nullptr;
    QWidget *TabSheet2 = nullptr;
    vorlinda::webview::TWebBrowser *WebBrowser3 = nullptr;
    vorlinda::webview::TWebBrowser *rek2 = nullptr;
    TLabel *Label7 = nullptr;

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
    void rekDocumentComplete(vorlinda::webview::TWebBrowser *Sender, QWebEnginePage *pDisp,
                             const QUrl &URL);
    void rekDownloadComplete(vorlinda::webview::TWebBrowser *Sender);
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
    void buildControls();
    void bindEvents();
    // Names the control and puts it at its designed place, scaled.
    void place(QWidget *control, const char *name, const QRect &designed);
    void focusFirstControl();
    void attachViews();
    void BuildResultPage();
    void showFailureMessage();

    Settings m_settings;
    Scaling::Plan m_plan;
    bool m_activatedOnce = false;
    bool m_lookupRunning = false;
    bool m_closing = false;
    bool m_viewsAttaching = false;
};

// The one main window.
extern TForm1 *Form1;
