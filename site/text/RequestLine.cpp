#include "text/RequestLine.h"

namespace vorlinda::site {

std::string repairRequestLine(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    const std::size_t first = line.find(' ');
    const std::size_t last = line.rfind(' ');
    if (first == std::string_view::npos || first == last ||
        !line.substr(last + 1).starts_with("HTTP/"))
        return std::string(line) + "\r\n";
    std::string out(line.substr(0, first + 1));
    for (const char c : line.substr(first + 1, last - first - 1)) {
        if (c == ' ')
            out += "%20";
        else
            out += c;
    }
    out += line.substr(last);
    out += "\r\n";
    return out;
}

} // namespace vorlinda::site
