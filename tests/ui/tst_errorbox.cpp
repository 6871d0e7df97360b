// The application's error box and the failure at start-up.

#include "ErrorBox.h"
#include "ModalCatcher.h"
#include "Project1.h"
#include "TApplication.h"
#include "TForm1.h"
#include "TWebBrowser.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <stdexcept>

namespace {

class BuildFailure : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

} // namespace

class TestErrorBox : public QObject
{
    Q_OBJECT

private slots:
    void periodRule_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Stream write error"
                                << "Stream write error.";
        QTest::newRow("ends with a period") << "Done."
                                            << "Done.";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("comma sorts before the period") << "a,"
                                                       << "a,";
        QTest::newRow("blank") << "a "
                               << "a ";
        QTest::newRow("slash sorts after it") << "a/"
                                              << "a/.";
        QTest::newRow("digit") << "code 5"
                               << "code 5.";
        QTest::newRow("turkish letter") << QStringLiteral("kuş") << QStringLiteral("kuş.");
        QTest::newRow("closing bracket") << "(x)"
                                         << "(x)";
        QTest::newRow("quote") << "\"x\""
                               << "\"x\"";
    }

    void periodRule()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(ErrorBox::text(message), shown);
    }

    void aFailureInAHandlerIsShownAndTheProgramGoesOn()
    {
        ModalCatcher catcher;
        bool after = false;
        const bool ran = ErrorBox::guard([&] {
            throw std::runtime_error("Cannot create file \"/x/tmp.htm\". Permission denied");
            after = true;
        });
        QVERIFY(!ran);
        QVERIFY(!after);
        QCOMPARE(catcher.seen().size(), 1u);
        const auto &box = catcher.seen().front();
        QCOMPARE(box.title, QStringLiteral("Vorlinda Sozluk"));
        QCOMPARE(box.text, QStringLiteral("Cannot create file \"/x/tmp.htm\". Permission denied."));
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.buttons, QStringList{QStringLiteral("OK")});
    }

    void aFailureEscapingAnEventReachesTheBox()
    {
        // A failure thrown from a slot during event delivery is caught by
        // the application object, and the loop goes on.
        ModalCatcher catcher;
        QPushButton button;
        connect(&button, &QPushButton::clicked,
                [] { throw std::runtime_error("Stream write error"); });
        button.show();
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(catcher.seen().size(), 1u);
        QCOMPARE(catcher.seen().front().text, QStringLiteral("Stream write error."));
        bool later = false;
        QTimer::singleShot(0, [&] { later = true; });
        QTRY_VERIFY(later);
    }

    void aFailingCreateEventStillOpensTheWindow()
    {
        ModalCatcher catcher;
        TForm1::Settings settings = TForm1::defaultSettings();
        settings.vendorHost = QStringLiteral("bad host with spaces");
        QVERIFY(createMainWindow([&] { return new TForm1(settings); }));
        QVERIFY(Form1);
        QCOMPARE(catcher.seen().size(), 1u);
        QCOMPARE(catcher.seen().front().title, QStringLiteral("Vorlinda Sozluk"));
        delete Form1;
        Form1 = nullptr;
    }

    void aWindowThatCannotBeBuiltEndsTheProgram()
    {
        ModalCatcher catcher;
        QVERIFY(!createMainWindow(
            []() -> TForm1 * { throw BuildFailure("Control has no parent window"); }));
        QCOMPARE(catcher.seen().size(), 1u);
        const auto &box = catcher.seen().front();
        QCOMPARE(box.title, QStringLiteral("Application Error"));
        QCOMPARE(box.icon, QMessageBox::Critical);
        const QRegularExpression expected(
            QStringLiteral("^Exception \\(anonymous namespace\\)::BuildFailure in module "
                           "tst_errorbox at 0x[0-9a-f]+\\.\\r\\n"
                           "Control has no parent window\\.\\r\\n$"));
        QVERIFY2(expected.match(box.text).hasMatch(), qPrintable(box.text));
    }

    void applicationErrorKeepsAClosingPeriod()
    {
        const QString text = ErrorBox::applicationErrorText("E", "Project1", nullptr, "Done.");
        QVERIFY(text.endsWith(QStringLiteral("\r\nDone.\r\n")));
    }
};

int main(int argc, char *argv[])
{
    TWebBrowser::registerSchemes();
    TApplication app(argc, argv);
    QApplication::setApplicationName(ErrorBox::applicationTitle);
    TestErrorBox test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_errorbox.moc"
