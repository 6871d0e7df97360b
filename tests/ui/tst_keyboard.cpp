// Keyboard flow of the main window: the first focus, Tab order, the tab
// pages, the accelerator and the Enter chain.

#include "ModalCatcher.h"
#include "TApplication.h"
#include "TForm1.h"
#include "TListBox.h"
#include "TMemo.h"
#include "TWebBrowser.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

// Generous: the window's web views start their engine while the focus settles,
// and the sanitizer build is slow.
constexpr int SettleTimeout = 20000;

class TestKeyboard : public QObject
{
    Q_OBJECT

private:
    ModalCatcher m_boxes;
    std::unique_ptr<TForm1> m_form;

    QWidget *focused() const { return QApplication::focusWidget(); }

    bool focusIsIn(QWidget *control) const
    {
        return focused() && (focused() == control || control->isAncestorOf(focused()));
    }

    // Through the window, as the platform delivers keys: shortcuts included.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(m_form->windowHandle(), static_cast<Qt::Key>(key), modifiers);
    }

    // Types text that the test library's key tables do not know.
    static void type(QWidget *widget, const QString &text)
    {
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &press);
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &release);
        }
    }

    // Walks with Tab (or Shift+Tab) and names where the focus lands.
    QStringList walk(int steps, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QStringList names;
        for (int i = 0; i < steps; ++i) {
            press(modifiers & Qt::ShiftModifier ? Qt::Key_Backtab : Qt::Key_Tab, modifiers);
            QWidget *widget = focused();
            while (widget && widget->objectName().isEmpty())
                widget = widget->parentWidget();
            names << (widget ? widget->objectName() : QStringLiteral("(none)"));
        }
        return names;
    }

