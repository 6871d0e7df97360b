#include "ExternalBrowser.h"
#include "LoopbackHttpServer.h"
#include "TWebBrowser.h"
#include "WebBrowserError.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int LoadTimeout = 30000;

// Nothing listens on the discard port of 127.0.0.1 in the tests; the opener
// only records the address.
const QString site = u"http://127.0.0.1:9/fikra"_s;

const QString turkish = u"Çewir ığüşöç İĞŞ"_s;
// The same letters in Windows-1254.
const QByteArray turkish1254 = "\xC7"
                               "ewir \xFD\xF0\xFC\xFE\xF6\xE7 \xDD\xD0\xDE";

// A tiny GIF, so the image request has something to get.
const QByteArray gif =
    QByteArray::fromBase64("R0lGODlhAQABAIAAAP///wAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw==");

QString plainText(QWebEnginePage *page)
{
    auto text = std::make_shared<std::optional<QString>>();
    page->toPlainText([text](const QString &t) { *text = t; });
    (void)QTest::qWaitFor([&] { return text->has_value(); }, LoadTimeout);
    return text->value_or(u"<no answer>"_s);
}

QVariant runScript(QWebEnginePage *page, const QString &script,
                   quint32 world = QWebEngineScript::MainWorld)
{
    auto result = std::make_shared<std::optional<QVariant>>();
    page->runJavaScript(script, world, [result](const QVariant &v) { *result = v; });
    (void)QTest::qWaitFor([&] { return result->has_value(); }, LoadTimeout);
    return result->value_or(QVariant());
}

// Writes `content` to `name` in `dir` and gives the file's file:// address.
QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(file.fileName()));
    return QUrl::fromLocalFile(file.fileName()).toString();
}

// A port on 127.0.0.1 where nothing listens: taken from the system, then let go.
quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class tst_TWebBrowser : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void showsEachAddressForm_data();
    void showsEachAddressForm();
    void statusPageFetchesImages_data();
    void statusPageFetchesImages();
    void failedHttpLoadStillCompletes();
    void refusedNavigationThrows_data();
    void refusedNavigationThrows();
    void secondNavigationReplacesFirst_data();
    void secondNavigationReplacesFirst();
    void newWindowOpensInExternalBrowser_data();
    void newWindowOpensInExternalBrowser();
    void restrictedViewRunsNoScripts_data();
    void restrictedViewRunsNoScripts();
    void restrictedViewReadsNoOtherFiles_data();
    void restrictedViewReadsNoOtherFiles();
    void restrictedViewFollowsNoLinksToFiles_data();
    void restrictedViewFollowsNoLinksToFiles();
    void sharedProfileIsOffTheRecord();

private:
    QList<QUrl> m_opened;
};

void tst_TWebBrowser::init()
{
    m_opened.clear();
    ExternalBrowser::setOpener([this](const QUrl &url) { m_opened.append(url); });
}

void tst_TWebBrowser::cleanup()
{
    ExternalBrowser::setOpener({});
}

void tst_TWebBrowser::showsEachAddressForm_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("expected");

    const QByteArray utf8Page =
        "<html><head><meta http-equiv=Content-Type content=\"text/html; charset=utf-8\"></head>"
        "<body><p>" +
        turkish.toUtf8() + "</p></body></html>";
    const QByteArray page1254 = "<html><head><meta http-equiv=Content-Type content=\"text/html; "
                                "charset=windows-1254\"></head><body><p>" +
                                turkish1254 + "</p></body></html>";

    QTest::newRow("status page") << u"about"_s
                                 << ("<center><b>" + turkish.toUtf8() + "</b></center>") << turkish;
    QTest::newRow("empty status page") << u"about"_s << QByteArray() << QString();
    QTest::newRow("file in utf-8") << u"file"_s << utf8Page << turkish;
    QTest::newRow("file in windows-1254") << u"file"_s << page1254 << turkish;
    QTest::newRow("http page") << u"http"_s << utf8Page << turkish;
    QTest::newRow("http page in windows-1254") << u"http"_s << page1254 << turkish;
}

