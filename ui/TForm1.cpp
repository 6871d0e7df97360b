#include "TForm1.h"

#include "Cp1254.h"
#include "ErrorBox.h"
#include "ExternalBrowser.h"
#include "FetchDictionaryPage.h"
#include "Icons.h"
#include "LanguageTable.h"
#include "ResultFile.h"
#include "ResultPage.h"
#include "SiteConfig.h"
#include "TLabel.h"
#include "TListBox.h"
#include "TMemo.h"
#include "TWebBrowser.h"
#include "TextRules.h"
#include "VolumeSerial.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QItemDelegate>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>

TForm1 *Form1 = nullptr;

namespace {

// The client libraries' names, as the window's handlers use them.
using vorlinda::lookup::ExtractedPage;
using vorlinda::lookup::extractResultPage;
using vorlinda::lookup::FetchDictionaryPage;
using vorlinda::lookup::HttpAborted;
using vorlinda::lookup::HttpClient;
using vorlinda::lookup::TextRules::containsNoCase;
using vorlinda::lookup::TextRules::lowerAscii;
using vorlinda::webview::TWebBrowser;
namespace Cp1254 = vorlinda::platform::Cp1254;
namespace ExternalBrowser = vorlinda::platform::ExternalBrowser;
namespace LanguageTable = vorlinda::lookup::LanguageTable;
namespace ResultFile = vorlinda::platform::ResultFile;
namespace VolumeSerial = vorlinda::platform::VolumeSerial;

// Where "MS Sans Serif" is missing: DejaVu Sans Condensed is as tall at 11
// pixels (a text height of 13, so the window keeps its designed size) and
// close to its width, so captions fit their designed places.
const QStringList windowFontFamilies{QStringLiteral("MS Sans Serif"),
                                     QStringLiteral("DejaVu Sans Condensed"),
                                     QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")};

// Sites named by the captions of the link labels and the welcome page.
const QString zirvazoSite = QStringLiteral("www.zirvazo.com");
const QString karbonetSite = QStringLiteral("www.karbonet.com");
const QString gamesSite = QStringLiteral("www.oyunlar-fikralar.com");

// The site's answer when it has no translation for the word.
constexpr std::string_view notFoundPhrase = "No translation found.";

QString fromBytes(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The largest pixel size whose cell height is at most `cellHeight`.
int pixelSizeForCellHeight(QFont font, int cellHeight)
{
    for (int pixels = cellHeight; pixels > 1; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).height() <= cellHeight)
            return pixels;
    }
    return 1;
}

// The rows of an open drop-down list, at the list's item height.
class ListRowDelegate : public QItemDelegate
{
public:
    ListRowDelegate(int height, QObject *parent) : QItemDelegate(parent), m_height(height) {}
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QItemDelegate::sizeHint(option, index).width(), m_height};
    }

private:
    int m_height;
};

} // namespace

TForm1::Settings TForm1::defaultSettings()
{
    Settings settings;
    settings.dictionaryHost = VORLINDA_DICTIONARY_HOST;
    settings.dictionaryPort = VORLINDA_DICTIONARY_PORT;
    settings.vendorHost = QStringLiteral(VORLINDA_VENDOR_HOST);
    settings.resultFile = ResultFile::path();
    return settings;
}

TForm1::TForm1(Settings settings, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_settings(std::move(settings))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Vorlinda Dictionary - By Teskor    v1.2"));
    setWindowIcon(Icons::windowIcon());
    // What a taskbar shows for the program: the application title.
    setWindowIconText(ErrorBox::applicationTitle);

    const int dpi = m_settings.dpi > 0 ? m_settings.dpi : logicalDpiY();
    QFont windowFont;
    windowFont.setFamilies(windowFontFamilies);
    windowFont.setStyleHint(QFont::SansSerif);
    m_plan = Scaling::plan(windowFont, dpi);
    windowFont.setPixelSize(m_plan.fontPixels);
    setFont(windowFont);

    HttpClient::Options client;
    client.host = m_settings.dictionaryHost;
    client.port = m_settings.dictionaryPort;
    client.connectLimit = m_settings.connectLimit;
    client.readTimeout = m_settings.readTimeout;
    IdHTTP1 = new HttpClient(client, this);
    IdHTTP1->setAntiFreeze(&IdAntiFreeze1);

    buildControls();
    bindEvents();

    // The client area, fixed: the user cannot resize the window.
    setFixedSize(Scaling::scaled(495, m_plan), Scaling::scaled(630, m_plan));
    move(272, 89);
}

TForm1::~TForm1() = default;

