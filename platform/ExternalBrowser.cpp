#include "ExternalBrowser.h"

#ifdef _WIN32
#include "BrowserCommand.h"
#else
#include <QDesktopServices>
#endif

namespace vorlinda::platform {

namespace {

std::function<void(const QUrl &)> &testOpener()
{
    static std::function<void(const QUrl &)> opener;
    return opener;
}

} // namespace

namespace ExternalBrowser {

void open(const QUrl &url)
{
    if (testOpener()) {
        testOpener()(url);
        return;
    }
    // A browser that does not start is not the user's problem to hear about.
#ifdef _WIN32
    BrowserCommand::start(BrowserCommand::commandLine(url.toEncoded().toStdString()));
#else
    QDesktopServices::openUrl(url);
#endif
}

void setOpener(std::function<void(const QUrl &)> opener)
{
    testOpener() = std::move(opener);
}

} // namespace ExternalBrowser

} // namespace vorlinda::platform
