#pragma once

#include <chrono>
#include <optional>
#include <string_view>

namespace vorlinda::lookup {

// Reads the dates that servers put into a cookie's Expires attribute:
// "Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
// "Sun Nov  6 08:49:37 1994" and the Netscape "Wdy, DD-Mon-YYYY HH:MM:SS GMT".
// Every date is taken as UTC. Nothing for text that holds no such date.
std::optional<std::chrono::system_clock::time_point> parseHttpDate(std::string_view text);

} // namespace vorlinda::lookup
