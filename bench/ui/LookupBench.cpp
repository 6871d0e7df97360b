// Runs lookups in the real window against a loopback site that answers at
// once, and times each from the start of Button1Click to WebBrowser1 having
// loaded the result page; also times start-up to the window's first paint.
// Then large responses (8 MiB in one line, 8 MiB in lines of 100 bytes,
// 15 MiB), each timed from the site's last byte to the page written.
// Usage: bench_lookup [lookups]   (QT_QPA_PLATFORM=offscreen works)
#include "tests/support/LoopbackSite.h"
#include "ui/TApplication.h"
#include "ui/TForm1.h"
#include "ui/WindowPages.h"
#include "webview/TWebBrowser.h"

#include <QEventLoop>
#include <QPushButton>
#include <QTabWidget>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

using namespace vorlinda::ui;
using namespace vorlinda::webview;

namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void printRow(const char *what, std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    const double median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2.0;
    const auto p90 = samples[static_cast<std::size_t>(std::ceil(0.9 * static_cast<double>(n))) - 1];
    std::printf("%-44s %4zu %9.1f %9.1f %9.1f %9.1f\n", what, n, median, samples.front(), p90,
                samples.back());
}

// How long ago the kernel started this process (its exec), in ms; ticks of
// 10 ms. Negative when /proc cannot tell.
double msSinceExec()
{
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Field 22, counted after the command name's closing parenthesis (field 2).
    std::size_t at = text.rfind(')');
    if (at == std::string::npos)
        return -1;
    for (int field = 2; field < 22 && at != std::string::npos; ++field)
        at = text.find(' ', at + 1);
    if (at == std::string::npos)
        return -1;
    const double startTicks = std::strtod(text.c_str() + at + 1, nullptr);
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double nowMs =
        static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
    return nowMs - startTicks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The first paint of the window.
class FirstPaint : public QObject
{
public:
    Clock::time_point at{};

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && at == Clock::time_point{})
            at = Clock::now();
        return QObject::eventFilter(watched, event);
    }
};

// A results page of the usual size: some page around twenty pairs.
QByteArray sitePage()
{
    QByteArray rows;
    for (int i = 0; i < 20; ++i)
        rows += "<tr><td width=\"40%\">Hello " + QByteArray::number(i) +
                "</td><td width=\"40%\">merhaba " + QByteArray::number(i) + "</td></tr>\r\n";
    return "<html><head><title>Dictionary</title></head><body>" + QByteArray(8000, ' ') +
           "<table cellSpacing=0 cellPadding=1 width=\"100%\">\r\n" + rows + "</table>" +
           QByteArray(4000, ' ') + "</body></html>";
}

// The site's result rows first, then `filler` up to `size` bytes.
QByteArray largePage(qsizetype size, bool lines)
{
    QByteArray page = sitePage();
    const QByteArray line = QByteArray(99, 'x') + (lines ? '\n' : 'x');
    while (page.size() < size)
        page += line;
    page.truncate(size);
    return page;
}

} // namespace

