#include "platform/ExternalBrowser.h"

#ifdef _WIN32
#include "platform/BrowserCommand.h"
#else
#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#endif

namespace vorlinda::platform {

namespace {

std::function<void(const QUrl &)> &testOpener()
{
    static std::function<void(const QUrl &)> opener;
    return opener;
}

std::function<void(const QUrl &)> &failureHandler()
{
    static std::function<void(const QUrl &)> handler;
    return handler;
}

void failed(const QUrl &url)
{
    if (failureHandler())
        failureHandler()(url);
}

} // namespace

namespace ExternalBrowser {

void open(const QUrl &url)
{
    if (testOpener()) {
        testOpener()(url);
        return;
    }
#ifdef _WIN32
    BrowserCommand::start(BrowserCommand::commandLine(url.toEncoded().toStdString()));
}
#else
    // Qt hands the address to xdg-open and forgets it, so an opener that
    // finds no browser would go unnoticed: run it ourselves and read how it
    // ends. (It may wait for the browser it starts; that is fine.)
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        if (!QDesktopServices::openUrl(url))
            failed(url);
        return;
    }
    auto *process = new QProcess(QCoreApplication::instance());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process,
                     [process, url](int code, QProcess::ExitStatus status) {
                         process->deleteLater();
                         if (status != QProcess::NormalExit || code != 0)
                             failed(url);
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, url](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         process->deleteLater();
                         failed(url);
                     });
    process->start(opener, {url.toString(QUrl::FullyEncoded)});
}
#endif

void setFailureHandler(std::function<void(const QUrl &)> handler)
{
    failureHandler() = std::move(handler);
}

void setOpener(std::function<void(const QUrl &)> opener)
{
    testOpener() = std::move(opener);
}

} // namespace ExternalBrowser

} // namespace vorlinda::platform
