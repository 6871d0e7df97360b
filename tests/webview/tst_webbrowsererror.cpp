#include "WebBrowserError.h"

#include <QTest>

class tst_WebBrowserError : public QObject
{
    Q_OBJECT

private slots:
    void message_data();
    void message();
    void carriesCodeAndMessage();
};

void tst_WebBrowserError::message_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<quint32>("code");
    QTest::addColumn<QString>("expected");

    QTest::newRow("description as it is") << "Invalid URL" << 0x800c0002u << "Invalid URL";
    QTest::newRow("trailing period dropped") << "Invalid URL." << 0x800c0002u << "Invalid URL";
    QTest::newRow("trailing blanks and periods dropped")
        << "Unsupported address scheme .. . \t\r\n"
        << 0x800c000du << "Unsupported address scheme";
    QTest::newRow("inner periods kept") << "v1.2 . failed." << 0x1u << "v1.2 . failed";
    QTest::newRow("leading blanks kept") << "  no route" << 0x1u << "  no route";
    QTest::newRow("no description: system text") << "" << 2u << "No such file or directory";
    QTest::newRow("only periods: system text") << ". . ." << 2u << "No such file or directory";
    QTest::newRow("no text at all: OLE error") << "" << 0x800c000du << "OLE error 800c000d";
    QTest::newRow("OLE error zero-padded") << " " << 0x0001ffffu << "OLE error 0001ffff";
    QTest::newRow("code the system has no text for") << "" << 0x7fffu << "OLE error 00007fff";
    QTest::newRow("code zero") << "" << 0u << "OLE error 00000000";
}

void tst_WebBrowserError::message()
{
    QFETCH(QString, description);
    QFETCH(quint32, code);
    QFETCH(QString, expected);

    QCOMPARE(webBrowserErrorMessage(description, code), expected);
}

void tst_WebBrowserError::carriesCodeAndMessage()
{
    try {
        throw WebBrowserError(QStringLiteral("Geçersiz adres"), 0x800c0002u);
    } catch (const std::runtime_error &error) {
        QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("Geçersiz adres"));
        QCOMPARE(dynamic_cast<const WebBrowserError &>(error).code(), 0x800c0002u);
    }
}

QTEST_APPLESS_MAIN(tst_WebBrowserError)
#include "tst_webbrowsererror.moc"
