#pragma once

#include <string>
#include <string_view>

// How a link label starts the external browser on Windows: Internet Explorer
// at its fixed place, the address as its one argument, the window maximised.
// Plain C++ and Win32, so that the Windows build takes it without Qt.
namespace vorlinda::platform::BrowserCommand {

// The browser's path, quoted (unquoted, Windows would try "C:\Program" and
// "C:\Program Files\Internet" first), one space, then `address`, an encoded
// URL without blanks.
std::string commandLine(std::string_view address);

// Starts `commandLine` shown maximised and does not wait; a program that is
// missing or cannot start is ignored.
void start(const std::string &commandLine);

} // namespace vorlinda::platform::BrowserCommand
