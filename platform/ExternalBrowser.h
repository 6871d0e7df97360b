#pragma once

#include <QUrl>
#include <functional>

// Opens addresses in the user's default browser on Linux, in Internet
// Explorer on Windows (BrowserCommand).
namespace vorlinda::platform::ExternalBrowser {

// Starts the desktop's opener (xdg-open) on the address and returns at once.
// An opener that is missing, cannot start or ends in failure (no browser to
// open the address) is reported to the failure handler, later.
void open(const QUrl &url);

// What to do when an address could not be opened: the window tells the user.
void setFailureHandler(std::function<void(const QUrl &)> handler);

// Tests replace the opener to see what would be opened; an empty function
// restores the desktop's.
void setOpener(std::function<void(const QUrl &)> opener);

} // namespace vorlinda::platform::ExternalBrowser