void tst_TWebBrowser::showsEachAddressForm()
{
    QFETCH(QString, form);
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);

    LoopbackHttpServer server;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString address;
    QUrl expectedAddress;
    if (form == u"about") {
        address = u"about:"_s + QString::fromUtf8(content);
    } else if (form == u"file") {
        address = writeFile(dir, u"tmp.htm"_s, content);
        expectedAddress = QUrl(address);
        QVERIFY(address.startsWith(u"file:///"));
    } else {
        // No charset in the header: the page's meta tag has to decide.
        server.serve("/res/cevir.htm", "text/html", content);
        expectedAddress = server.url("/res/cevir.htm");
        address = expectedAddress.toString();
    }

    TWebBrowser view;
    QSignalSpy downloaded(&view, &TWebBrowser::OnDownloadComplete);
    QSignalSpy documented(&view, &TWebBrowser::OnDocumentComplete);
    view.Navigate(address);
    QVERIFY(downloaded.wait(LoadTimeout));
    QTRY_COMPARE_WITH_TIMEOUT(documented.count(), 1, LoadTimeout);

    QCOMPARE(plainText(view.page()), expected);
    QCOMPARE(downloaded.first().at(0).value<TWebBrowser *>(), &view);
    const QList<QVariant> document = documented.first();
    QCOMPARE(document.at(0).value<TWebBrowser *>(), &view);
    QCOMPARE(document.at(1).value<QWebEnginePage *>(), view.page());
    if (!expectedAddress.isEmpty())
        QCOMPARE(document.at(2).toUrl(), expectedAddress);
}

void tst_TWebBrowser::statusPageFetchesImages_data()
{
    QTest::addColumn<bool>("restricted");

    QTest::newRow("open view") << false;
    QTest::newRow("restricted view") << true;
}

void tst_TWebBrowser::statusPageFetchesImages()
{
    QFETCH(bool, restricted);

    LoopbackHttpServer server;
    server.serve("/res/ajax-loader-vorlinda.gif", "image/gif", gif);
    const QString waiting = u"about:<center><font face=verdana><b>Arama Yapılıyor</b><br>Lütfen "
                            u"Bekleyiniz..</font><br><br><img src="_s +
                            server.url("/res/ajax-loader-vorlinda.gif").toString() +
                            u" width=16 height=16><br></center>"_s;

    TWebBrowser view;
    view.setRestricted(restricted);
    QSignalSpy downloaded(&view, &TWebBrowser::OnDownloadComplete);
    view.Navigate(waiting);

    QTRY_VERIFY_WITH_TIMEOUT(server.requests().contains("/res/ajax-loader-vorlinda.gif"),
                             LoadTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(downloaded.count() > 0, LoadTimeout);
    QCOMPARE(plainText(view.page()).trimmed(), u"Arama Yapılıyor\nLütfen Bekleyiniz.."_s);
}

void tst_TWebBrowser::failedHttpLoadStillCompletes()
{
    TWebBrowser view;
    QSignalSpy downloaded(&view, &TWebBrowser::OnDownloadComplete);
    QSignalSpy documented(&view, &TWebBrowser::OnDocumentComplete);
    view.Navigate(u"http://127.0.0.1:%1/ban.asp?p=vrl12&rnd=1"_s.arg(closedPort()));

    QVERIFY(downloaded.wait(LoadTimeout));
    QCOMPARE(downloaded.first().at(0).value<TWebBrowser *>(), &view);
    QCOMPARE(documented.count(), 0);
}

void tst_TWebBrowser::refusedNavigationThrows_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("message");

    QTest::newRow("empty") << QString() << u"Invalid URL"_s;
    QTest::newRow("no scheme") << u"tmp.htm"_s << u"Invalid URL"_s;
    QTest::newRow("http without host") << u"http://"_s << u"Invalid URL"_s;
    QTest::newRow("broken host") << u"http://[127.0.0.1/"_s << u"Invalid URL"_s;
    QTest::newRow("ftp") << u"ftp://127.0.0.1/x"_s << u"Unsupported address scheme"_s;
    QTest::newRow("script") << u"javascript:alert(1)"_s << u"Unsupported address scheme"_s;
    QTest::newRow("data") << u"data:text/html,<b>x</b>"_s << u"Unsupported address scheme"_s;
}

