// The main window as it is built: every control, its place and settings.

#include "TApplication.h"
#include "TForm1.h"
#include "TLabel.h"
#include "TListBox.h"
#include "TMemo.h"
#include "TWebBrowser.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TForm1> makeWindow()
    {
        TForm1::Settings settings = TForm1::defaultSettings();
        settings.vendorHost = QStringLiteral("127.0.0.1:1"); // nothing listens there
        settings.dpi = 96;
        return std::make_unique<TForm1>(settings);
    }

    std::unique_ptr<TForm1> m_form;

private slots:
    void initTestCase() { m_form = makeWindow(); }
    void cleanupTestCase() { m_form.reset(); }

    void window()
    {
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Vorlinda Dictionary - By Teskor    v1.2"));
        QCOMPARE(m_form->size(), QSize(495, 630));
        QCOMPARE(m_form->minimumSize(), m_form->maximumSize()); // fixed frame
        QCOMPARE(m_form->pos(), QPoint(272, 89));
        const Qt::WindowFlags flags = m_form->windowFlags();
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QCOMPARE(m_form->font().pixelSize(), 11);
        QCOMPARE(m_form->scalingPlan().textHeight, 13);
        QVERIFY(!m_form->windowIcon().isNull());
        QCOMPARE(m_form->windowIcon().availableSizes().value(0), QSize(32, 32));
    }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("geometry"); // an empty rect: the label sizes itself
        QTest::addColumn<QString>("text");

        const auto row = [](const char *name, const char *kind, const char *parent, QRect geometry,
                            const QString &text = {}) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(kind)
                                << QString::fromLatin1(parent) << geometry << text;
        };
        row("GroupBox1", "QGroupBox", "Form1", {560, 32, 161, 361}, "GroupBox1");
        row("ListBox1", "TListBox", "GroupBox1", {16, 24, 57, 161});
        row("ListBox2", "TListBox", "GroupBox1", {88, 24, 57, 161});
        row("Memo1", "TMemo", "GroupBox1", {5, 198, 153, 81}, "Memo1");
        row("Memo2", "TMemo", "GroupBox1", {6, 281, 158, 77}, "Memo2");
        row("PageControl1", "QTabWidget", "Form1", {0, 0, 495, 630});
        row("Label5", "TLabel", "TabSheet1", {293, 586, 0, 0},
            QStringLiteral("Program Hakkiındaki Fikirlerinizi Belirtin.."));
        row("Label6", "TLabel", "TabSheet1", {192, 586, 0, 0}, "Zirvazo?");
        row("Label4", "TLabel", "TabSheet1", {6, 585, 0, 0}, "127.0.0.1:1");
        row("rek", "TWebBrowser", "TabSheet1", {0, 0, 521, 99});
        row("GroupBox2", "QGroupBox", "TabSheet1", {-9, 80, 496, 123}, QStringLiteral("Sözlük"));
        row("Label1", "TLabel", "GroupBox2", {225, 48, 0, 0}, "Den");
        row("Label2", "TLabel", "GroupBox2", {348, 48, 0, 0}, "Ye");
        row("Label3", "TLabel", "GroupBox2", {125, 21, 0, 0},
            QStringLiteral("Çevirilecek kelime:"));
        row("Button1", "QPushButton", "GroupBox2", {136, 77, 201, 33}, QStringLiteral("Çe&wir"));
        row("ComboBox1", "QComboBox", "GroupBox2", {125, 44, 97, 21}, "ingilizce");
        row("ComboBox2", "QComboBox", "GroupBox2", {247, 44, 97, 21}, "Turkce");
        row("Edit1", "QLineEdit", "GroupBox2", {221, 18, 123, 21}, "hello");
        row("WebBrowser1", "TWebBrowser", "TabSheet1", {-6, 200, 493, 353});
        row("Label7", "TLabel", "TabSheet2", {56, 554, 0, 0},
            QStringLiteral("Karbonet ile Enerji Tasarrufunda bulunun, Çevreyi Koruyun"));
        row("rek2", "TWebBrowser", "TabSheet2", {-2, 0, 521, 99});
        row("WebBrowser3", "TWebBrowser", "TabSheet2", {-3, 80, 503, 433});
    }

    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, parent);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);

        auto *control = m_form->findChild<QWidget *>(name);
        QVERIFY2(control, qPrintable(name));
        QVERIFY(control->inherits(kind.toLatin1()));
        QCOMPARE(control->parentWidget()->objectName(), parent);
        if (geometry.isEmpty())
            QCOMPARE(control->pos(), geometry.topLeft());
        else
            QCOMPARE(control->geometry(), geometry);

        QString shown;
        if (auto *label = qobject_cast<QLabel *>(control))
            shown = label->text();
        else if (auto *box = qobject_cast<QGroupBox *>(control))
            shown = box->title();
        else if (auto *button = qobject_cast<QPushButton *>(control))
            shown = button->text();
        else if (auto *list = qobject_cast<QComboBox *>(control))
            shown = list->currentText();
        else if (auto *edit = qobject_cast<QLineEdit *>(control))
            shown = edit->text();
        else if (auto *memo = qobject_cast<TMemo *>(control))
            shown = memo->toPlainText();
        QCOMPARE(shown, text);
    }

    void tabs()
    {
        QCOMPARE(m_form->PageControl1->count(), 2);
        QCOMPARE(m_form->PageControl1->tabText(0), QStringLiteral("Kelime Sözlük"));
        QCOMPARE(m_form->PageControl1->tabText(1), QStringLiteral("Kelime Çeviri [Yeni!]"));
        QCOMPARE(m_form->PageControl1->currentWidget(), m_form->TabSheet2);
    }

    void languageLists()
    {
        const QStringList sourceNames{
            "ingilizce", "Turkce",      "spanish",   "french ", "german",    "italian",
            "dutch",     "portuguese",  "rumanian",  "swedish", "danish",    "polish",
            "czech",     "serbo_croat", "hungarian", "finnish", "esperanto", "swahili"};
        QStringList targetNames = sourceNames;
        targetNames.swapItemsAt(0, 1);
        QStringList sourceCodes = sourceNames;
        sourceCodes[0] = "english";
        sourceCodes[1] = "turkish";
        QStringList targetCodes = sourceCodes;
        targetCodes.swapItemsAt(0, 1);

        const auto items = [](auto *list) {
            QStringList texts;
            for (int i = 0; i < list->count(); ++i)
                texts << (list->inherits("QComboBox")
                              ? qobject_cast<QComboBox *>(list)->itemText(i)
                              : qobject_cast<QListWidget *>(list)->item(i)->text());
            return texts;
        };
        QCOMPARE(items(m_form->ComboBox1), sourceNames);
        QCOMPARE(items(m_form->ComboBox2), targetNames);
        QCOMPARE(items(m_form->ListBox1), sourceCodes);
        QCOMPARE(items(m_form->ListBox2), targetCodes);
        QCOMPARE(m_form->ComboBox1->itemText(3).size(), 7); // "french " keeps its space
        for (QComboBox *list : {m_form->ComboBox1, m_form->ComboBox2}) {
            QCOMPARE(list->currentIndex(), 0);
            QVERIFY(!list->isEditable());
            QCOMPARE(list->maxVisibleItems(), 8);
        }
        QCOMPARE(m_form->ListBox1->sizeHintForRow(0), 13);
    }

    void settings()
    {
        QCOMPARE(m_form->Edit1->maxLength(), 150);
        QVERIFY(!m_form->Button1->isEnabled());
        QVERIFY(m_form->Memo1->tabChangesFocus());
        QVERIFY(m_form->Memo2->tabChangesFocus());
        QCOMPARE(m_form->Memo1->bytes(), std::string("Memo1"));

        const QFont label7 = m_form->Label7->font();
        QVERIFY(label7.bold());
        QVERIFY(QFontMetrics(label7).height() <= 12);
        QCOMPARE(m_form->Label7->palette().color(QPalette::WindowText), QColor(Qt::blue));
        QCOMPARE(m_form->Label7->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(!m_form->Label5->font().bold());

        QVERIFY(m_form->WebBrowser1->isRestricted());
        QVERIFY(!m_form->WebBrowser3->isRestricted());
    }

    void hiddenPanelLiesUnderTheTabControl()
    {
        // Beyond the client area and created before the tab control, so never
        // seen however large the window grows.
        QVERIFY(m_form->GroupBox1->x() >= m_form->width());
        const QObjectList children = m_form->children();
        QVERIFY(children.indexOf(m_form->GroupBox1) < children.indexOf(m_form->PageControl1));
        QVERIFY(m_form->GroupBox1->isVisibleTo(m_form.get()));
    }

    void handlersAreSlots()
    {
        const QMetaObject *meta = m_form->metaObject();
        for (const char *handler :
             {"Button1Click(QObject*)", "Edit1KeyPress(QObject*,QChar&)",
              "ComboBox1KeyPress(QObject*,QChar&)", "ComboBox2KeyPress(QObject*,QChar&)",
              "FormCreate(QObject*)", "Label4Click(QObject*)", "Label5Click(QObject*)",
              "rekDocumentComplete(TWebBrowser*,QWebEnginePage*,QUrl)",
              "rekDownloadComplete(TWebBrowser*)", "Label6Click(QObject*)",
              "FormClose(QObject*,CloseAction&)", "Label7Click(QObject*)"})
            QVERIFY2(meta->indexOfSlot(handler) >= 0, handler);
    }

    void theWelcomePage()
    {
        const QString page = m_form->welcomePage();
        QVERIFY(page.startsWith(QStringLiteral(
            "about:<center><b><font face=verdana size=2>Çevirmek istediğiniz metni girerek Çewir "
            "butonuna Basınız..</font></b><br><br>")));
        QCOMPARE(page.count(QStringLiteral("<br>")), 14);
        QVERIFY(page.endsWith(
            QStringLiteral(" target=_blank>Flash oyunlar, Fıkralar</a><br></center>")));
    }
};

int main(int argc, char *argv[])
{
    TWebBrowser::registerSchemes();
    TApplication app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