void TForm1::place(QWidget *control, const char *name, const QRect &designed)
{
    control->setObjectName(QLatin1StringView(name));
    control->setGeometry(Scaling::scaled(designed, m_plan));
}

void TForm1::buildControls()
{
    // The hidden panel: right of the client area and under the tab control,
    // which is created after it.
    GroupBox1 = new QGroupBox(QStringLiteral("GroupBox1"), this);
    place(GroupBox1, "GroupBox1", {560, 32, 161, 361});

    ListBox1 = new TListBox(GroupBox1);
    place(ListBox1, "ListBox1", {16, 24, 57, 161});
    ListBox2 = new TListBox(GroupBox1);
    place(ListBox2, "ListBox2", {88, 24, 57, 161});
    for (int position = 0; position < LanguageTable::size; ++position) {
        ListBox1->addItem(fromBytes(LanguageTable::sourceCode(position)));
        ListBox2->addItem(fromBytes(LanguageTable::targetCode(position)));
    }
    ListBox1->setItemHeight(Scaling::scaled(13, m_plan));
    ListBox2->setItemHeight(Scaling::scaled(13, m_plan));

    Memo1 = new TMemo(GroupBox1);
    place(Memo1, "Memo1", {5, 198, 153, 81});
    Memo1->setBytes("Memo1");
    Memo2 = new TMemo(GroupBox1);
    place(Memo2, "Memo2", {6, 281, 158, 77});
    Memo2->setBytes("Memo2");

    PageControl1 = new QTabWidget(this);
    place(PageControl1, "PageControl1", {0, 0, 495, 630});

    // The dictionary tab.
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    PageControl1->addTab(TabSheet1, QStringLiteral("Kelime Sözlük"));

    Label5 = new TLabel(QStringLiteral("Program Hakkiındaki Fikirlerinizi Belirtin.."), TabSheet1);
    place(Label5, "Label5", {293, 586, 188, 13});
    Label6 = new TLabel(QStringLiteral("Zirvazo?"), TabSheet1);
    place(Label6, "Label6", {192, 586, 80, 13});
    Label4 = new TLabel(m_settings.vendorHost, TabSheet1);
    place(Label4, "Label4", {6, 585, 87, 13});

    rek = new TWebBrowser(TabSheet1, TWebBrowser::Engine::Later);
    place(rek, "rek", {0, 0, 521, 99});

    GroupBox2 = new QGroupBox(QStringLiteral("Sözlük"), TabSheet1);
    place(GroupBox2, "GroupBox2", {-9, 80, 496, 123});
    GroupBox2->setAutoFillBackground(true); // it covers the bottom of the banner
    Label1 = new TLabel(QStringLiteral("Den"), GroupBox2);
    place(Label1, "Label1", {225, 48, 20, 13});
    Label2 = new TLabel(QStringLiteral("Ye"), GroupBox2);
    place(Label2, "Label2", {348, 48, 13, 13});
    Label3 = new TLabel(QStringLiteral("Çevirilecek kelime:"), GroupBox2);
    place(Label3, "Label3", {125, 21, 88, 13});

    Button1 = new QPushButton(QStringLiteral("Çe&wir"), GroupBox2);
    place(Button1, "Button1", {136, 77, 201, 33});
    Button1->setAutoDefault(false);
    Button1->setEnabled(false); // until a banner has loaded

    ComboBox1 = new QComboBox(GroupBox2);
    place(ComboBox1, "ComboBox1", {125, 44, 97, 21});
    ComboBox2 = new QComboBox(GroupBox2);
    place(ComboBox2, "ComboBox2", {247, 44, 97, 21});
    for (int position = 0; position < LanguageTable::size; ++position) {
        ComboBox1->addItem(fromBytes(LanguageTable::sourceName(position)));
        ComboBox2->addItem(fromBytes(LanguageTable::targetName(position)));
    }
    for (QComboBox *list : {ComboBox1, ComboBox2}) {
        list->setEditable(false);
        // Dropped down: 8 rows of the item height. The style's menu-like popup
        // shows every item, so the plain list is asked for.
        list->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
        list->setItemDelegate(new ListRowDelegate(Scaling::scaled(13, m_plan), list));
        list->setMaxVisibleItems(8);
        list->setCurrentIndex(0);
    }

    Edit1 = new QLineEdit(QStringLiteral("hello"), GroupBox2);
    place(Edit1, "Edit1", {221, 18, 123, 21});
    Edit1->setMaxLength(150);

    WebBrowser1 = new TWebBrowser(TabSheet1, TWebBrowser::Engine::Later);
    place(WebBrowser1, "WebBrowser1", {-6, 200, 493, 353});
    // The result view shows site text in a local file: no scripts, no reading
    // of other local files.
    WebBrowser1->setRestricted(true);

    // The translation tab, in front at start.
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Kelime Çeviri [Yeni!]"));

    Label7 = new TLabel(QStringLiteral("Karbonet ile Enerji Tasarrufunda bulunun, Çevreyi Koruyun"),
                        TabSheet2);
    place(Label7, "Label7", {56, 554, 357, 13});
    QFont labelFont;
    labelFont.setFamilies(windowFontFamilies);
    labelFont.setBold(true);
    labelFont.setPixelSize(pixelSizeForCellHeight(labelFont, Scaling::scaled(12, m_plan)));
    Label7->setFont(labelFont);
    QPalette labelPalette = Label7->palette();
    labelPalette.setColor(QPalette::WindowText, Qt::blue);
    labelPalette.setColor(QPalette::Window, labelPalette.color(QPalette::Button));
    Label7->setPalette(labelPalette);
    Label7->setAutoFillBackground(true); // on the button-face colour
    Label7->setCursor(Qt::PointingHandCursor);

    rek2 = new TWebBrowser(TabSheet2, TWebBrowser::Engine::Later);
    place(rek2, "rek2", {-2, 0, 521, 99});
    WebBrowser3 = new TWebBrowser(TabSheet2, TWebBrowser::Engine::Later);
    place(WebBrowser3, "WebBrowser3", {-3, 80, 503, 433});

    PageControl1->setCurrentWidget(TabSheet2);

    // Labels size themselves to their caption.
    for (TLabel *label : {Label1, Label2, Label3, Label4, Label5, Label6, Label7})
        label->adjustSize();

    // Keyboard: the banner panes, group boxes and tab pages are no tab stops.
    for (QWidget *control : {static_cast<QWidget *>(rek), static_cast<QWidget *>(rek2)})
        control->setFocusPolicy(Qt::ClickFocus);
    for (QWidget *control :
         {static_cast<QWidget *>(WebBrowser1), static_cast<QWidget *>(WebBrowser3)})
        control->setFocusPolicy(Qt::StrongFocus);
    // Ctrl+Tab and Ctrl+Shift+Tab switch pages while the focus is on the tab
    // control or inside a page, whichever control there has it.
    const auto pageShortcut = [this](const QKeySequence &keys, int step) {
        auto *shortcut =
            new QShortcut(keys, PageControl1, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, step] {
            const int count = PageControl1->count();
            PageControl1->setCurrentIndex((PageControl1->currentIndex() + step + count) % count);
        });
    };
    pageShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), 1);
    pageShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1);
    pageShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1);
    // A click on a tab puts the focus on the tab control.
    PageControl1->tabBar()->setFocusPolicy(Qt::StrongFocus);

    const std::vector<QWidget *> order = keyboardOrder();
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

