// One lookup in the window against a dictionary site on the loopback: the
// request, the file and the pages shown, the failure box, the guards around a
// running lookup, the gate and closing. Then the error box that failures
// reach, and the failures at start-up.

#include "lookup/core/ResultPage.h"
#include "platform/ExternalBrowser.h"
#include "platform/VolumeSerial.h"
#include "tests/support/LoopbackSite.h"
#include "tests/support/TestAuthority.h"
#include "tests/ui/ModalCatcher.h"
#include "ui/ErrorBox.h"
#include "ui/Project1.h"
#include "ui/TApplication.h"
#include "ui/TForm1.h"
#include "ui/TLabel.h"
#include "ui/TMemo.h"
#include "webview/TWebBrowser.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <csignal>
#include <optional>
#include <stdexcept>

using namespace vorlinda::lookup;
using namespace vorlinda::platform;
using namespace vorlinda::ui;
using namespace vorlinda::webview;

namespace {

constexpr int LoadTimeout = 20000;

QByteArray siteRow(const QByteArray &source, const QByteArray &target)
{
    return "<tr><td width=\"40%\">" + source + "</td><td width=\"40%\">" + target + "</td></tr>";
}

// The site's page: the start-of-results marker, the line break after it, rows.
QByteArray sitePage(const QByteArray &rows)
{
    return "<html><table cellSpacing=0 cellPadding=1 width=\"100%\">\r\n" + rows + "</table>";
}

// The page the window writes for these rows, once lowered and cut at a NUL,
// with the lists at their defaults (ingilizce to Turkce).
QByteArray resultPage(const QByteArray &rows)
{
    return QByteArray::fromStdString(
        extractResultPage(sitePage(rows).toStdString(), "ingilizce", "Turkce").page);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// What the view shows now: its text, or its document as the engine writes it
// back out.
QString shownText(TWebBrowser *view, bool html = false)
{
    auto text = std::make_shared<std::optional<QString>>();
    const auto take = [text](const QString &shown) { *text = shown; };
    html ? view->page()->toHtml(take) : view->page()->toPlainText(take);
    return QTest::qWaitFor([&] { return text->has_value(); }, LoadTimeout) ? text->value()
                                                                           : QString();
}

// The window pointed at the test's site, its result page in the test's
// directory, shown on the dictionary tab. FormCreate is left out, so no banner
// opens the gate.
struct Window
{
    // With `tls`, the site is https and shows that certificate.
    explicit Window(
        std::chrono::milliseconds waitingPageDelay = TForm1::Settings{}.waitingPageDelay,
        const TestAuthority::Issued *tls = nullptr)
        : site(tls ? QString::fromStdString(tls->certificateFile) : QString(),
               tls ? QString::fromStdString(tls->keyFile) : QString())
    {
        TForm1::Settings settings = TForm1::defaultSettings();
        settings.waitingPageDelay = waitingPageDelay;
        settings.dictionaryHost = "127.0.0.1";
        settings.dictionaryPort = site.port();
        settings.dictionarySecure = tls != nullptr;
        settings.vendorHost = site.hostAndPort();
        settings.resultFile = resultFile;
        form = std::make_unique<TForm1>(settings);
        form->PageControl1->setCurrentWidget(form->TabSheet1);
        form->show();
    }

    void answer(const QByteArray &body, int status = 200)
    {
        site.route("/index.php", {{LoopbackSite::response(status, "text/html", body)}});
    }
    void lookup() { form->Button1Click(form->Button1); }
    bool controlsBack() const
    {
        return form->Edit1->isEnabled() && form->Button1->isEnabled() && !form->lookupRunning();
    }

    LoopbackSite site;
    QTemporaryDir dir;
    QString resultFile = dir.filePath(QStringLiteral("tmp.htm"));
    std::unique_ptr<TForm1> form;
};

} // namespace

class tst_Lookup : public QObject
{
    Q_OBJECT

private slots:
    void aFoundWordIsWrittenToTheFileAndShown()
    {
        Window window;
        window.form->Edit1->setText(QStringLiteral("kuş"));
        // ASCII capitals are lowered, other bytes kept; a NUL ends the response.
        const QByteArray high = "\x80\xC7\xFE\xFF";
        window.answer(sitePage(siteRow("Hello", "MERHABA") + siteRow(high, "kuş") +
                               QByteArray("\0", 1) + siteRow("two", "iki")));
        ModalCatcher boxes;

        window.lookup();

        const QByteArray page = resultPage(siteRow("hello", "merhaba") + siteRow(high, "kuş"));
        QCOMPARE(fileBytes(window.resultFile), page);
        QCOMPARE(window.site.paths("/index.php"),
                 QList<QByteArray>{"/index.php?selectFrom=english&selectTo=turkish"
                                   "&txtLang=ku%FE&submitButton=Search"});
        QVERIFY(window.controlsBack());
        TWebBrowser *view = window.form->WebBrowser1;
        QTRY_COMPARE_WITH_TIMEOUT(view->url(), QUrl::fromLocalFile(window.resultFile), LoadTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(shownText(view).contains(QStringLiteral("merhaba")), LoadTimeout);
    }

    void aWordNotFoundShowsItsPageAndKeepsTheFile()
    {
        Window window;
        window.answer(sitePage("<tr><td>No Translation FOUND.</td></tr>"));
        QVERIFY(writeFile(window.resultFile, "an earlier page"));

        window.lookup();

        QCOMPARE(fileBytes(window.resultFile), QByteArray("an earlier page"));
        QVERIFY(window.controlsBack());
        QTRY_VERIFY_WITH_TIMEOUT(
            shownText(window.form->WebBrowser1).contains(QStringLiteral("SONUÇ BULUNAMADI")),
            LoadTimeout);
    }

    // A status other than 2xx, or an https site whose certificate comes from
    // an authority the system does not know: the box names the reason.
    void aFailedLookupShowsTheBoxThenTheFailurePage_data()
    {
        QTest::addColumn<bool>("https");
        QTest::addColumn<QString>("box");
        QTest::newRow("status 500")
            << false << QStringLiteral("internet bağlantınızın olduğundan emin olunuz!");
        QTest::newRow("https, unknown issuer")
            << true
            << QStringLiteral(
                   "Sitenin sertifikasını veren kuruluş tanınmıyor; bağlantı kurulmadı.");
    }

    void aFailedLookupShowsTheBoxThenTheFailurePage()
    {
        QFETCH(bool, https);
        QFETCH(QString, box);
        TestAuthority stranger;
        const TestAuthority::Issued issued = stranger.issue("127.0.0.1");
        Window window(TForm1::Settings{}.waitingPageDelay, https ? &issued : nullptr);
        window.answer(sitePage(siteRow("hello", "merhaba")), 500);
        window.form->Memo1->setBytes("what the buffer held");
        ModalCatcher boxes;

        window.lookup();

        QCOMPARE(boxes.seen().size(), std::size_t(1));
        QCOMPARE(boxes.seen().front().text, box);
        QCOMPARE(boxes.seen().front().icon, QMessageBox::NoIcon);
        QCOMPARE(boxes.seen().front().buttons, QStringList{QStringLiteral("OK")});
        QCOMPARE(window.site.paths("/index.php").size(), https ? 0 : 1);
        QCOMPARE(window.form->Memo1->bytes(), std::string("what the buffer held"));
        QVERIFY(!QFile::exists(window.resultFile));
        QVERIFY(window.controlsBack());
        QTRY_VERIFY_WITH_TIMEOUT(
            shownText(window.form->WebBrowser1).contains(QStringLiteral("BAĞLANTI KURULAMADI")),
            LoadTimeout);
    }

    // The site holds its answer until the waiting page has asked for its
    // loader image; meanwhile a banner re-opens the button and the user
    // clicks it. The window is never painted: the views get their pages once
    // it is, yet a lookup still shows the waiting page, then the result.
    void aSecondLookupWhileWaitingIsIgnored()
    {
        Window window;
        window.form->hide();
        window.answer(sitePage(siteRow("hello", "merhaba")));
        window.site.hold();
        ModalCatcher boxes;
        bool lockedWhileWaiting = false;
        bool stillLockedAfterTheClick = false;
        bool acted = false;
        window.site.onRequest = [&](const QByteArray &head) {
            if (!head.startsWith("GET /index.php") || std::exchange(acted, true))
                return;
            TForm1 &form = *window.form;
            lockedWhileWaiting =
                form.lookupRunning() && !form.Edit1->isEnabled() && !form.Button1->isEnabled();
            form.Button1->setEnabled(true);
            form.Button1Click(form.Button1); // returns at once
            stillLockedAfterTheClick = form.lookupRunning() && !form.Edit1->isEnabled();
            (void)QTest::qWaitFor([&] { return !window.site.paths("/res/").isEmpty(); },
                                  LoadTimeout);
            window.site.release();
        };

        window.lookup();

        QVERIFY(lockedWhileWaiting);
        QVERIFY(stillLockedAfterTheClick);
        QCOMPARE(window.site.paths("/res/"), QList<QByteArray>{"/res/ajax-loader-vorlinda.gif"});
        QCOMPARE(window.site.paths("/index.php").size(), 1);
        QCOMPARE(fileBytes(window.resultFile), resultPage(siteRow("hello", "merhaba")));
        QVERIFY(window.controlsBack());
        QTRY_VERIFY_WITH_TIMEOUT(shownText(window.form->WebBrowser1).contains(u"merhaba"),
                                 LoadTimeout);
    }

    // A site that answers before the waiting page is due: that page is
    // never asked for, so the engine goes straight to the result.
    void aQuickAnswerGoesStraightToTheResult()
    {
        Window window(std::chrono::hours(1));
        window.answer(sitePage(siteRow("hello", "merhaba")));
        window.site.hold();
        QSignalSpy loads(window.form->WebBrowser1, &QWebEngineView::loadStarted);
        bool loadWhileWaiting = true;
        window.site.onRequest = [&](const QByteArray &head) {
            if (!head.startsWith("GET /index.php"))
                return;
            loadWhileWaiting = QTest::qWaitFor([&] { return !loads.isEmpty(); }, 1000);
            window.site.release();
        };

        window.lookup();

        QVERIFY(!loadWhileWaiting);
        QTRY_VERIFY_WITH_TIMEOUT(shownText(window.form->WebBrowser1).contains(u"merhaba"),
                                 LoadTimeout);
        QVERIFY(window.site.paths("/res/").isEmpty());
    }

    // The buffer is whole; the field holds its first part once idle or
    // focused, and typing there edits the buffer's front.
    void aMemoKeepsItsBytesWholeAndHandsItsFieldAPart()
    {
        TMemo memo;
        memo.show();
        const std::string big = std::string(3 * TMemo::kViewLimit, 'a') + '\xFE';
        memo.setBytes(big + std::string(1, '\0') + "after the NUL");
        QCOMPARE(memo.bytes(), big);
        QCOMPARE(memo.toPlainText(), QString(3 * TMemo::kViewLimit, u'a') + u'ş');
        QCOMPARE(memo.bytesInField(), 0u);
        QTRY_COMPARE_WITH_TIMEOUT(memo.bytesInField(), TMemo::kViewLimit, 3 * TMemo::kIdleDelayMs);
        QCOMPARE(memo.QPlainTextEdit::toPlainText(), QString(TMemo::kViewLimit, u'a'));

        const std::string other(3 * TMemo::kViewLimit, 'b');
        memo.setBytes(other);
        memo.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&memo));
        memo.clearFocus();
        memo.setFocus();
        QCOMPARE(memo.bytesInField(), TMemo::kViewLimit);
        QTest::keyClicks(&memo, QStringLiteral("g"));
        QCOMPARE(memo.bytes(), "g" + other);
    }