int main(int argc, char *argv[])
{
    const Clock::time_point mainEntered = Clock::now();
    const double execToMain = msSinceExec();
    const int lookups = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;

    TWebBrowser::setUpEngine();
    TApplication app(argc, argv);

    LoopbackSite site;
    site.route("/index.php", {{LoopbackSite::response(200, "text/html", sitePage())}});
    site.serve("/ban.asp", "text/html", "<b>banner</b>");
    site.serve("/res/cevir.htm", "text/html", "<b>banner</b>");
    site.serve("/res/ajax-loader-vorlinda.gif", "image/gif", LoopbackSite::pixelGif());
    QTemporaryDir dir;

    const Clock::time_point beforeWindow = Clock::now();
    TForm1::Settings settings = TForm1::defaultSettings();
    settings.dictionaryHost = "127.0.0.1";
    settings.dictionaryPort = site.port();
    settings.vendorHost = site.hostAndPort();
    settings.resultFile = dir.filePath(QStringLiteral("tmp.htm"));
    TForm1 form(settings);
    FirstPaint firstPaint;
    form.installEventFilter(&firstPaint);
    form.FormCreate(&form);
    form.show();
    while (firstPaint.at == Clock::time_point{})
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const Clock::time_point shown = firstPaint.at;

    form.PageControl1->setCurrentWidget(form.TabSheet1);
    const QUrl resultAddress(WindowPages::resultPageAddress(form.settings().resultFile));
    Clock::time_point loaded{};
    QObject::connect(form.WebBrowser1, &QWebEngineView::loadFinished, &form, [&](bool ok) {
        if (ok && form.WebBrowser1->url() == resultAddress)
            loaded = Clock::now();
    });

    std::vector<double> total;
    std::vector<double> handler;
    for (int i = 0; i <= lookups; ++i) { // the first one warms up and is not counted
        loaded = {};
        const Clock::time_point start = Clock::now();
        form.Button1Click(form.Button1);
        const Clock::time_point returned = Clock::now();
        QTimer limit;
        limit.start(30000);
        while (loaded == Clock::time_point{} && limit.isActive())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (loaded == Clock::time_point{}) {
            std::fprintf(stderr, "lookup %d: the result page did not load within 30 s\n", i);
            return 1;
        }
        if (i > 0) {
            total.push_back(msBetween(start, loaded));
            handler.push_back(msBetween(start, returned));
        }
    }
    if (site.paths("/index.php").size() != lookups + 1) {
        std::fprintf(stderr, "the site saw %lld lookups, not %d\n",
                     static_cast<long long>(site.paths("/index.php").size()), lookups + 1);
        return 1;
    }

    // Large responses: from the site handing its last byte to the system to
    // Button1Click's return (the page written and asked of the view).
    struct Large
    {
        const char *name;
        qsizetype size;
        bool lines;
    };
    std::vector<std::pair<const char *, std::vector<double>>> large;
    for (const Large &row : {Large{"8 MiB, one line: last byte -> page", 8 << 20, false},
                             Large{"8 MiB, 100-byte lines: last byte -> page", 8 << 20, true},
                             Large{"15 MiB, one line: last byte -> page", 15 << 20, false}}) {
        site.route("/index.php",
                   {{LoopbackSite::response(200, "text/html", largePage(row.size, row.lines))}});
        Clock::time_point lastByte{};
        site.onRequest = [&](const QByteArray &) {
            for (QTcpSocket *socket : site.findChildren<QTcpSocket *>()) {
                if (socket->bytesToWrite() == 0)
                    continue;
                QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [&, socket] {
                    if (socket->bytesToWrite() == 0)
                        lastByte = Clock::now();
                });
            }
        };
        std::vector<double> samples;
        for (int i = 0; i < 6; ++i) { // the first one is not counted
            lastByte = {};
            form.Button1Click(form.Button1);
            const Clock::time_point written = Clock::now();
            if (lastByte == Clock::time_point{}) {
                std::fprintf(stderr, "%s: the site's last byte was not seen\n", row.name);
                return 1;
            }
            if (i > 0)
                samples.push_back(msBetween(lastByte, written));
            loaded = {};
            while (loaded == Clock::time_point{})
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        large.emplace_back(row.name, samples);
    }

    std::printf("%-44s %4s %9s %9s %9s %9s\n", "milliseconds", "n", "median", "min", "p90", "max");
    printRow("lookup start -> result page loaded", total);
    printRow("  of which Button1Click returned", handler);
    for (const auto &[name, samples] : large)
        printRow(name, samples);
    if (execToMain >= 0)
        printRow("process exec -> window painted", {execToMain + msBetween(mainEntered, shown)});
    printRow("main() -> window painted", {msBetween(mainEntered, shown)});
    printRow("window constructed -> painted", {msBetween(beforeWindow, shown)});
    form.close();
    return 0;
}
