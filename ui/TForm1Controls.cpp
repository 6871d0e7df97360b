// The window's control tree as designed: each control's place, caption and
// settings, and the keyboard's path through them. The behaviour is TForm1.cpp's.

#include "ui/TForm1.h"

#include "lookup/core/LanguageTable.h"
#include "ui/TLabel.h"
#include "ui/TListBox.h"
#include "ui/TMemo.h"
#include "webview/TWebBrowser.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QItemDelegate>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>

namespace vorlinda::ui {

namespace {

namespace LanguageTable = vorlinda::lookup::LanguageTable;

// Where "MS Sans Serif" is missing: DejaVu Sans Condensed is as tall at 11
// pixels (a text height of 13, so the window keeps its designed size) and
// close to its width, so captions fit their designed places.
const QStringList windowFontFamilies{QStringLiteral("MS Sans Serif"),
                                     QStringLiteral("DejaVu Sans Condensed"),
                                     QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")};

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
    ListRowDelegate(int height, QObject *parent) : QItemDelegate(parent), height_(height) {}
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QItemDelegate::sizeHint(option, index).width(), height_};
    }

private:
    int height_;
};

} // namespace

void TForm1::applyWindowFont()
{
    const int dpi = settings_.dpi > 0 ? settings_.dpi : logicalDpiY();
    QFont windowFont;
    windowFont.setFamilies(windowFontFamilies);
    windowFont.setStyleHint(QFont::SansSerif);
    plan_ = Scaling::plan(windowFont, dpi);
    windowFont.setPixelSize(plan_.fontPixels);
    setFont(windowFont);
}

void TForm1::place(QWidget *control, const char *name, const QRect &designed)
{
    control->setObjectName(QLatin1StringView(name));
    control->setGeometry(Scaling::scaled(designed, plan_));
}

void TForm1::buildControls()
{
    // Created in this order, so that each lies above the ones before it: the
    // hidden panel under the tab control.
    buildHiddenPanel();
    PageControl1 = new QTabWidget(this);
    place(PageControl1, "PageControl1", {0, 0, 495, 630});
    buildDictionaryTab();
    buildTranslationTab();
    PageControl1->setCurrentWidget(TabSheet2); // the translation tab, in front at start

    // Labels size themselves to their caption.
    for (TLabel *label : {Label1, Label2, Label3, Label4, Label5, Label6, Label7})
        label->adjustSize();
    setUpKeyboard();
}

void TForm1::buildHiddenPanel()
{
    // Right of the client area: the user never sees it.
    GroupBox1 = new QGroupBox(QStringLiteral("GroupBox1"), this);
    place(GroupBox1, "GroupBox1", {560, 32, 161, 361});

    ListBox1 = new TListBox(GroupBox1);
    place(ListBox1, "ListBox1", {16, 24, 57, 161});
    ListBox2 = new TListBox(GroupBox1);
    place(ListBox2, "ListBox2", {88, 24, 57, 161});
    for (int position = 0; position < LanguageTable::kSize; ++position) {
        ListBox1->addItem(fromBytes(LanguageTable::sourceCode(position)));
        ListBox2->addItem(fromBytes(LanguageTable::targetCode(position)));
    }
    ListBox1->setItemHeight(Scaling::scaled(13, plan_));
    ListBox2->setItemHeight(Scaling::scaled(13, plan_));

    Memo1 = new TMemo(GroupBox1);
    place(Memo1, "Memo1", {5, 198, 153, 81});
    Memo1->setBytes("Memo1");
    Memo2 = new TMemo(GroupBox1);
    place(Memo2, "Memo2", {6, 281, 158, 77});
    Memo2->setBytes("Memo2");
}

void TForm1::buildDictionaryTab()
{
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    PageControl1->addTab(TabSheet1, QStringLiteral("Kelime Sözlük"));

    Label5 = new TLabel(QStringLiteral("Program Hakkiındaki Fikirlerinizi Belirtin.."), TabSheet1);
    place(Label5, "Label5", {293, 586, 188, 13});
    Label6 = new TLabel(QStringLiteral("Zirvazo?"), TabSheet1);
    place(Label6, "Label6", {192, 586, 80, 13});
    Label4 = new TLabel(settings_.vendorHost, TabSheet1);
    place(Label4, "Label4", {6, 585, 87, 13});

    rek = new TWebBrowser(TabSheet1, TWebBrowser::Engine::Later);
    place(rek, "rek", {0, 0, 521, 99});

    buildWordGroup();

    WebBrowser1 = new TWebBrowser(TabSheet1, TWebBrowser::Engine::Later);
    place(WebBrowser1, "WebBrowser1", {-6, 200, 493, 353});
    // The result view shows site text in a local file: no scripts, no reading
    // of other local files.
    WebBrowser1->setRestricted(true);
}

void TForm1::buildWordGroup()
{
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
    for (int position = 0; position < LanguageTable::kSize; ++position) {
        ComboBox1->addItem(fromBytes(LanguageTable::sourceName(position)));
        ComboBox2->addItem(fromBytes(LanguageTable::targetName(position)));
    }
    for (QComboBox *list : {ComboBox1, ComboBox2}) {
        list->setEditable(false);
        // Dropped down: 8 rows of the item height. The style's menu-like popup
        // shows every item, so the plain list is asked for.
        list->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
        list->setItemDelegate(new ListRowDelegate(Scaling::scaled(13, plan_), list));
        list->setMaxVisibleItems(8);
        list->setCurrentIndex(0);
    }

    Edit1 = new QLineEdit(QStringLiteral("hello"), GroupBox2);
    place(Edit1, "Edit1", {221, 18, 123, 21});
    Edit1->setMaxLength(150);
}

void TForm1::buildTranslationTab()
{
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Kelime Çeviri [Yeni!]"));

    Label7 = new TLabel(QStringLiteral("Karbonet ile Enerji Tasarrufunda bulunun, Çevreyi Koruyun"),
                        TabSheet2);
    place(Label7, "Label7", {56, 554, 357, 13});
    QFont labelFont;
    labelFont.setFamilies(windowFontFamilies);
    labelFont.setBold(true);
    labelFont.setPixelSize(pixelSizeForCellHeight(labelFont, Scaling::scaled(12, plan_)));
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
}

void TForm1::setUpKeyboard()
{
    // The banner panes, group boxes and tab pages are no tab stops.
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

} // namespace vorlinda::ui
