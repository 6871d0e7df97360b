#include "platform/Cp1254.h"
#include "platform/ExternalBrowser.h"
#include "tests/support/LoopbackSite.h"
#include "webview/TWebBrowser.h"
#include "webview/WebBrowserError.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <unistd.h>

using namespace vorlinda::platform;
using namespace vorlinda::webview;

using namespace Qt::StringLiterals;

constexpr int LoadTimeout = 30000;
const QString turkish = u"Çewir ığüşöç İĞŞ"_s;
const QByteArray page1254 =
    QByteArray::fromStdString("<meta charset=windows-1254><p>" + Cp1254::encode(turkish));
const QByteArray gif = LoopbackSite::pixelGif();

// Runs in the application's own script world, which runs in a restricted view too.
static QVariant script(TWebBrowser &view, const QString &source = u"document.body.innerText"_s)
{
    auto result = std::make_shared<std::optional<QVariant>>();
    view.page()->runJavaScript(source, QWebEngineScript::ApplicationWorld,
                               [result](const QVariant &v) { *result = v; });
    (void)QTest::qWaitFor([&] { return result->has_value(); }, LoadTimeout);
    return result->value_or(u"<no answer>"_s);
}

static bool load(TWebBrowser &view, const QString &address)
{
    QSignalSpy downloaded(&view, &TWebBrowser::OnDownloadComplete);
    view.Navigate(address);
    return downloaded.wait(LoadTimeout);
}

static QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    QFile file(dir.filePath(name));
    (void)(file.open(QIODevice::WriteOnly) && file.write(content));
    return QUrl::fromLocalFile(file.fileName()).toString();
}

class tst_TWebBrowser : public QObject
{
    Q_OBJECT

