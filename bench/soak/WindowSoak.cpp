// The whole program's window against the real vorlinda-site behind the fault
// proxy: N lookups, each a word typed into Edit1, the languages picked in the
// two lists and a click on Button1, then a wait for the page the lookup ends
// on. Every failure must be one that an injected break explains. Meant for
// the sanitizer build (-DVORLINDA_ASAN=ON), offscreen, with
// QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 set:
//   vorlinda_window_soak SITE_PROGRAM [LOOKUPS] [READ_TIMEOUT_MS] [SEED]
#include "bench/soak/FaultProxy.h"
#include "bench/soak/LookupPlan.h"
#include "bench/soak/SoakTally.h"
#include "lookup/client/FetchDictionaryPage.h"
#include "lookup/client/HttpClient.h"
#include "platform/Cp1254.h"
#include "tests/support/SiteProcess.h"
#include "ui/TApplication.h"
#include "ui/TForm1.h"
#include "webview/TWebBrowser.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <tuple>

using namespace vorlinda::lookup;
using namespace vorlinda::platform;
using namespace vorlinda::ui;
using namespace vorlinda::webview;

namespace {

// What the result view shows now.
QString shownText(TWebBrowser *view)
{
    auto text = std::make_shared<std::optional<QString>>();
    view->page()->toPlainText([text](const QString &shown) { *text = shown; });
    (void)QTest::qWaitFor([&] { return text->has_value(); }, 10000);
    return text->value_or(QString());
}

// Types `text` into `field` a key at a time. QTest::keyClicks knows ASCII
// only; other letters (ç, ğ, ß) go as the key events an input method sends.
void type(QWidget *field, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(field, c.toLatin1());
            continue;
        }
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(field, &press);
        QApplication::sendEvent(field, &release);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s SITE_PROGRAM [LOOKUPS] [READ_TIMEOUT_MS] [SEED]\n",
                     argv[0]);
        return 2;
    }
    const std::string siteProgram = argv[1];
    const int lookups = argc > 2 ? std::max(1, std::atoi(argv[2])) : 500;
    const int readTimeoutMs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 2000;
    const auto seed = static_cast<std::uint32_t>(argc > 4 ? std::atol(argv[4]) : 11);

    TWebBrowser::setUpEngine();
    TApplication app(argc, argv);

    const std::vector<LookupPlan::Lookup> plan =
        LookupPlan(seed, LookupPlan::Pairs::All).draw(lookups);

    SiteProcess site(siteProgram);
    if (site.port() == 0)
        throw std::runtime_error(siteProgram + " did not say where it listens:\n" + site.output());
    FaultProxy proxy(site.port(), FaultProxy::Rates{}, seed);
    // Every lookup once, unbroken, so that the site's loading of its
    // dictionaries does not run into the read time-out.
    {
        proxy.setBreaking(false);
        HttpClient::Options direct;
        direct.host = "127.0.0.1";
        direct.port = proxy.port();
        HttpClient warmUp(direct);
        std::set<std::tuple<int, int, std::string>> seen;
        for (const LookupPlan::Lookup &lookup : plan)
            if (seen.emplace(lookup.sourcePosition, lookup.targetPosition, lookup.word).second)
                (void)FetchDictionaryPage(warmUp, lookup.sourcePosition, lookup.targetPosition,
                                          lookup.word);
        proxy.setBreaking(true);
    }

    QTemporaryDir dir;
    TForm1::Settings settings = TForm1::defaultSettings();
    settings.dictionaryHost = "127.0.0.1";
    settings.dictionaryPort = proxy.port();
    settings.vendorHost = QStringLiteral("127.0.0.1:%1").arg(site.port());
    settings.resultFile = dir.filePath(QStringLiteral("tmp.htm"));
    settings.connectLimit = std::chrono::milliseconds(5000);
    settings.readTimeout = std::chrono::milliseconds(readTimeoutMs);
    TForm1 form(settings);
    form.FormCreate(&form);
    form.show();
    form.PageControl1->setCurrentWidget(form.TabSheet1);

    // The failure box, closed as a user pressing Enter would.
    long boxes = 0;
    QTimer boxCloser;
    QObject::connect(&boxCloser, &QTimer::timeout, [&boxes] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        ++boxes;
        box->defaultButton()->click();
    });
    boxCloser.start(10);

    long loads = 0;
    QObject::connect(form.WebBrowser1, &QWebEngineView::loadFinished, [&loads](bool ok) {
        if (ok)
            ++loads;
    });
    // A banner download opens the gate.
    if (!QTest::qWaitFor([&form] { return form.Button1->isEnabled(); }, 60000)) {
        std::fprintf(stderr, "Button1 never became enabled\n");
        return 1;
    }

    SoakTally tally;
    long resultPages = 0;
    long notFoundPages = 0;
    long failurePages = 0;
    long stuck = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 1; i <= lookups; ++i) {
        const LookupPlan::Lookup &lookup = plan[static_cast<std::size_t>(i - 1)];
        form.ComboBox1->setCurrentIndex(lookup.sourcePosition);
        form.ComboBox2->setCurrentIndex(lookup.targetPosition);
        form.Edit1->clear();
        type(form.Edit1, Cp1254::decode(lookup.word));
        if (form.Edit1->text() != Cp1254::decode(lookup.word)) {
            std::fprintf(stderr, "lookup %d: Edit1 holds \"%s\"\n", i,
                         qPrintable(form.Edit1->text()));
            return 1;
        }
        const long boxesBefore = boxes;
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        const bool failed = boxes > boxesBefore;
        tally.add(i, failed ? SoakTally::Outcome::Failed : SoakTally::Outcome::Success,
                  proxy.takeFaults(), failed ? "the failure box" : "");

        // The page the lookup ends on: a load after the click that is not
        // the waiting page.
        QString shown;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (long seen = loads; std::chrono::steady_clock::now() < deadline;) {
            if (!QTest::qWaitFor([&] { return loads > seen; }, 1000))
                continue;
            seen = loads;
            shown = shownText(form.WebBrowser1);
            if (!shown.contains(QStringLiteral("Arama Yap")))
                break;
        }
        if (shown.contains(QStringLiteral("BAĞLANTI KURULAMADI")))
            ++failurePages;
        else if (shown.contains(QStringLiteral("SONUÇ BULUNAMADI")))
            ++notFoundPages;
        else if (form.WebBrowser1->url() == QUrl::fromLocalFile(settings.resultFile))
            ++resultPages;
        else {
            ++stuck;
            std::fprintf(stderr, "lookup %d: no end page within 30 s; %s shows \"%s\"\n", i,
                         qPrintable(form.WebBrowser1->url().toString().left(60)),
                         qPrintable(shown.left(60)));
        }
        if (i % 50 == 0)
            std::fprintf(stderr, "%d lookups\n", i);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::printf("window lookups      %d in %.1f s, read time-out %d ms, seed %u\n", lookups,
                seconds, readTimeoutMs, seed);
    std::printf("successes           %ld (%ld of them through the retry)\n", tally.successes,
                tally.recoveredByRetry);
    std::printf("failed by reset     %ld\n", tally.failedByReset);
    std::printf("failed by stall     %ld\n", tally.failedByStall);
    std::printf("spurious failures   %ld\n", tally.spurious);
    std::printf("pages shown         %ld results, %ld not found, %ld failure, %ld other\n",
                resultPages, notFoundPages, failurePages, stuck);
    const auto totals = proxy.totals();
    using Fault = FaultProxy::Fault;
    const auto total = [&totals](Fault fault) {
        const auto found = totals.find(fault);
        return found == totals.end() ? 0L : found->second;
    };
    std::printf("breaks injected     idle close %ld, close on the next request %ld, reset %ld, "
                "stall %ld\n",
                total(Fault::IdleClose), total(Fault::CloseOnRequest), total(Fault::Reset),
                total(Fault::Stall));
    form.close();
    std::fflush(stdout); // the leak check at exit ends the process without flushing
    return tally.spurious > 0 || stuck > 0 ? 1 : 0;
}
