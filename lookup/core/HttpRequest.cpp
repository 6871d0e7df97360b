#include "lookup/core/HttpRequest.h"

namespace vorlinda::lookup::HttpRequest {

std::string hostField(std::string_view host, std::uint16_t port, bool secure)
{
    std::string field;
    if (host.find(':') != std::string_view::npos) {
        field += '[';
        field += host;
        field += ']';
    } else {
        field = host;
    }
    if (port != (secure ? 443 : 80)) {
        // Appended piece by piece: GCC 12 at -O3 takes ":" + a temporary for an
        // overlapping copy (-Wrestrict) and the build stops there.
        field += ':';
        field += std::to_string(port);
    }
    return field;
}

std::string get(std::string_view target, std::string_view hostField, std::string_view cookies)
{
    std::string request;
    request.reserve(160 + target.size() + hostField.size() + cookies.size());
    request += "GET ";
    request += target;
    request += " HTTP/1.1\r\n"
               "Content-Type: text/html\r\n"
               "Host: ";
    request += hostField;
    request += "\r\n"
               "Accept: text/html, */*\r\n"
               "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";
    if (!cookies.empty()) {
        request += "Cookie: ";
        request += cookies;
        request += "\r\n";
    }
    request += "\r\n";
    return request;
}

std::string_view path(std::string_view target)
{
    const std::string_view beforeQuery = target.substr(0, target.find('?'));
    const auto slash = beforeQuery.rfind('/');
    if (slash == std::string_view::npos)
        return "/";
    return beforeQuery.substr(0, slash + 1);
}

} // namespace vorlinda::lookup::HttpRequest