    LoopbackSite site_;
    QTemporaryDir dir_;

public:
    // Before the application, as the program's start does; as root, without
    // the test's own word on the sandbox, so that the engine's start as root
    // is tested too.
    static void initMain()
    {
        if (geteuid() == 0)
            qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
        TWebBrowser::setUpEngine();
    }

private slots:
    void everyLoadEndsInDownloadThenDocument_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("expected");
        site_.serve("/res/loader.gif", "image/gif", gif);
        site_.serve("/res/cevir.htm", "text/html", page1254); // no charset in the header
        const QString image = u"<img src=%1>"_s.arg(site_.url("/res/loader.gif").toString());
        const QString big = "<!--" + QString(2100000, u'-') + "-->"; // nothing to lay out
        QTest::newRow("status page, image over http") << "about:" + turkish + image << turkish;
        QTest::newRow("status page over 2 MB") << "about:" + big + turkish << turkish;
        QTest::newRow("file by meta charset") << writeFile(dir_, u"a.htm"_s, page1254) << turkish;
        QTest::newRow("http by meta charset") << site_.url("/res/cevir.htm").toString() << turkish;
        QTest::newRow("refused") << u"http://127.0.0.1:%1/"_s.arg(site_.closedPort()) << QString();
    }

    void everyLoadEndsInDownloadThenDocument()
    {
        QFETCH(QString, address);
        QFETCH(QString, expected);
        TWebBrowser view; // the result view shows status pages and files
        view.setRestricted(true);
        QByteArray events;
        connect(&view, &TWebBrowser::OnDownloadComplete, [&] { events += "download "; });
        connect(&view, &TWebBrowser::OnDocumentComplete, [&] { events += "document"; });
        QVERIFY(load(view, address));
        QCOMPARE(events, expected.isNull() ? "download " : "download document");
        if (!expected.isNull()) // a refused connection shows the engine's error page
            QCOMPARE(script(view).toString(), expected);
        QVERIFY(!address.contains(u"<img") || !site_.paths("/res/loader.gif").isEmpty());
    }

    void refusedAddressThrowsItsTextAndKeepsThePage()
    {
        TWebBrowser view;
        QVERIFY(load(view, u"about:önceki"_s));
        try {
            view.Navigate(u"ftp://127.0.0.1/x"_s);
            QFAIL("the view took the address");
        } catch (const WebBrowserError &error) {
            QCOMPARE(QString::fromUtf8(error.what()), u"Unsupported address scheme"_s);
        }
        QCOMPARE(script(view).toString(), u"önceki"_s);
        // The text: the description without trailing blanks and periods, else the
        // system's text for the code, else the code as an OLE error.
        QCOMPARE(webBrowserErrorMessage(u"  v1.2 . a .. \t\r\n"_s, 1), u"  v1.2 . a"_s);
        QCOMPARE(webBrowserErrorMessage(u". . ."_s, 2), u"No such file or directory"_s);
        QCOMPARE(webBrowserErrorMessage(u" "_s, 0x1ffff), u"OLE error 0001ffff"_s);
        QCOMPARE(webBrowserErrorMessage({}, 0x7fff), u"OLE error 00007fff"_s);
    }

    void navigationReplacesTheLoadInProgress()
    {
        // A banner that never answers; the failure page over the waiting page.
        site_.route("/ban.asp", {{{}, LoopbackSite::Then::Stall}});
        for (const QString &first : {site_.url("/ban.asp").toString(), u"about:birinci"_s}) {
            TWebBrowser view;
            view.Navigate(first);
            QTRY_VERIFY_WITH_TIMEOUT(!site_.paths("/ban.asp").isEmpty(), LoadTimeout);
            view.Navigate(u"about:ikinci"_s);
            QTRY_COMPARE_WITH_TIMEOUT(script(view).toString(), u"ikinci"_s, LoadTimeout);
        }
    }

    void theLastStatusPageWinsWhenTheEngineCommitsAnEarlierOne()
    {
        // The waiting page, then the lookup's end page a moment later: the
        // engine may commit the first after the second was asked for, and
        // drop the second. Another view's status page stands for the first
        // here, loaded by hand once the second was asked for.
        TWebBrowser waiting;
        QVERIFY(load(waiting, u"about:bekle"_s));
        TWebBrowser view;
        QVERIFY(load(view, u"about:start"_s));
        view.Navigate(u"about:son"_s);
        view.page()->load(waiting.page()->url());
        QTRY_COMPARE_WITH_TIMEOUT(script(view).toString(), u"son"_s, LoadTimeout);
    }

    void newWindowGoesToTheDefaultBrowserButNotThePageSource()
    {
        QList<QUrl> opened;
        ExternalBrowser::setOpener([&](const QUrl &url) { opened.append(url); });
        TWebBrowser view;
        view.resize(400, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        // Nothing listens on the discard port; the opener only records the address.
        QVERIFY(load(view, u"about:<a style=position:fixed;inset:0 href=http://127.0.0.1:9/ "
                           u"target=_blank>F"_s));
        // The context menu's page source opens a new window too.
        view.page()->triggerAction(QWebEnginePage::ViewSource);
        // A real click: a new window needs the user's gesture.
        QTest::mouseClick(view.focusProxy(), Qt::LeftButton, {}, QPoint(100, 100));
        QTRY_VERIFY_WITH_TIMEOUT(!opened.isEmpty(), LoadTimeout);
        QCOMPARE(opened, QList<QUrl>{QUrl(u"http://127.0.0.1:9/"_s)});
    }

    void theResultViewMadeWithoutItsPageGetsItRestrictedAndLoadsTheLastAddress()
    {
        writeFile(dir_, u"secret.gif"_s, gif);
        writeFile(dir_, u"other.htm"_s, "other");
        TWebBrowser view(nullptr, TWebBrowser::Engine::Later);
        view.setRestricted(true);
        view.setFocusPolicy(Qt::NoFocus); // and its render child is no tab stop either
        view.show();                      // no page of the default profile on the way
        view.Navigate(u"about:first"_s);
        QSignalSpy downloaded(&view, &TWebBrowser::OnDownloadComplete);
        view.Navigate(writeFile(dir_, u"tmp.htm"_s,
                                "<a href=other.htm>result</a><img src=secret.gif>"
                                "<script>document.body.id = 'ran'</script>"));
        view.attach();
        QVERIFY(downloaded.wait(LoadTimeout));
        // The page runs no scripts, reads no other files and follows no links to them.
        QCOMPARE(script(view, u"[document.images[0].naturalWidth, document.body.id]"_s),
                 QVariant(QVariantList{0, QString()}));
        script(view, u"document.links[0].click()"_s);
        QVERIFY(downloaded.wait(LoadTimeout));
        QCOMPARE(script(view).toString(), u"result"_s);
        QCOMPARE(view.focusProxy()->focusPolicy(), Qt::NoFocus);
        // The profile all views share: kept in memory only.
        QVERIFY(view.page()->profile() == TWebBrowser::sharedProfile());
        QVERIFY(view.page()->profile()->isOffTheRecord());
    }

    // What the engine says itself: its error page, and the right-click menu
    // (ours: the engine's own is in English, with Back, Reload and View page
    // source). Each row: the page, whether it is right-clicked, and the
    // page's text or the menu's entries.
    void theEngineSpeaksTurkish_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("rightClick");
        QTest::addColumn<QString>("expected");
        const QString refused = u"http://127.0.0.1:%1/"_s.arg(site_.closedPort());
        QTest::newRow("error page") << refused << false << u"Bu siteye ulaşılamıyor"_s;
        QTest::newRow("menu on a page")
            << u"about:<p style=height:100vh>metin"_s << true << u"Kopyala||Tümünü seç"_s;
        QTest::newRow("menu on a text field") << u"about:<textarea style=position:fixed;inset:0>"_s
                                              << true << u"Kes|Kopyala|Yapıştır||Tümünü seç"_s;
    }

    void theEngineSpeaksTurkish()
    {
        QFETCH(QString, address);
        QFETCH(bool, rightClick);
        QFETCH(QString, expected);
        TWebBrowser view;
        view.resize(400, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(load(view, address));
        if (!rightClick) {
            QTRY_VERIFY_WITH_TIMEOUT(script(view).toString().contains(expected), LoadTimeout);
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(view.focusProxy(), LoadTimeout);
        QTest::mouseClick(view.focusProxy(), Qt::RightButton, {}, QPoint(100, 100));
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QMenu *>(QApplication::activePopupWidget()),
                                 LoadTimeout);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QStringList entries;
        for (const QAction *action : menu->actions())
            entries << action->text();
        menu->close();
        QCOMPARE(entries.join(u'|'), expected);
    }

    void theUsersEngineFlagsComeAfterOursSoTheyWin()
    {
        QCOMPARE(TWebBrowser::engineFlags(" --x=4 "), TWebBrowser::engineFlags({}) + " --x=4");
    }
};

QTEST_MAIN(tst_TWebBrowser)
#include "tst_twebbrowser.moc"
