// One lookup in the window, end to end, against a dictionary site on the
// loopback: the request, the file, the pages shown, the failure box, the
// guards around a running lookup, the gate, closing and the link labels.

#include "ErrorBox.h"
#include "ExternalBrowser.h"
#include "LookupSite.h"
#include "ModalCatcher.h"
#include "TApplication.h"
#include "TForm1.h"
#include "TLabel.h"
#include "TMemo.h"
#include "TWebBrowser.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <algorithm>
#include <memory>
#include <optional>

using namespace std::chrono_literals;

namespace {

constexpr int LoadTimeout = 20000;

const QString failureText = QStringLiteral("internet bağlantınızın olduğundan emin olunuz!");

// The site's page: the start-of-results marker, the line break after it, rows.
QByteArray sitePage(const QByteArray &rows)
{
    return "<html><body><h1>Dictionary</h1>"
           "<table cellSpacing=0 cellPadding=1 width=\"100%\">\r\n" +
           rows + "</table></body></html>";
}

QByteArray siteRow(const QByteArray &source, const QByteArray &target)
{
    return "<tr><td width=\"40%\">" + source + "</td><td width=\"40%\">" + target + "</td></tr>";
}

// The result page for the default lists (ingilizce to Turkce) with these rows.
QByteArray resultPage(const QList<std::pair<QByteArray, QByteArray>> &rows)
{
    QByteArray page =
        "<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"></head>"
        "<center><table border=\"1\" width=\"%80\" style=\"border-collapse: collapse\" "
        "bordercolor=\"#111111\"><tr><td width=\"%50\" align=center><b><font face=verdana "
        "size=2>ingilizce</font></b></td><td width=\"%50\" align=center><b><font face=verdana "
        "size=2>Turkce</font></b></td></tr>";
    for (const auto &[source, target] : rows)
        page += "<tr><td width=\"%50\" align=right><font face=verdana size=2>" + source +
                "</font></td><td width=\"%50\"><font face=verdana size=2>" + target +
                "</font></td></tr>";
    return page + "</table></center>";
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString withoutBlanks(QString text)
{
    return text.remove(QRegularExpression(QStringLiteral("\\s")));
}

// What a status page address ("about:" + HTML) shows, blanks left out.
QString visibleText(const QString &address)
{
    return withoutBlanks(address.mid(6).remove(QRegularExpression(QStringLiteral("<[^>]*>"))));
}

// What the view shows now, blanks left out.
QString shownText(TWebBrowser *view)
{
    auto text = std::make_shared<std::optional<QString>>();
    view->page()->toPlainText([text](const QString &shown) { *text = shown; });
    if (!QTest::qWaitFor([&] { return text->has_value(); }, LoadTimeout))
        return QStringLiteral("<no answer>");
    return withoutBlanks(text->value());
}

bool showsStatusPage(TWebBrowser *view)
{
    return view->url().scheme() == QLatin1String("vorlinda-status");
}

bool controlsEnabled(const TForm1 &form)
{
    return form.Edit1->isEnabled() && form.Button1->isEnabled();
}

// The window pointed at the test's site, its result page in the test's
// directory. Shown, on the dictionary tab; FormCreate is left out, so no
// banner opens the gate.
struct Window
{
    explicit Window(std::optional<quint16> dictionaryPort = std::nullopt,
                    std::chrono::milliseconds readTimeout = 10s)
    {
        resultFile = dir.filePath(QStringLiteral("tmp.htm"));
        TForm1::Settings settings = TForm1::defaultSettings();
        settings.dictionaryHost = "127.0.0.1";
        settings.dictionaryPort = dictionaryPort.value_or(site.port());
        settings.vendorHost = site.hostAndPort();
        settings.resultFile = resultFile;
        settings.dpi = 96;
        settings.connectLimit = 5s;
        settings.readTimeout = readTimeout;
        form = std::make_unique<TForm1>(settings);
        form->PageControl1->setCurrentWidget(form->TabSheet1);
        form->show();
    }

    void lookup() { form->Button1Click(form->Button1); }

    LookupSite site;
    QTemporaryDir dir;
    QString resultFile;
    std::unique_ptr<TForm1> form;
};

} // namespace

class TestLookup : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ExternalBrowser::setOpener({}); }

    void foundWord()
    {
        Window window;
        window.site.answer(200, sitePage(siteRow("Hello", "merhaba")));
        ModalCatcher boxes;

        window.lookup();

        const QByteArray expected =
            "<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"></head>"
            "<center><table border=\"1\" width=\"%80\" style=\"border-collapse: collapse\" "
            "bordercolor=\"#111111\"><tr><td width=\"%50\" align=center><b><font face=verdana "
            "size=2>ingilizce</font></b></td><td width=\"%50\" align=center><b><font "
            "face=verdana size=2>Turkce</font></b></td></tr><tr><td width=\"%50\" "
            "align=right><font face=verdana size=2>hello</font></td><td width=\"%50\"><font "
            "face=verdana size=2>merhaba</font></td></tr></table></center>";
        QCOMPARE(fileBytes(window.resultFile), expected);
        QCOMPARE(QByteArray::fromStdString(window.form->Memo1->bytes()), expected);
        QCOMPARE(window.site.dictionaryRequestLines(),
                 QList<QByteArray>{"GET /index.php?selectFrom=english&selectTo=turkish"
                                   "&txtLang=hello&submitButton=Search HTTP/1.1"});
        QVERIFY(controlsEnabled(*window.form));
        QVERIFY(!window.form->lookupRunning());
        QVERIFY(boxes.seen().empty());

        const QUrl fileAddress = QUrl::fromLocalFile(window.resultFile);
        QCOMPARE(QUrl(window.form->resultPageAddress()), fileAddress);
        QTRY_COMPARE_WITH_TIMEOUT(window.form->WebBrowser1->url(), fileAddress, LoadTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(shownText(window.form->WebBrowser1).contains("hellomerhaba"),
                                 LoadTimeout);
    }

    void cellBytesReachTheFile_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("page");

        QByteArray high;
        for (int byte = 0x80; byte <= 0xFF; ++byte)
            high += static_cast<char>(byte);
        QTest::newRow("bytes 0x80 to 0xFF")
            << sitePage(siteRow(high, "x" + high)) << resultPage({{high, "x" + high}});

        // Only ASCII capitals are lowered; UTF-8 sequences of capitals stay.
        const QByteArray utf8 = QStringLiteral("ÇAY İĞŞ çay ığş").toUtf8();
        QTest::newRow("utf-8 and capitals")
            << sitePage(siteRow("TEA", utf8))
            << resultPage({{"tea", QStringLiteral("Çay İĞŞ çay ığş").toUtf8()}});

        const QByteArray withNul =
            sitePage(siteRow("one", "bir") + QByteArray("\0", 1) + siteRow("two", "iki"));
        QTest::newRow("nul cuts the rest") << withNul << resultPage({{"one", "bir"}});

        QTest::newRow("nul before the marker")
            << QByteArray("\0", 1) + sitePage(siteRow("one", "bir")) << resultPage({});
    }

    void cellBytesReachTheFile()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, page);
        Window window;
        window.site.answer(200, body);

        window.lookup();

        QCOMPARE(fileBytes(window.resultFile), page);
        QCOMPARE(QByteArray::fromStdString(window.form->Memo1->bytes()), page);
    }

    void notFound_data()
    {
        QTest::addColumn<QByteArray>("phrase");
        QTest::addColumn<bool>("earlierFile");
        QTest::newRow("as the site writes it") << QByteArray("No translation found.") << false;
        QTest::newRow("capitals, earlier file") << QByteArray("No Translation Found.") << true;
        QTest::newRow("all capitals") << QByteArray("NO TRANSLATION FOUND.") << false;
        QTest::newRow("small letters, earlier file") << QByteArray("no translation found.") << true;
    }

    void notFound()
    {
        QFETCH(QByteArray, phrase);
        QFETCH(bool, earlierFile);
        Window window;
        const QByteArray body = sitePage("<tr><td>" + phrase + "</td></tr>");
        window.site.answer(200, body);
        const QByteArray earlier = "an earlier page";
        if (earlierFile)
            QVERIFY(writeFile(window.resultFile, earlier));

        window.lookup();

        QCOMPARE(QFile::exists(window.resultFile), earlierFile);
        if (earlierFile)
            QCOMPARE(fileBytes(window.resultFile), earlier);
        QCOMPARE(QByteArray::fromStdString(window.form->Memo1->bytes()), body.toLower());
        QVERIFY(controlsEnabled(*window.form));
        TWebBrowser *view = window.form->WebBrowser1;
        QTRY_VERIFY_WITH_TIMEOUT(showsStatusPage(view), LoadTimeout);
        QTRY_COMPARE_WITH_TIMEOUT(shownText(view), visibleText(TForm1::notFoundPage()),
                                  LoadTimeout);
        QVERIFY(shownText(view).contains(QStringLiteral("SONUÇBULUNAMADI")));
    }

    void failingSite_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("nothing listening") << "closed";
        QTest::newRow("status 500") << "500";
        QTest::newRow("no answer within the read time-out") << "silent";
    }

    void failingSite()
    {
        QFETCH(QString, kind);
        const bool closed = kind == QLatin1String("closed");
        Window window(closed ? std::optional(LookupSite::closedPort()) : std::nullopt, 300ms);
        if (kind == QLatin1String("500"))
            window.site.answer(500, sitePage(siteRow("hello", "merhaba")));
        else if (kind == QLatin1String("silent"))
            window.site.stall();
        const std::string before = "what the buffer held";
        window.form->Memo1->setBytes(before);
        ModalCatcher boxes;

        window.lookup();

        QCOMPARE(boxes.seen().size(), std::size_t(1));
        const ModalCatcher::Seen &box = boxes.seen().front();
        QCOMPARE(box.title, QStringLiteral("Vorlinda Sozluk"));
        QCOMPARE(box.text, failureText);
        QCOMPARE(box.icon, QMessageBox::NoIcon);
        QCOMPARE(box.buttons, QStringList{QStringLiteral("OK")});
        QCOMPARE(window.site.dictionaryRequests().size(), closed ? 0 : 1);

        QCOMPARE(window.form->Memo1->bytes(), before);
        QVERIFY(!QFile::exists(window.resultFile));
        QVERIFY(controlsEnabled(*window.form));
        TWebBrowser *view = window.form->WebBrowser1;
        QTRY_VERIFY_WITH_TIMEOUT(showsStatusPage(view), LoadTimeout);
        QTRY_COMPARE_WITH_TIMEOUT(shownText(view), visibleText(TForm1::failurePage()), LoadTimeout);
    }

    void secondLookupWhileWaitingIsIgnored_data()
    {
        QTest::addColumn<bool>("byEnter");
        QTest::newRow("Button1Click") << false;
        QTest::newRow("Enter in ComboBox2") << true;
    }

    void secondLookupWhileWaitingIsIgnored()
    {
        QFETCH(bool, byEnter);
        Window window;
        window.site.answer(200, sitePage(siteRow("hello", "merhaba")));
        window.site.stall();
        ModalCatcher boxes;
        bool lockedWhileWaiting = false;
        qint64 secondTook = -1;
        bool acted = false;
        window.site.onDictionaryRequest = [&] {
            if (std::exchange(acted, true))
                return; // only the first request is held and acted on
            TForm1 &form = *window.form;
            lockedWhileWaiting =
                form.lookupRunning() && !form.Edit1->isEnabled() && !form.Button1->isEnabled();
            // A banner finishing meanwhile re-opens the button; the user clicks.
            form.Button1->setEnabled(true);
            QElapsedTimer clock;
            clock.start();
            if (byEnter)
                QTest::keyClick(form.ComboBox2, Qt::Key_Return);
            else
                form.Button1Click(form.Button1);
            secondTook = clock.elapsed();
        };
        // The waiting page shows while the site holds its answer, its loader
        // image fetched from the vendor's site; then the site answers.
        QString waitingText;
        TWebBrowser *view = window.form->WebBrowser1;
        connect(view, &QWebEngineView::loadFinished, &window.site, [&](bool ok) {
            if (ok && window.form->lookupRunning() && showsStatusPage(view))
                view->page()->toPlainText([&](const QString &text) { waitingText = text; });
        });
        QTimer answerWhenShown;
        QDeadlineTimer limit(LoadTimeout);
        connect(&answerWhenShown, &QTimer::timeout, &window.site, [&] {
            const bool shown = !waitingText.isEmpty() && window.site.otherRequests().contains(
                                                             "/res/ajax-loader-vorlinda.gif");
            if (acted && (shown || limit.hasExpired())) {
                answerWhenShown.stop();
                window.site.release();
            }
        });
        answerWhenShown.start(10);

        window.lookup();

        QVERIFY(lockedWhileWaiting);
        QCOMPARE(withoutBlanks(waitingText), visibleText(window.form->waitingPage()));
        QVERIFY2(secondTook >= 0 && secondTook < 1000, QByteArray::number(secondTook));
        QCOMPARE(window.site.dictionaryRequests().size(), 1);
        QVERIFY(boxes.seen().empty());
        QCOMPARE(fileBytes(window.resultFile), resultPage({{"hello", "merhaba"}}));
        QVERIFY(controlsEnabled(*window.form));
        QVERIFY(!window.form->lookupRunning());
    }

    void unwritableResultFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("directoryAtName");
        QTest::addColumn<QString>("reason");
        QTest::newRow("directory missing")
            << "missing/tmp.htm" << false << "No such file or directory";
        QTest::newRow("a directory at the name") << "tmp.htm" << true << "Is a directory";
    }

    void unwritableResultFile()
    {
        QFETCH(QString, name);
        QFETCH(bool, directoryAtName);
        QFETCH(QString, reason);
        Window window;
        const QString path = window.dir.filePath(name);
        if (directoryAtName)
            QVERIFY(QDir().mkpath(path));
        TForm1::Settings settings = window.form->settings();
        settings.resultFile = path;
        window.form = std::make_unique<TForm1>(settings);
        window.form->show();
        window.site.answer(200, sitePage(siteRow("hello", "merhaba")));
        ModalCatcher boxes;

        QVERIFY(!ErrorBox::guard([&] { window.lookup(); }));

        QCOMPARE(boxes.seen().size(), std::size_t(1));
        const ModalCatcher::Seen &box = boxes.seen().front();
        QCOMPARE(box.title, QStringLiteral("Vorlinda Sozluk"));
        QCOMPARE(box.text, QStringLiteral("Cannot create file \"%1\". %2.").arg(path, reason));
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.buttons, QStringList{QStringLiteral("OK")});
        QVERIFY(controlsEnabled(*window.form));
        QVERIFY(!window.form->lookupRunning());
        QCOMPARE(QFileInfo(path).isDir(), directoryAtName);
    }

    void enterInTheTargetListRunsALookup()
    {
        Window window;
        window.site.answer(200, sitePage(siteRow("hello", "merhaba")));
        QVERIFY(!window.form->Button1->isEnabled());

        QTest::keyClick(window.form->ComboBox2, Qt::Key_Return);

        QCOMPARE(window.site.dictionaryRequests().size(), 1);
        QCOMPARE(fileBytes(window.resultFile), resultPage({{"hello", "merhaba"}}));
        QVERIFY(controlsEnabled(*window.form));
    }

    void aBannerDownloadOpensTheGate_data()
    {
        QTest::addColumn<bool>("vendorListening");
        QTest::newRow("banner served") << true;
        QTest::newRow("nothing listening") << false;
    }

    void aBannerDownloadOpensTheGate()
    {
        QFETCH(bool, vendorListening);
        Window window;
        if (!vendorListening) {
            TForm1::Settings settings = window.form->settings();
            settings.vendorHost = QStringLiteral("127.0.0.1:%1").arg(LookupSite::closedPort());
            window.form = std::make_unique<TForm1>(settings);
            window.form->show();
        }
        QVERIFY(!window.form->Button1->isEnabled());

        window.form->FormCreate(window.form.get());

        QTRY_VERIFY_WITH_TIMEOUT(window.form->Button1->isEnabled(), LoadTimeout);
        if (vendorListening) {
            const QList<QByteArray> &paths = window.site.otherRequests();
            QVERIFY(std::any_of(paths.cbegin(), paths.cend(), [](const QByteArray &path) {
                return path.startsWith("/ban.asp?p=vrl12&rnd=");
            }));
        }
        QVERIFY(window.site.dictionaryRequests().isEmpty());
    }

    void closeRemovesTheResultFile_data()
    {
        QTest::addColumn<QString>("atName");
        QTest::addColumn<bool>("remains");
        QTest::newRow("a file") << "file" << false;
        QTest::newRow("a directory") << "directory" << true;
        QTest::newRow("nothing") << "nothing" << false;
    }

    void closeRemovesTheResultFile()
    {
        QFETCH(QString, atName);
        QFETCH(bool, remains);
        Window window;
        if (atName == QLatin1String("file"))
            QVERIFY(writeFile(window.resultFile, "left by an earlier run"));
        else if (atName == QLatin1String("directory"))
            QVERIFY(QDir().mkpath(window.resultFile));

        QVERIFY(window.form->close());

        QCOMPARE(QFileInfo::exists(window.resultFile), remains);
        QCOMPARE(QDir(window.dir.path())
                     .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden)
                     .size(),
                 remains ? 1 : 0);
    }

    void closeWhileWaitingForTheSite()
    {
        Window window;
        window.site.stall(); // the site never answers
        ModalCatcher boxes;
        QElapsedTimer clock;
        qint64 closeTook = -1;
        window.site.onDictionaryRequest = [&] {
            clock.start();
            window.form->close();
            closeTook = clock.elapsed();
        };

        window.lookup();
        const qint64 lookupEndedAfter = clock.elapsed();

        QCOMPARE(window.site.dictionaryRequests().size(), 1);
        QVERIFY2(closeTook >= 0 && closeTook < 1000, QByteArray::number(closeTook));
        QVERIFY2(lookupEndedAfter < 2000, QByteArray::number(lookupEndedAfter));
        QVERIFY(!QFile::exists(window.resultFile));
        QVERIFY(boxes.seen().empty());
        QVERIFY(window.form->WebBrowser1->url() != QUrl::fromLocalFile(window.resultFile));
    }

    void linkLabels_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("address"); // %1: the vendor's host and port
        QTest::newRow("Label4") << "Label4"
                                << "http://%1/?ref=vrl_11";
        QTest::newRow("Label5") << "Label5"
                                << "http://%1/feedback.asp?ref=vrl10";
        QTest::newRow("Label6") << "Label6"
                                << "http://www.zirvazo.com/?ref=vrl_11";
        QTest::newRow("Label7") << "Label7"
                                << "http://www.karbonet.com/?ref=vrl_12";
    }

    void linkLabels()
    {
        QFETCH(QString, label);
        QFETCH(QString, address);
        Window window;
        QList<QUrl> opened;
        ExternalBrowser::setOpener([&](const QUrl &url) { opened << url; });
        auto *control = window.form->findChild<TLabel *>(label);
        QVERIFY(control);
        window.form->PageControl1->setCurrentWidget(control->parentWidget());

        QTest::mouseClick(control, Qt::LeftButton);

        const QString expected =
            address.contains(u'%') ? address.arg(window.site.hostAndPort()) : address;
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.front().toString(), expected);
        QVERIFY(window.site.otherRequests().isEmpty());
    }
};

int main(int argc, char *argv[])
{
    TWebBrowser::registerSchemes();
    TApplication app(argc, argv);
    TestLookup test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lookup.moc"