    void anUnwritableResultFileReachesTheErrorBox()
    {
        Window window;
        QVERIFY(QDir().mkpath(window.resultFile));
        window.answer(sitePage(siteRow("hello", "merhaba")));
        ModalCatcher boxes;

        QVERIFY(!ErrorBox::guard([&] { window.lookup(); }));

        QCOMPARE(boxes.seen().size(), std::size_t(1));
        QVERIFY(boxes.seen().front().text.startsWith(QStringLiteral("Cannot create file")));
        QVERIFY(window.controlsBack());
    }

    void aBannerDownloadOpensTheGate()
    {
        Window window;
        window.site.serve("/ban.asp", "text/html", "<b>banner</b>");
        QVERIFY(!window.form->Button1->isEnabled());

        window.form->FormCreate(window.form.get());

        QTRY_VERIFY_WITH_TIMEOUT(window.form->Button1->isEnabled(), LoadTimeout);
        QVERIFY(!window.site.paths("/ban.asp?p=vrl12&rnd=").isEmpty());
    }

    // Every address the window loads at start and opens on a click, byte for
    // byte. The banners never finish loading here, so the other views' loads
    // and the clicks must leave the translate button closed.
    void eachViewAndLinkGetsItsAddressAndOnlyABannerOpensTheGate()
    {
        LoopbackSite site;
        // A banner's head and the start of its body, the rest never: uncached,
        // so that the second pane does not wait on the first one's load.
        site.route("/ban.asp", {{"HTTP/1.1 200 OK\r\nCache-Control: no-store\r\n"
                                 "Content-Length: 100\r\n\r\n<b>banner"}});
        site.serve("/res/cevir.htm", "text/html", "<p>ceviri</p>");
        TForm1::Settings settings = TForm1::defaultSettings();
        settings.vendorHost = site.hostAndPort();
        QList<QByteArray> opened;
        ExternalBrowser::setOpener([&](const QUrl &url) { opened << url.toEncoded(); });
        const auto restore = qScopeGuard([] { ExternalBrowser::setOpener({}); });
        ModalCatcher boxes;
        QVERIFY(createMainWindow([&] { return new TForm1(settings); }));
        const std::unique_ptr<TForm1> form(std::exchange(Form1, nullptr));
        QSignalSpy resultLoaded(form->WebBrowser1, &QWebEngineView::loadFinished);
        QSignalSpy translationLoaded(form->WebBrowser3, &QWebEngineView::loadFinished);
        form->show();

        const QByteArray vendor = "http://" + site.hostAndPort().toLatin1();
        const QByteArray banner =
            "/ban.asp?p=vrl12&rnd=" + QByteArray::fromStdString(VolumeSerial::machineIdentifier());
        QTRY_COMPARE_WITH_TIMEOUT(site.paths("/ban.asp"), QList<QByteArray>({banner, banner}),
                                  LoadTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(!resultLoaded.isEmpty() && !translationLoaded.isEmpty(),
                                 LoadTimeout);
        QCOMPARE(site.paths("/res/"), QList<QByteArray>{"/res/cevir.htm"});
        const QString welcome =
            QStringLiteral("<html><head></head><body><center><b><font face=\"verdana\" "
                           "size=\"2\">Çevirmek istediğiniz metni girerek Çewir butonuna "
                           "Basınız..</font></b>") +
            QStringLiteral("<br>").repeated(13) +
            QStringLiteral("<a href=\"http://www.oyunlar-fikralar.com/\" target=\"_blank\">Flash "
                           "oyunlar, Fıkralar</a><br></center></body></html>");
        QCOMPARE(shownText(form->WebBrowser1, true), welcome);

        // Each row: a web view and the page it starts on, or a link label and
        // what its click gives the external browser.
        const struct
        {
            QWidget *control;
            QByteArray address;
        } rows[] = {{form->rek, vendor + banner},
                    {form->rek2, vendor + banner},
                    {form->WebBrowser3, vendor + "/res/cevir.htm"},
                    {form->Label4, vendor + "/?ref=vrl_11"},
                    {form->Label5, vendor + "/feedback.asp?ref=vrl10"},
                    {form->Label6, "http://www.zirvazo.com/?ref=vrl_11"},
                    {form->Label7, "http://www.karbonet.com/?ref=vrl_12"}};
        for (const auto &row : rows) {
            if (auto *view = qobject_cast<TWebBrowser *>(row.control)) {
                QCOMPARE(view->page()->requestedUrl().toEncoded(), row.address);
                continue;
            }
            form->PageControl1->setCurrentWidget(row.control->parentWidget());
            QTest::mouseClick(row.control, Qt::LeftButton);
            QCOMPARE(std::exchange(opened, {}), QList<QByteArray>{row.address});
        }

        QVERIFY(!form->Button1->isEnabled());
        QVERIFY(boxes.seen().empty());
    }

    void closingWhileWaitingAbandonsTheLookupAndRemovesTheFile()
    {
        Window window;
        QVERIFY(writeFile(window.resultFile, "left by an earlier lookup"));
        window.site.route("/index.php", {{{}, LoopbackSite::Then::Stall}});
        ModalCatcher boxes;
        QElapsedTimer clock;
        window.site.onRequest = [&](const QByteArray &head) {
            if (!head.startsWith("GET /index.php"))
                return;
            clock.start();
            window.form->close();
        };

        window.lookup();

        QVERIFY2(clock.elapsed() < 2000, QByteArray::number(clock.elapsed()));
        QCOMPARE(window.site.paths("/index.php").size(), 1);
        QVERIFY(!QFile::exists(window.resultFile));
        QVERIFY(boxes.seen().empty());
    }

    // A long result scrolled down, then another lookup: the engine takes
    // the same file address for a reload, yet the new page shows from its top.
    void aNewResultShowsFromItsTop()
    {
        Window window;
        window.form->resize(495, 630);
        QByteArray rows;
        for (int i = 0; i < 200; ++i)
            rows += siteRow("row" + QByteArray::number(i), "satir");
        window.answer(sitePage(rows));
        TWebBrowser *view = window.form->WebBrowser1;
        const auto scrollY = [&] {
            auto y = std::make_shared<std::optional<int>>();
            view->page()->runJavaScript(QStringLiteral("window.scrollY"),
                                        QWebEngineScript::ApplicationWorld,
                                        [y](const QVariant &v) { *y = v.toInt(); });
            return QTest::qWaitFor([&] { return y->has_value(); }, LoadTimeout) ? y->value() : -1;
        };
        for (const char *word : {"first", "second"}) {
            QSignalSpy loaded(view, &TWebBrowser::OnDownloadComplete);
            window.form->Edit1->setText(QString::fromLatin1(word));
            window.lookup();
            QVERIFY(loaded.wait(LoadTimeout));
            QCOMPARE(scrollY(), 0);
            view->page()->runJavaScript(QStringLiteral("window.scrollTo(0, 2000)"),
                                        QWebEngineScript::ApplicationWorld);
            QTRY_VERIFY_WITH_TIMEOUT(scrollY() > 1000, LoadTimeout);
        }
    }

    // A link label whose address no browser can open: the desktop's opener
    // fails, and a box gives the address to copy.
    void aLinkWithNoBrowserShowsTheAddress()
    {
        QTemporaryDir bin;
        QFile opener(bin.filePath(QStringLiteral("xdg-open")));
        QVERIFY(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\necho \"$1\" >\"$0.args\"\necho 'no browser' >&2\nexit 3\n");
        opener.close();
        opener.setPermissions(opener.permissions() | QFile::ExeOwner);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
        const auto restore = qScopeGuard([&] { qputenv("PATH", path); });
        Window window;
        ModalCatcher boxes;

        QTest::mouseClick(window.form->Label6, Qt::LeftButton);

        QTRY_COMPARE_WITH_TIMEOUT(boxes.seen().size(), std::size_t(1), LoadTimeout);
        const QByteArray address = "http://www.zirvazo.com/?ref=vrl_11";
        QCOMPARE(fileBytes(opener.fileName() + ".args"), address + '\n');
        QVERIFY2(boxes.seen().front().text.endsWith("\n\n" + address),
                 qPrintable(boxes.seen().front().text));
        QCOMPARE(boxes.seen().front().title, QStringLiteral("Vorlinda Sozluk"));
    }

    // The engine's helper missing, or its process ending under the views:
    // the application's error box says so.
    void anEngineThatCannotRunReachesTheErrorBox()
    {
        ModalCatcher boxes;
        const QByteArray missing = "/nonexistent/QtWebEngineProcess";
        qputenv("QTWEBENGINEPROCESS_PATH", missing);
        const bool started = engineCanStart();
        qunsetenv("QTWEBENGINEPROCESS_PATH");
        QVERIFY(!started);
        QVERIFY(engineCanStart());
        QCOMPARE(boxes.seen().size(), std::size_t(1));
        QVERIFY(boxes.seen().front().text.contains(QString::fromLatin1(missing)));

        Window window;
        TWebBrowser *view = window.form->WebBrowser1;
        QSignalSpy loaded(view, &TWebBrowser::OnDownloadComplete);
        window.form->FormCreate(window.form.get());
        QVERIFY(loaded.wait(LoadTimeout));
        QVERIFY(view->page()->renderProcessPid() > 0);
        ::kill(pid_t(view->page()->renderProcessPid()), SIGKILL);
        QTRY_COMPARE_WITH_TIMEOUT(boxes.seen().size(), std::size_t(2), LoadTimeout);
        QVERIFY(boxes.seen().back().text.startsWith(QStringLiteral("Web motorunun")));
        QCOMPARE(boxes.seen().back().icon, QMessageBox::Critical);
    }

    void aFailureInAHandlerIsShownAndTheProgramGoesOn()
    {
        ModalCatcher catcher;
        QVERIFY(!ErrorBox::guard([] { throw std::runtime_error("Stream write error"); }));
        QPushButton button; // a failure escaping an event reaches the box too
        connect(&button, &QPushButton::clicked, [] { throw std::runtime_error("Done."); });
        button.show();
        QTest::mouseClick(&button, Qt::LeftButton);

        QCOMPARE(catcher.seen().size(), 2u);
        const auto &box = catcher.seen().front();
        QCOMPARE(box.title, QStringLiteral("Vorlinda Sozluk"));
        QCOMPARE(box.text, QStringLiteral("Stream write error."));
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.buttons, QStringList{QStringLiteral("Tamam")}); // Qt's Turkish
        QCOMPARE(catcher.seen().back().text, QStringLiteral("Done."));
    }