private slots:
    void init()
    {
        TForm1::Settings settings = TForm1::defaultSettings();
        // Nothing listens on either site: a lookup that a key starts fails at
        // once, and the catcher closes its message.
        settings.vendorHost = QStringLiteral("127.0.0.1:1");
        settings.dictionaryHost = "127.0.0.1";
        settings.dictionaryPort = 1;
        m_form = std::make_unique<TForm1>(settings);
        m_form->PageControl1->tabBar()->setObjectName(QStringLiteral("PageControl1"));
        m_form->show();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get(), SettleTimeout));
    }
    void cleanup() { m_form.reset(); }

    void focusStartsInTheHiddenCodeList()
    {
        QTRY_COMPARE_WITH_TIMEOUT(focused(), m_form->ListBox1, SettleTimeout);
    }

    void tabWalksTheOrderAndSkipsWhatCannotTakeTheFocus()
    {
        QTRY_COMPARE_WITH_TIMEOUT(focused(), m_form->ListBox1, SettleTimeout);
        // The dictionary tab is not in front, so its controls are skipped.
        QCOMPARE(walk(4), QStringList({"ListBox2", "Memo1", "Memo2", "PageControl1"}));
        press(Qt::Key_Tab);
        QVERIFY(focusIsIn(m_form->WebBrowser3));
    }

    void shiftTabFromTheTabControlGoesIntoTheHiddenPanel()
    {
        m_form->PageControl1->tabBar()->setFocus();
        QCOMPARE(walk(4, Qt::ShiftModifier),
                 QStringList({"Memo2", "Memo1", "ListBox2", "ListBox1"}));
    }

    void theDictionaryTabInOrder()
    {
        m_form->PageControl1->setCurrentWidget(m_form->TabSheet1);
        m_form->PageControl1->tabBar()->setFocus();
        // Button1 is disabled until a banner has loaded.
        QCOMPARE(walk(3), QStringList({"ComboBox1", "ComboBox2", "Edit1"}));
        press(Qt::Key_Tab);
        QVERIFY(focusIsIn(m_form->WebBrowser1));

        m_form->Button1->setEnabled(true);
        m_form->PageControl1->tabBar()->setFocus();
        QCOMPARE(walk(2), QStringList({"Button1", "ComboBox1"}));
    }

    void keysInTheHiddenListOnlyMoveItsSelection()
    {
        QTRY_COMPARE_WITH_TIMEOUT(focused(), m_form->ListBox1, SettleTimeout);
        QTest::keyClicks(m_form->ListBox1, QStringLiteral("d"));
        QCOMPARE(m_form->ListBox1->currentItem()->text(), QStringLiteral("dutch"));
        press(Qt::Key_Return);
        QCOMPARE(focused(), m_form->ListBox1);
        QCOMPARE(m_form->ComboBox1->currentIndex(), 0);
        QCOMPARE(m_form->PageControl1->currentWidget(), m_form->TabSheet2);
    }

    void ctrlTabSwitchesPagesOnlyFromTheTabControl()
    {
        QTRY_COMPARE_WITH_TIMEOUT(focused(), m_form->ListBox1, SettleTimeout);
        press(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(m_form->PageControl1->currentWidget(), m_form->TabSheet2);

        m_form->PageControl1->tabBar()->setFocus();
        press(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(m_form->PageControl1->currentWidget(), m_form->TabSheet1);
        m_form->ComboBox1->setFocus();
        press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(m_form->PageControl1->currentWidget(), m_form->TabSheet2);
    }

    void altWClicksTheButtonOnlyWhenItCanTakeTheFocus()
    {
        QSignalSpy clicks(m_form->Button1, &QPushButton::clicked);
        m_form->Button1->setEnabled(true);
        QTRY_COMPARE_WITH_TIMEOUT(focused(), m_form->ListBox1, SettleTimeout);
        press(Qt::Key_W, Qt::AltModifier); // its page is not in front
        QCOMPARE(clicks.count(), 0);

        m_form->PageControl1->setCurrentWidget(m_form->TabSheet1);
        m_form->Button1->setEnabled(false);
        press(Qt::Key_W, Qt::AltModifier);
        QCOMPARE(clicks.count(), 0);

        m_form->Button1->setEnabled(true);

        // The accelerator animates the press before it clicks.
        press(Qt::Key_W, Qt::AltModifier);
        QTRY_COMPARE_WITH_TIMEOUT(clicks.count(), 1, SettleTimeout);

        // W alone works where no characters are typed, not in the word field.
        m_form->PageControl1->tabBar()->setFocus();
        press(Qt::Key_W);
        QTRY_COMPARE_WITH_TIMEOUT(clicks.count(), 2, SettleTimeout);
        m_form->Edit1->setFocus();
        press(Qt::Key_W);
        QVERIFY(!m_form->Button1->isDown()); // an accelerator press shows at once
        QVERIFY(m_form->Edit1->text().endsWith(u'w'));
        QCOMPARE(clicks.count(), 2);
    }

    void enterWalksFromTheWordToTheLists()
    {
        m_form->PageControl1->setCurrentWidget(m_form->TabSheet1);
        m_form->Edit1->setFocus();
        press(Qt::Key_Return);
        QCOMPARE(focused(), m_form->ComboBox1);
        press(Qt::Key_Return);
        QCOMPARE(focused(), m_form->ComboBox2);
        QCOMPARE(m_form->Edit1->text(), QStringLiteral("hello"));
    }

    void theWordFieldStopsAt150Characters()
    {
        m_form->PageControl1->setCurrentWidget(m_form->TabSheet1);
        m_form->Edit1->clear();
        m_form->Edit1->setFocus();
        type(m_form->Edit1, QString(160, u'ş'));
        QCOMPARE(m_form->Edit1->text(), QString(150, u'ş'));
    }

    void textTypedIntoAHiddenBufferChangesIt()
    {
        m_form->Memo1->setFocus();
        type(m_form->Memo1, QStringLiteral("ğ"));
        QCOMPARE(m_form->Memo1->bytes(), std::string("\xF0Memo1"));
        press(Qt::Key_Tab); // Tab moves on, it is not typed
        QCOMPARE(focused(), m_form->Memo2);
        QCOMPARE(m_form->Memo1->bytes(), std::string("\xF0Memo1"));
    }
};

int main(int argc, char *argv[])
{
    TWebBrowser::registerSchemes();
    TApplication app(argc, argv);
    TestKeyboard test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_keyboard.moc"
