#pragma once

#include <QUrl>
#include <functional>

// Opens addresses in the user's default browser on Linux, in Internet
// Explorer on Windows (BrowserCommand). A browser that cannot start is ignored.
namespace vorlinda::platform::ExternalBrowser {

void open(const QUrl &url);

// Tests replace the opener to see what would be opened; an empty function
// restores the desktop's.
void setOpener(std::function<void(const QUrl &)> opener);

} // namespace vorlinda::platform::ExternalBrowser
