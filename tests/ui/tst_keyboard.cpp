// The window as it opens and from the keyboard, keys delivered as the
// platform delivers them: the first focus, Tab order, the pages, the
// accelerator, the Enter chain and the word's length.

#include "tests/ui/ModalCatcher.h"
#include "ui/TApplication.h"
#include "ui/TForm1.h"
#include "ui/TLabel.h"
#include "ui/TListBox.h"
#include "webview/TWebBrowser.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

using namespace vorlinda::ui;
using namespace vorlinda::webview;

// Generous: the window's web views start their engine while the focus settles,
// and the sanitizer build is slow.
constexpr int SettleTimeout = 20000;

class tst_Keyboard : public QObject
{
    Q_OBJECT

private:
    ModalCatcher boxes_;
    std::unique_ptr<TForm1> form_;

    QWidget *focused() const { return QApplication::focusWidget(); }

    // Through the window, as the platform delivers keys: shortcuts included.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(form_->windowHandle(), static_cast<Qt::Key>(key), modifiers);
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
        settings.dpi = 96;
        form_ = std::make_unique<TForm1>(settings);
        form_->PageControl1->tabBar()->setObjectName(QStringLiteral("PageControl1"));
        form_->show();
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get(), SettleTimeout));
    }
    void cleanup() { form_.reset(); }

    void theWindowOpensWithTheGateShut()
    {
        QCOMPARE(form_->size(), QSize(495, 630));
        QCOMPARE(form_->Label4->text(), QStringLiteral("127.0.0.1:1")); // the vendor's address
        QCOMPARE(form_->PageControl1->currentWidget(), form_->TabSheet2);
        QVERIFY(!form_->Button1->isEnabled());
        QVERIFY(form_->WebBrowser1->isRestricted());
    }

    void tabWalksFromTheHiddenCodeListAndSkipsWhatCannotTakeTheFocus()
    {
        QTRY_COMPARE_WITH_TIMEOUT(focused(), form_->ListBox1, SettleTimeout);
        // The dictionary tab is not in front, so its controls are skipped.
        QCOMPARE(walk(5),
                 QStringList({"ListBox2", "Memo1", "Memo2", "PageControl1", "WebBrowser3"}));
        form_->PageControl1->tabBar()->setFocus();
        QCOMPARE(walk(4, Qt::ShiftModifier),
                 QStringList({"Memo2", "Memo1", "ListBox2", "ListBox1"}));
    }

    void theDictionaryTabInOrder()
    {
        form_->PageControl1->setCurrentWidget(form_->TabSheet1);
        form_->PageControl1->tabBar()->setFocus();
        // Button1 is disabled until a banner has loaded.
        QCOMPARE(walk(4), QStringList({"ComboBox1", "ComboBox2", "Edit1", "WebBrowser1"}));
        form_->Button1->setEnabled(true);
        form_->PageControl1->tabBar()->setFocus();
        QCOMPARE(walk(2), QStringList({"Button1", "ComboBox1"}));
    }

    void ctrlTabSwitchesPagesFromTheTabControlAndInsideAPage()
    {
        form_->PageControl1->tabBar()->setFocus();
        press(Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(form_->PageControl1->currentWidget(), form_->TabSheet1);
        form_->ComboBox1->setFocus();
        press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(form_->PageControl1->currentWidget(), form_->TabSheet2);
    }

    void altWClicksTheButtonOnlyWhenItCanTakeTheFocus()
    {
        QSignalSpy clicks(form_->Button1, &QPushButton::clicked);
        form_->Button1->setEnabled(true);
        QTRY_COMPARE_WITH_TIMEOUT(focused(), form_->ListBox1, SettleTimeout);
        press(Qt::Key_W, Qt::AltModifier); // its page is not in front
        form_->PageControl1->setCurrentWidget(form_->TabSheet1);
        form_->Button1->setEnabled(false);
        press(Qt::Key_W, Qt::AltModifier);
        QCOMPARE(clicks.count(), 0);

        form_->Button1->setEnabled(true);
        press(Qt::Key_W, Qt::AltModifier); // animates the press, then clicks
        QTRY_COMPARE_WITH_TIMEOUT(clicks.count(), 1, SettleTimeout);

        // W alone works where no characters are typed.
        form_->PageControl1->tabBar()->setFocus();
        press(Qt::Key_W);
        QTRY_COMPARE_WITH_TIMEOUT(clicks.count(), 2, SettleTimeout);
    }

    void enterWalksFromTheWordToTheListsThenLooksUp()
    {
        form_->PageControl1->setCurrentWidget(form_->TabSheet1);
        form_->Edit1->setFocus();
        press(Qt::Key_Return);
        QCOMPARE(focused(), form_->ComboBox1);
        press(Qt::Key_Return);
        QCOMPARE(focused(), form_->ComboBox2);
        // The button is still shut; Enter looks up all the same, and the
        // closed site fails it with its message.
        const std::size_t before = boxes_.seen().size();
        press(Qt::Key_Return);
        QCOMPARE(boxes_.seen().size(), before + 1);
        QCOMPARE(boxes_.seen().back().text,
                 QStringLiteral("internet bağlantınızın olduğundan emin olunuz!"));
    }

    void theWordFieldStopsAt150Characters()
    {
        form_->PageControl1->setCurrentWidget(form_->TabSheet1);
        form_->Edit1->clear();
        QTest::keyClicks(form_->Edit1, QString(160, u'a'));
        QCOMPARE(form_->Edit1->text(), QString(150, u'a'));
    }
};

int main(int argc, char *argv[])
{
    TApplication app(argc, argv);
    tst_Keyboard test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_keyboard.moc"