    void aFailingCreateEventStillOpensTheWindow()
    {
        ModalCatcher catcher;
        TForm1::Settings settings = TForm1::defaultSettings();
        settings.vendorHost = QStringLiteral("bad host with spaces");
        QVERIFY(createMainWindow([&] { return new TForm1(settings); }));
        QVERIFY(Form1);
        QCOMPARE(catcher.seen().size(), 1u);
        delete Form1;
        Form1 = nullptr;
    }

    void aWindowThatCannotBeBuiltEndsTheProgram()
    {
        ModalCatcher catcher;
        QVERIFY(!createMainWindow(
            []() -> TForm1 * { throw std::invalid_argument("Control has no parent window"); }));
        QCOMPARE(catcher.seen().size(), 1u);
        QCOMPARE(catcher.seen().front().title, QStringLiteral("Application Error"));
        const QRegularExpression expected(
            QStringLiteral("^Exception std::invalid_argument in module "
                           "tst_lookup\\.\\r\\n"
                           "Control has no parent window\\.\\r\\n$"));
        QVERIFY2(expected.match(catcher.seen().front().text).hasMatch(),
                 qPrintable(catcher.seen().front().text));
    }
};

int main(int argc, char *argv[])
{
    TApplication app(argc, argv);
    QApplication::setApplicationName(ErrorBox::applicationTitle);
    tst_Lookup test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_lookup.moc"
