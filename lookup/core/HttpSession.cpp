#include "lookup/core/HttpSession.h"

#include "lookup/core/HttpError.h"
#include "lookup/core/HttpRequest.h"
#include "lookup/core/ResponseReader.h"

#include <array>
#include <cctype>

namespace vorlinda::lookup {

namespace {

bool isClose(std::optional<std::string_view> value)
{
    if (!value)
        return false;
    std::string_view v = *value;
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
        v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t'))
        v.remove_suffix(1);
    std::string lowered(v);
    for (char &c : lowered)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lowered == "close";
}

// Only a 2xx without a Location counts; redirects are not followed.
void checkStatus(const ResponseHead &head)
{
    const int status = head.status;
    if (const auto location = head.field("Location"))
        throw HttpStatusError("redirected to \"" + std::string(*location) + "\" (status " +
                                  std::to_string(status) + ")",
                              status);
    if (status >= 300 && status < 400 && status != 304)
        throw HttpStatusError("redirect status " + std::to_string(status), status);
    if (status < 200 || status > 299)
        throw HttpStatusError("the site answered with status " + std::to_string(status), status);
}

} // namespace

HttpSession::HttpSession(std::string host, std::uint16_t port, bool secure, Clock clock)
    : host_(std::move(host)), hostField_(HttpRequest::hostField(host_, port, secure)),
      secure_(secure), clock_(std::move(clock))
{}

std::string HttpSession::get(std::string_view target, const Connector &connect)
{
    const std::string request =
        HttpRequest::get(target, hostField_,
                         cookies_.cookiesFor(host_, HttpRequest::path(target), clock_(), secure_));
    if (connection_ && connection_->unusable())
        connection_.reset();
    const bool reused = connection_ != nullptr;
    if (!reused)
        connection_ = connect();
    try {
        return exchange(request);
    } catch (const HttpConnectionLost &lost) {
        if (!reused || !lost.beforeResponse())
            throw;
    }
    // The server had given up the kept-alive connection before our request
    // reached it: send it once more, on a fresh connection.
    connection_ = connect();
    return exchange(request);
}

std::string HttpSession::exchange(const std::string &request)
{
    ResponseReader reader;
    bool leftover = false;
    try {
        try {
            connection_->send(request);
        } catch (const HttpConnectionLost &lost) {
            throw HttpConnectionLost(lost.what(), true);
        }
        std::array<char, std::size_t{64} * 1024> buffer;
        std::size_t received = 0;
        bool cookiesTaken = false;
        while (!reader.complete()) {
            std::size_t n = 0;
            try {
                n = connection_->receive(buffer.data(), buffer.size());
            } catch (const HttpConnectionLost &lost) {
                throw HttpConnectionLost(lost.what(), received == 0);
            }
            received += n;
            if (n == 0)
                reader.finish();
            else
                leftover = reader.feed({buffer.data(), n}) < n;
            // Cookies count even when the response then fails.
            if (!cookiesTaken && reader.headComplete()) {
                cookiesTaken = true;
                const auto now = clock_();
                for (const auto value : reader.head().fieldValues("Set-Cookie"))
                    cookies_.takeSetCookie(value, host_, now);
                for (const auto value : reader.head().fieldValues("Set-Cookie2"))
                    cookies_.takeSetCookie2(value, host_, now);
            }
        }
    } catch (...) {
        connection_.reset(); // in an unknown state
        throw;
    }
    const ResponseHead &head = reader.head();
    // Bytes beyond the response would be taken for the next one: better a new connection.
    if (reader.endedByClose() || leftover || isClose(head.field("Connection")) ||
        isClose(head.field("Proxy-Connection")))
        connection_.reset();
    checkStatus(head);
    return reader.takeBody();
}

} // namespace vorlinda::lookup