std::vector<QWidget *> TForm1::keyboardOrder() const
{
    return {GroupBox1,   ListBox1,  ListBox2,  Memo1,       Memo2,     PageControl1,
            TabSheet1,   GroupBox2, Button1,   ComboBox1,   ComboBox2, Edit1,
            WebBrowser1, rek,       TabSheet2, WebBrowser3, rek2};
}

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
    if (event->type() == QEvent::Paint && !m_viewsAttaching) {
        m_viewsAttaching = true;
        QTimer::singleShot(0, this, &TForm1::attachViews);
    }
    if (event->type() == QEvent::WindowActivate && !m_activatedOnce) {
        m_activatedOnce = true;
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

QString TForm1::bannerAddress() const
{
    return QStringLiteral("http://%1/ban.asp?p=vrl12&rnd=%2")
        .arg(m_settings.vendorHost, QString::fromStdString(VolumeSerial::machineIdentifier()));
}

QString TForm1::translationPageAddress() const
{
    return QStringLiteral("http://%1/res/cevir.htm").arg(m_settings.vendorHost);
}

QString TForm1::loaderImageAddress() const
{
    return QStringLiteral("http://%1/res/ajax-loader-vorlinda.gif").arg(m_settings.vendorHost);
}

QString TForm1::welcomePage() const
{
    return QStringLiteral("about:<center><b><font face=verdana size=2>Çevirmek istediğiniz metni "
                          "girerek Çewir butonuna Basınız..</font></b>") +
           QStringLiteral("<br>").repeated(13) +
           QStringLiteral("<a href=http://%1/ target=_blank>Flash oyunlar, Fıkralar</a>")
               .arg(gamesSite) +
           QStringLiteral("<br></center>");
}

// --- Handlers ---------------------------------------------------------------

QString TForm1::waitingPage() const
{
    return QStringLiteral("about:<center><font face=verdana><b>Arama Yapılıyor</b><br>Lütfen "
                          "Bekleyiniz..</font><br><br><img src=") +
           loaderImageAddress() + QStringLiteral(" width=16 height=16><br></center>");
}

QString TForm1::notFoundPage()
{
    return QStringLiteral("about:<center><font face=verdana><b>SONUÇ BULUNAMADI</b><br>Arama "
                          "Metnini Değiştirerek tekrar deneyiniz!</font></center>");
}

QString TForm1::failurePage()
{
    return QStringLiteral("about:<center><font face=verdana><b>BAĞLANTI KURULAMADI</b><br>internet "
                          "bağlantınızın olduğundan emin olunuz!</font></center>");
}

QString TForm1::resultPageAddress() const
{
    return QUrl::fromLocalFile(m_settings.resultFile).toString(QUrl::FullyEncoded);
}

void TForm1::showFailureMessage()
{
    QMessageBox box(QMessageBox::NoIcon, ErrorBox::applicationTitle,
                    QStringLiteral("internet bağlantınızın olduğundan emin olunuz!"),
                    QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
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
    ResultFile::write(m_settings.resultFile, Memo1->bytes());
}

// --- Handlers ---------------------------------------------------------------

void TForm1::Button1Click(QObject *)
{
    // One lookup at a time: Enter in the target list, or a click on a button
    // that a banner download enabled, reaches here while one is waiting.
    if (m_lookupRunning)
        return;
    m_lookupRunning = true;
    // The controls come back at the end of every lookup, also when writing
    // the page or a navigation fails.
    const auto end = qScopeGuard([this] {
        m_lookupRunning = false;
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
    connect(&waiting, &QTimer::timeout, this,
            [this] { ErrorBox::guard([this] { WebBrowser1->Navigate(waitingPage()); }); });
    waiting.start(m_settings.waitingPageDelay);

    try {
        std::string response =
            FetchDictionaryPage(*IdHTTP1, ComboBox1->currentIndex(), ComboBox2->currentIndex(),
                                Cp1254::encode(Edit1->text()));
        waiting.stop();
        Memo1->takeBytes(std::move(response));
        Memo1->takeBytes(lowerAscii(Memo1->bytes()));
    } catch (const HttpAborted &) {
        return; // the window is closing: the lookup is abandoned
    } catch (const std::exception &) {
        // A failed fetch shows its failure, never a stale result; the
        // response buffer keeps what it held.
        waiting.stop();
        if (m_closing)
            return;
        showFailureMessage();
        Edit1->setEnabled(true);
        Button1->setEnabled(true);
        WebBrowser1->Navigate(failurePage());
        return;
    }

    if (containsNoCase(Memo1->bytes(), notFoundPhrase)) {
        WebBrowser1->Navigate(notFoundPage());
    } else {
        BuildResultPage();
        WebBrowser1->Navigate(resultPageAddress());
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
    rek->Navigate(bannerAddress());
    rek2->Navigate(bannerAddress());
    WebBrowser1->Navigate(welcomePage());
    WebBrowser3->Navigate(translationPageAddress());
}

void TForm1::Label4Click(QObject *)
{
    ExternalBrowser::open(QUrl(QStringLiteral("http://%1/?ref=vrl_11").arg(m_settings.vendorHost)));
}

void TForm1::Label5Click(QObject *)
{
    ExternalBrowser::open(
        QUrl(QStringLiteral("http://%1/feedback.asp?ref=vrl10").arg(m_settings.vendorHost)));
}

void TForm1::rekDocumentComplete(TWebBrowser *, QWebEnginePage *, const QUrl &) {}

void TForm1::rekDownloadComplete(TWebBrowser *)
{
    Button1->setEnabled(true);
}

void TForm1::Label6Click(QObject *)
{
    ExternalBrowser::open(QUrl(QStringLiteral("http://%1/?ref=vrl_11").arg(zirvazoSite)));
}

void TForm1::FormClose(QObject *, CloseAction &)
{
    // A lookup still waiting for the site is abandoned and writes nothing.
    m_closing = true;
    IdHTTP1->abort();
    ResultFile::remove(m_settings.resultFile);
}

void TForm1::Label7Click(QObject *)
{
    ExternalBrowser::open(QUrl(QStringLiteral("http://%1/?ref=vrl_12").arg(karbonetSite)));
}