void tst_TWebBrowser::refusedNavigationThrows()
{
    QFETCH(QString, address);
    QFETCH(QString, message);

    TWebBrowser view;
    view.Navigate(u"about:önceki"_s);
    QSignalSpy downloaded(&view, &TWebBrowser::OnDownloadComplete);
    QVERIFY(downloaded.wait(LoadTimeout));

    try {
        view.Navigate(address);
        QFAIL("the view took the address");
    } catch (const WebBrowserError &error) {
        QCOMPARE(QString::fromUtf8(error.what()), message);
    }
    // The refused address leaves the page as it was.
    QCOMPARE(plainText(view.page()), u"önceki"_s);
}

void tst_TWebBrowser::secondNavigationReplacesFirst_data()
{
    QTest::addColumn<QString>("first");

    QTest::newRow("hanging http page") << u"http"_s;
    QTest::newRow("status page") << u"about"_s;
}

void tst_TWebBrowser::secondNavigationReplacesFirst()
{
    QFETCH(QString, first);

    LoopbackHttpServer server;
    server.hang("/ban.asp");

    TWebBrowser view;
    QSignalSpy documented(&view, &TWebBrowser::OnDocumentComplete);
    if (first == u"http") {
        view.Navigate(server.url("/ban.asp").toString());
        QTRY_VERIFY_WITH_TIMEOUT(server.requests().contains("/ban.asp"), LoadTimeout);
    } else {
        view.Navigate(u"about:birinci"_s);
    }
    view.Navigate(u"about:ikinci"_s);

    QTRY_COMPARE_WITH_TIMEOUT(plainText(view.page()), u"ikinci"_s, LoadTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(!documented.isEmpty(), LoadTimeout);
    QCOMPARE(documented.last().at(2).toUrl(), view.page()->url());
    QCOMPARE(plainText(view.page()), u"ikinci"_s);
}

void tst_TWebBrowser::newWindowOpensInExternalBrowser_data()
{
    QTest::addColumn<bool>("restricted");
    QTest::addColumn<QString>("html");
    QTest::addColumn<bool>("sourceFirst");

    const QString blankLink =
        u"<a id=out href=%1 target=_blank>Flash oyunlar, Fıkralar</a>"_s.arg(site);
    const QString openingLink =
        u"<a id=out href=# onclick=\"window.open('%1'); return false\">Fıkralar</a>"_s.arg(site);

    QTest::newRow("target=_blank link") << false << blankLink << false;
    QTest::newRow("target=_blank link, restricted view") << true << blankLink << false;
    QTest::newRow("window.open on a click") << false << openingLink << false;
    // The context menu's page source opens a new window too; it must not
    // reach the user's browser.
    QTest::newRow("page source stays out") << false << blankLink << true;
}

void tst_TWebBrowser::newWindowOpensInExternalBrowser()
{
    QFETCH(bool, restricted);
    QFETCH(QString, html);
    QFETCH(bool, sourceFirst);

    TWebBrowser view;
    view.setRestricted(restricted);
    view.resize(400, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QSignalSpy downloaded(&view, &TWebBrowser::OnDownloadComplete);
    view.Navigate(u"about:"_s + html);
    QVERIFY(downloaded.wait(LoadTimeout));
    if (sourceFirst)
        view.page()->triggerAction(QWebEnginePage::ViewSource);

    // A real click, so that the page has the user gesture a new window needs.
    // The application's own script world still runs in a restricted view.
    const QVariantList rect =
        runScript(view.page(),
                  u"var r = document.getElementById('out').getBoundingClientRect();"
                  u"[r.left + r.width / 2, r.top + r.height / 2]"_s,
                  QWebEngineScript::ApplicationWorld)
            .toList();
    QCOMPARE(rect.size(), 2);
    QWidget *surface = view.focusProxy();
    QVERIFY(surface);
    QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(rect.at(0).toInt(), rect.at(1).toInt()));

    QTRY_VERIFY_WITH_TIMEOUT(!m_opened.isEmpty(), LoadTimeout);
    QCOMPARE(m_opened, QList<QUrl>{QUrl(site)});
    // The view itself stays on its page.
    QCOMPARE(view.page()->url().scheme(), u"vorlinda-status"_s);
}

void tst_TWebBrowser::restrictedViewRunsNoScripts_data()
{
    QTest::addColumn<bool>("restricted");
    QTest::addColumn<QString>("expected");

    QTest::newRow("open view runs it") << false << u"sonuç\n\nbetik"_s;
    QTest::newRow("restricted view does not") << true << u"sonuç"_s;
}

void tst_TWebBrowser::restrictedViewRunsNoScripts()
{
    QFETCH(bool, restricted);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString page =
        writeFile(dir, u"tmp.htm"_s,
                  u"<html><head><meta charset=utf-8></head><body><p>sonuç</p>"
                  u"<script>var p = document.createElement('p'); p.textContent = 'betik';"
                  u"document.body.appendChild(p);</script></body></html>"_s.toUtf8());

    TWebBrowser view;
    view.setRestricted(restricted);
    QCOMPARE(view.isRestricted(), restricted);
    QSignalSpy documented(&view, &TWebBrowser::OnDocumentComplete);
    view.Navigate(page);
    QVERIFY(documented.wait(LoadTimeout));

    QCOMPARE(plainText(view.page()), expected);
}

void tst_TWebBrowser::restrictedViewReadsNoOtherFiles_data()
{
    QTest::addColumn<bool>("restricted");
    QTest::addColumn<int>("width");

    QTest::newRow("open view reads it") << false << 1;
    QTest::newRow("restricted view does not") << true << 0;
}

void tst_TWebBrowser::restrictedViewReadsNoOtherFiles()
{
    QFETCH(bool, restricted);
    QFETCH(int, width);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    writeFile(dir, u"secret.gif"_s, gif);
    const QString page = writeFile(
        dir, u"tmp.htm"_s, "<html><body><p>sonuc</p><img id=secret src=secret.gif></body></html>");

    TWebBrowser view;
    view.setRestricted(restricted);
    QSignalSpy downloaded(&view, &TWebBrowser::OnDownloadComplete);
    view.Navigate(page);
    QVERIFY(downloaded.wait(LoadTimeout));

    QCOMPARE(plainText(view.page()), u"sonuc"_s);
    // The load has ended, so the picture has come or never will.
    QCOMPARE(runScript(view.page(), u"document.getElementById('secret').naturalWidth"_s,
                       QWebEngineScript::ApplicationWorld)
                 .toInt(),
             width);
}

void tst_TWebBrowser::restrictedViewFollowsNoLinksToFiles_data()
{
    QTest::addColumn<bool>("restricted");
    QTest::addColumn<QString>("expected");

    QTest::newRow("open view follows it") << false << u"öteki"_s;
    QTest::newRow("restricted view does not") << true << u"sonuç"_s;
}

void tst_TWebBrowser::restrictedViewFollowsNoLinksToFiles()
{
    QFETCH(bool, restricted);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    writeFile(dir, u"other.htm"_s, u"<meta charset=utf-8>öteki"_s.toUtf8());
    const QString page = writeFile(
        dir, u"tmp.htm"_s, u"<meta charset=utf-8><a id=out href=other.htm>sonuç</a>"_s.toUtf8());

    TWebBrowser view;
    view.setRestricted(restricted);
    QSignalSpy downloaded(&view, &TWebBrowser::OnDownloadComplete);
    view.Navigate(page);
    QVERIFY(downloaded.wait(LoadTimeout));

    runScript(view.page(), u"document.getElementById('out').click()"_s,
              QWebEngineScript::ApplicationWorld);
    QVERIFY(downloaded.wait(LoadTimeout));
    QCOMPARE(plainText(view.page()), expected);
}

void tst_TWebBrowser::sharedProfileIsOffTheRecord()
{
    QWebEngineProfile *profile = TWebBrowser::sharedProfile();
    QVERIFY(profile->isOffTheRecord());
    QVERIFY(profile->storageName().isEmpty());
    QCOMPARE(profile->persistentCookiesPolicy(), QWebEngineProfile::NoPersistentCookies);
    QCOMPARE(profile->httpCacheType(), QWebEngineProfile::MemoryHttpCache);
    QVERIFY(!profile->isSpellCheckEnabled());

    TWebBrowser banner;
    TWebBrowser result;
    QCOMPARE(banner.page()->profile(), profile);
    QCOMPARE(result.page()->profile(), profile);
}

int main(int argc, char *argv[])
{
    TWebBrowser::registerSchemes();
    QApplication app(argc, argv);
    tst_TWebBrowser test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_twebbrowser.moc"
