#include "platform/BrowserCommand.h"

#include <windows.h>

namespace vorlinda::platform::BrowserCommand {

std::string commandLine(std::string_view address)
{
    return "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" " + std::string(address);
}

void start(const std::string &commandLine)
{
    WinExec(commandLine.c_str(), SW_SHOWMAXIMIZED);
}

} // namespace vorlinda::platform::BrowserCommand
