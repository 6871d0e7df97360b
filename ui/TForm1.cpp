#include "ui/TForm1.h"

#include "lookup/client/FetchDictionaryPage.h"
#include "lookup/core/ResultPage.h"
#include "lookup/core/TextRules.h"
#include "platform/Cp1254.h"
#include "platform/ExternalBrowser.h"
#include "platform/ResultFile.h"
#include "platform/VolumeSerial.h"
#include "ui/ErrorBox.h"
#include "ui/Icons.h"
#include "ui/SiteSettings.h"
#include "ui/TLabel.h"
#include "ui/TMemo.h"
#include "ui/WindowPages.h"
#include "webview/TWebBrowser.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include <utility>

#include <algorithm>

namespace vorlinda::ui {

TForm1 *Form1 = nullptr;

namespace {

// The client libraries' names, as the window's handlers use them.
using vorlinda::lookup::ExtractedPage;
using vorlinda::lookup::extractResultPage;
using vorlinda::lookup::FetchDictionaryPage;
using vorlinda::lookup::HttpAborted;
using vorlinda::lookup::TextRules::containsNoCase;
using vorlinda::lookup::TextRules::lowerAscii;
namespace Cp1254 = vorlinda::platform::Cp1254;
namespace ExternalBrowser = vorlinda::platform::ExternalBrowser;
namespace ResultFile = vorlinda::platform::ResultFile;
namespace VolumeSerial = vorlinda::platform::VolumeSerial;

// The site's answer when it has no translation for the word.
constexpr std::string_view kNotFoundPhrase = "No translation found.";

// The failure message of a lookup: a certificate that fails (https) is named
// with its reason, every other failure is the one connection message.
QString failureText(const std::exception &failure)
{
    using Reason = vorlinda::lookup::HttpCertificateError::Reason;
    const auto *certificate =
        dynamic_cast<const vorlinda::lookup::HttpCertificateError *>(&failure);
    if (!certificate)
        return QStringLiteral("internet bağlantınızın olduğundan emin olunuz!");
    switch (certificate->reason()) {
    case Reason::Expired:
        return QStringLiteral("Sitenin sertifikasının süresi dolmuş; bağlantı kurulmadı.");
    case Reason::WrongName:
        return QStringLiteral("Sitenin sertifikası başka bir ada verilmiş; bağlantı kurulmadı.");
    case Reason::UnknownIssuer:
        return QStringLiteral(
            "Sitenin sertifikasını veren kuruluş tanınmıyor; bağlantı kurulmadı.");
    case Reason::Other:
        break;
    }
    return QStringLiteral("Sitenin sertifikası geçersiz; bağlantı kurulmadı.");
}

} // namespace

TForm1::Settings TForm1::defaultSettings()
{
    const auto site = *lookup::SiteAddress::parse(SiteSettings::kBuiltInSite);
    Settings settings;
    settings.dictionaryHost = site.host;
    settings.dictionaryPort = site.port;
    settings.vendorHost = QString::fromStdString(site.authority());
    settings.resultFile = ResultFile::path();
    return settings;
}

QString TForm1::vendorSite() const
{
    return (settings_.vendorSecure ? QStringLiteral("https://") : QStringLiteral("http://")) +
           settings_.vendorHost;
}

TForm1::TForm1(Settings settings, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      settings_(std::move(settings))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Vorlinda Dictionary - By Teskor    v1.2"));
    setWindowIcon(Icons::windowIcon());
    // What a taskbar shows for the program: the application title.
    setWindowIconText(ErrorBox::applicationTitle);

    // The font first: the places and sizes follow its scaling plan.
    applyWindowFont();

    HttpClient::Options client;
    client.host = settings_.dictionaryHost;
    client.port = settings_.dictionaryPort;
    client.secure = settings_.dictionarySecure;
    client.connectLimit = settings_.connectLimit;
    client.readTimeout = settings_.readTimeout;
    IdHTTP1 = new HttpClient(client, this);
    IdHTTP1->setAntiFreeze(&IdAntiFreeze1);

    buildControls();
    bindEvents();

    // The client area, fixed: the user cannot resize the window.
    setFixedSize(Scaling::scaled(495, plan_), Scaling::scaled(630, plan_));
    move(272, 89);
}

TForm1::~TForm1() = default;

void TForm1::bindEvents()
{
    connect(Button1, &QPushButton::clicked, this,
            [this] { ErrorBox::guard([this] { Button1Click(Button1); }); });
    for (QWidget *field : {static_cast<QWidget *>(Edit1), static_cast<QWidget *>(ComboBox1),
                           static_cast<QWidget *>(ComboBox2)})
        field->installEventFilter(this);
    // An open list's keys go to its popup view.
    for (QComboBox *list : {ComboBox1, ComboBox2})
        list->view()->installEventFilter(this);

    const auto bindLabel = [this](TLabel *label, void (TForm1::*handler)(QObject *)) {
        connect(label, &TLabel::clicked, this,
                [this, label, handler] { ErrorBox::guard([&] { (this->*handler)(label); }); });
    };
    bindLabel(Label4, &TForm1::Label4Click);
    bindLabel(Label5, &TForm1::Label5Click);
    bindLabel(Label6, &TForm1::Label6Click);
    bindLabel(Label7, &TForm1::Label7Click);

    for (TWebBrowser *banner : {rek, rek2}) {
        connect(banner, &TWebBrowser::OnDownloadComplete, this, [this](TWebBrowser *sender) {
            ErrorBox::guard([&] { rekDownloadComplete(sender); });
        });
        connect(banner, &TWebBrowser::OnDocumentComplete, this,
                [this](TWebBrowser *sender, QWebEnginePage *document, const QUrl &address) {
                    ErrorBox::guard([&] { rekDocumentComplete(sender, document, address); });
                });
    }
    // The four views share the engine's process: one box when it ends.
    for (TWebBrowser *view : {rek, WebBrowser1, rek2, WebBrowser3})
        connect(view, &TWebBrowser::OnEngineFailure, this,
                [this](TWebBrowser *, const QString &message) {
                    if (std::exchange(engineFailureShown_, true))
                        return;
                    QTimer::singleShot(0, this, [this, message] {
                        ErrorBox::show(message);
                        engineFailureShown_ = false;
                    });
                });
    ExternalBrowser::setFailureHandler(
        [](const QUrl &url) { ErrorBox::showUnopenedAddress(url.toString(QUrl::FullyEncoded)); });
}

bool TForm1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *keyEvent = static_cast<QKeyEvent *>(event);
        const QString typed = keyEvent->text();
        // Enter on an open list: the list picks the item and closes, then its
        // handler sees the Enter as on the closed list.
        const bool enter = keyEvent->key() == Qt::Key_Return || keyEvent->key() == Qt::Key_Enter;
        for (QComboBox *list : {ComboBox1, ComboBox2}) {
            if (watched == list->view() && enter && list->view()->currentIndex().isValid())
                QTimer::singleShot(0, list, [this, list] {
                    QChar key(u'\r');
                    ErrorBox::guard([&] {
                        list == ComboBox1 ? ComboBox1KeyPress(list, key)
                                          : ComboBox2KeyPress(list, key);
                    });
                });
        }
        if (typed.size() == 1) {
            // The handlers see the typed character; the field still gets it.
            QChar key = typed.front();
            if (watched == Edit1)
                ErrorBox::guard([&] { Edit1KeyPress(Edit1, key); });
            else if (watched == ComboBox1)
                ErrorBox::guard([&] { ComboBox1KeyPress(ComboBox1, key); });
            else if (watched == ComboBox2)
                ErrorBox::guard([&] { ComboBox2KeyPress(ComboBox2, key); });
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TForm1::event(QEvent *event)
{
    // The web views get their pages once the window has been painted.
    if (event->type() == QEvent::Paint && !viewsAttaching_) {
        viewsAttaching_ = true;
        QTimer::singleShot(0, this, &TForm1::attachViews);
    }
    if (event->type() == QEvent::WindowActivate && !activatedOnce_) {
        activatedOnce_ = true;
        if (!focusWidget())
            focusFirstControl();
    }
    return QWidget::event(event);
}

void TForm1::attachViews()
{
    // One view a turn of the event loop, the ones in sight first, so that the
    // window answers the user in between.
    std::vector<TWebBrowser *> views{rek, WebBrowser1, rek2, WebBrowser3};
    if (PageControl1->currentWidget() == TabSheet2)
        std::rotate(views.begin(), views.begin() + 2, views.end());
    for (TWebBrowser *view : views) {
        if (!view->isAttached()) {
            view->attach();
            QTimer::singleShot(0, this, &TForm1::attachViews);
            return;
        }
    }
}

void TForm1::focusFirstControl()
{
    // The first tab stop in keyboard order that can take the focus: the
    // hidden panel lies outside the client area but counts all the same.
    for (QWidget *control : keyboardOrder()) {
        if ((control->focusPolicy() & Qt::TabFocus) && control->isVisibleTo(this) &&
            control->isEnabled()) {
            control->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void TForm1::keyPressEvent(QKeyEvent *event)
{
    // W alone on a control that takes no typed characters presses the
    // translate button, as its accelerator Alt+W does.
    QWidget *focused = focusWidget();
    const bool takesNoCharacters =
        qobject_cast<QPushButton *>(focused) || qobject_cast<QTabBar *>(focused);
    if (event->key() == Qt::Key_W && event->modifiers() == Qt::NoModifier && takesNoCharacters &&
        Button1->isEnabled() && Button1->isVisible()) {
        Button1->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TForm1::closeEvent(QCloseEvent *event)
{
    CloseAction action = CloseAction::Free;
    ErrorBox::guard([&] { FormClose(this, action); });
    if (action == CloseAction::None)
        event->ignore();
    else
        event->accept();
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    // The tab control fills the client area.
    PageControl1->setGeometry(rect());
    QWidget::resizeEvent(event);
}

void TForm1::showFailureMessage(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, ErrorBox::applicationTitle, text, QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    // This box's button says "OK" in every language, as it always has.
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void TForm1::BuildResultPage()
{
    const ExtractedPage extracted =
        extractResultPage(Memo1->bytes(), Cp1254::encode(ComboBox1->currentText()),
                          Cp1254::encode(ComboBox2->currentText()));
    Memo2->setBytes(extracted.scanRest);
    Memo1->setBytes(extracted.page);
    ResultFile::write(settings_.resultFile, Memo1->bytes());
}

// --- Handlers ---------------------------------------------------------------

void TForm1::Button1Click(QObject *)
{
    // One lookup at a time: Enter in the target list, or a click on a button
    // that a banner download enabled, reaches here while one is waiting.
    if (lookupRunning_)
        return;
    lookupRunning_ = true;
    // The controls come back at the end of every lookup, also when writing
    // the page or a navigation fails.
    const auto end = qScopeGuard([this] {
        lookupRunning_ = false;
        Edit1->setEnabled(true);
        Button1->setEnabled(true);
    });

    Edit1->setEnabled(false);
    Button1->setEnabled(false);
    WebBrowser1->attach(); // the waiting page shows, even before the window's first paint
    // The waiting page only once the site keeps us waiting: a site that
    // answers at once goes straight to the end page. A waiting page asked for
    // then would never be painted, yet its navigation, started and cancelled,
    // costs the engine and this thread time that the end page waits on.
    QTimer waiting;
    waiting.setSingleShot(true);
    connect(&waiting, &QTimer::timeout, this, [this] {
        ErrorBox::guard([this] { WebBrowser1->Navigate(WindowPages::waitingPage(vendorSite())); });
    });
    waiting.start(settings_.waitingPageDelay);

    try {
        std::string response =
            FetchDictionaryPage(*IdHTTP1, ComboBox1->currentIndex(), ComboBox2->currentIndex(),
                                Cp1254::encodeFormField(Edit1->text()));
        waiting.stop();
        Memo1->takeBytes(std::move(response));
        Memo1->takeBytes(lowerAscii(Memo1->bytes()));
    } catch (const HttpAborted &) {
        return; // the window is closing: the lookup is abandoned
    } catch (const std::exception &failure) {
        // A failed fetch shows its failure, never a stale result; the
        // response buffer keeps what it held.
        waiting.stop();
        if (closing_)
            return;
        showFailureMessage(failureText(failure));
        Edit1->setEnabled(true);
        Button1->setEnabled(true);
        WebBrowser1->Navigate(WindowPages::failurePage());
        return;
    }

    if (containsNoCase(Memo1->bytes(), kNotFoundPhrase)) {
        WebBrowser1->Navigate(WindowPages::notFoundPage());
    } else {
        BuildResultPage();
        WebBrowser1->Navigate(WindowPages::resultPageAddress(settings_.resultFile));
    }
}

void TForm1::Edit1KeyPress(QObject *, QChar &Key)
{
    if (Key == u'\r')
        ComboBox1->setFocus(Qt::OtherFocusReason);
}

void TForm1::ComboBox1KeyPress(QObject *, QChar &Key)
{
    if (Key == u'\r')
        ComboBox2->setFocus(Qt::OtherFocusReason);
}

void TForm1::ComboBox2KeyPress(QObject *, QChar &Key)
{
    // The button's click action, whatever the button's state.
    if (Key == u'\r')
        Button1Click(Button1);
}

void TForm1::FormCreate(QObject *)
{
    const QString machine = QString::fromStdString(VolumeSerial::machineIdentifier());
    rek->Navigate(WindowPages::bannerAddress(vendorSite(), machine));
    rek2->Navigate(WindowPages::bannerAddress(vendorSite(), machine));
    WebBrowser1->Navigate(WindowPages::welcomePage());
    WebBrowser3->Navigate(WindowPages::translationPageAddress(vendorSite()));
}

void TForm1::Label4Click(QObject *)
{
    ExternalBrowser::open(QUrl(WindowPages::vendorLink(vendorSite())));
}

void TForm1::Label5Click(QObject *)
{
    ExternalBrowser::open(QUrl(WindowPages::feedbackLink(vendorSite())));
}

void TForm1::rekDocumentComplete(TWebBrowser *, QWebEnginePage *, const QUrl &) {}

void TForm1::rekDownloadComplete(TWebBrowser *)
{
    Button1->setEnabled(true);
}

void TForm1::Label6Click(QObject *)
{
    ExternalBrowser::open(QUrl(WindowPages::zirvazoLink()));
}

void TForm1::FormClose(QObject *, CloseAction &)
{
    // A lookup still waiting for the site is abandoned and writes nothing.
    closing_ = true;
    IdHTTP1->abort();
    ResultFile::remove(settings_.resultFile);
}

void TForm1::Label7Click(QObject *)
{
    ExternalBrowser::open(QUrl(WindowPages::karbonetLink()));
}

} // namespace vorlinda::ui
