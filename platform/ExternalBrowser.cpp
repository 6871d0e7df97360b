#include "ExternalBrowser.h"

#include <QDesktopServices>

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
    QDesktopServices::openUrl(url);
}

void setOpener(std::function<void(const QUrl &)> opener)
{
    testOpener() = std::move(opener);
}

} // namespace ExternalBrowser

} // namespace vorlinda::platform
