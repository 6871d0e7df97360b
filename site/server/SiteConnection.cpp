#include "server/SiteConnection.h"

#include "server/ConnectionContext.h"
#include "text/RequestLine.h"
#include "web/SiteResponder.h"

#include <boost/asio/dispatch.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>

#include <linux/sockios.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <ctime>
#include <strings.h>
#include <utility>
#include <vector>

namespace vorlinda::site {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
constexpr std::size_t kReadChunk = 1024;
// The kernel would take megabytes of answers to pipelined requests from a
// client that reads none of them; with this much, such a client soon
// meets the write deadline instead of costing the site their lookups.
constexpr int kSendBuffer = 64 * 1024;
// How long a closing connection keeps reading what the client still sends.
constexpr std::chrono::milliseconds kLinger{1000};

std::string_view reasonOf(int status)
{
    return http::obsolete_reason(static_cast<http::status>(status));
}

// The method and target of a request line, as far as they can be told.
std::pair<std::string_view, std::string_view> requestWords(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    const std::size_t first = line.find(' ');
    if (first == std::string_view::npos)
        return {line, {}};
    std::string_view target = line.substr(first + 1);
    if (const std::size_t last = target.rfind(' '); last != std::string_view::npos)
        target = target.substr(0, last);
    return {line.substr(0, first), target};
}

std::string printable(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x21 || b >= 0x7F || c == '\\') {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

// The log line of one exchange; raw bytes of the target are shown as \xNN.
std::string logLine(std::string_view remote, std::string_view method, std::string_view target,
                    int status, std::size_t bodySize)
{
    char stamp[32] = "-";
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    if (::gmtime_r(&now, &utc) != nullptr)
        std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    std::string line = stamp;
    line += ' ';
    line += remote.empty() ? "-" : remote;
    line += ' ';
    line += method.empty() ? "-" : printable(method);
    line += ' ';
    line += target.empty() ? "-" : printable(target);
    line += ' ';
    line += std::to_string(status);
    line += ' ';
    line += std::to_string(bodySize);
    return line;
}

} // namespace

SiteConnection::SiteConnection(asio::ip::tcp::socket socket, ConnectionContext &context)
    : context_(context), stream_(std::move(socket))
{
    beast::error_code error;
    stream_.socket().set_option(asio::socket_base::send_buffer_size(kSendBuffer), error);
    const auto peer = stream_.socket().remote_endpoint(error);
    if (!error)
        remote_ = peer.address().to_string();
}

SiteConnection::~SiteConnection()
{
    context_.connections.forget(this);
}

void SiteConnection::start()
{
    context_.connections.remember(shared_from_this());
    // A client that connects must send its first request within the header
    // deadline.
    stream_.expires_after(context_.timeouts.header);
    awaitRequest();
}

void SiteConnection::stop()
{
    asio::dispatch(stream_.get_executor(), [self = shared_from_this()] { self->closeIfIdle(); });
}

void SiteConnection::closeIfIdle()
{
    // A request in hand is answered first, with "Connection: close". A
    // connection lingering after its last answer is left to it: closed now,
    // requests the client still sends would reset that answer away before
    // it has all arrived.
    if (phase_ != Phase::Waiting)
        return;
    beast::error_code error;
    // The next request has arrived but is not read yet: it is the one in hand.
    if (stream_.socket().available(error) > 0)
        return;
    // The last answer has not all left the kernel (the client reads slowly):
    // the same holds, so the connection lingers once the read cancelled here
    // returns.
    int unsent = 0;
    if (::ioctl(stream_.socket().native_handle(), SIOCOUTQ, &unsent) == 0 && unsent > 0) {
        phase_ = Phase::Lingering;
        return stream_.cancel();
    }
    close();
}

void SiteConnection::awaitRequest()
{
    if (context_.stopping)
        return linger(); // the answer just written still reaches the client
    request_.emplace();
    request_->header_limit(kMaxRequestLine + kMaxHeader + 4);
    request_->body_limit(kMaxBody);
    phase_ = buffer_.size() > 0 ? Phase::Request : Phase::Waiting;
    if (phase_ == Phase::Request) {
        stream_.expires_after(context_.timeouts.header);
        return examineHead();
    }
    if (served_ > 0)
        stream_.expires_after(context_.timeouts.keepAlive);
    readSome();
}

void SiteConnection::readSome()
{
    stream_.async_read_some(
        buffer_.prepare(kReadChunk),
        [self = shared_from_this()](beast::error_code error, std::size_t bytes) {
            self->onRead(error, bytes);
        });
}

void SiteConnection::onRead(beast::error_code error, std::size_t bytes)
{
    if (phase_ == Phase::Lingering)
        return linger(); // stopped while its last answer was on the way
    if (error || phase_ == Phase::Closed)
        return close(); // closed, reset, or the deadline passed
    buffer_.commit(bytes);
    if (phase_ == Phase::Waiting) {
        phase_ = Phase::Request;
        // The whole head must arrive within the deadline, however slowly
        // it trickles in.
        if (served_ > 0)
            stream_.expires_after(context_.timeouts.header);
    }
    examineHead();
}

void SiteConnection::examineHead()
{
    const std::string_view data(static_cast<const char *>(buffer_.data().data()), buffer_.size());
    const std::size_t lineEnd = data.find('\n');
    if (lineEnd == std::string_view::npos) {
        if (data.size() > kMaxRequestLine + 1)
            return refuse(414, {});
        return readSome();
    }
    const std::size_t lineLength = lineEnd > 0 && data[lineEnd - 1] == '\r' ? lineEnd - 1 : lineEnd;
    if (lineLength > kMaxRequestLine)
        return refuse(414, {});

    // The head ends at the first empty line after the request line.
    std::size_t headEnd = std::string_view::npos;
    if (const std::size_t crlf = data.find("\n\r\n", lineEnd); crlf != std::string_view::npos)
        headEnd = crlf + 3;
    if (const std::size_t lf = data.find("\n\n", lineEnd); lf != std::string_view::npos)
        headEnd = std::min(headEnd, lf + 2);
    const std::size_t headerBytes =
        (headEnd == std::string_view::npos ? data.size() : headEnd) - lineEnd - 1;
    if (headerBytes > kMaxHeader)
        return refuse(431, data.substr(0, lineEnd));
    if (headEnd == std::string_view::npos)
        return readSome();

    const std::string line = repairRequestLine(data.substr(0, lineEnd + 1));
    const std::string head = line + std::string(data.substr(lineEnd + 1, headEnd - lineEnd - 1));
    buffer_.consume(headEnd);
    beast::error_code error;
    request_->put(asio::buffer(head), error);
    const unsigned version = error ? 0 : request_->get().version();
    if (error || !request_->is_header_done() || (version != 10 && version != 11))
        return refuse(400, line);
    if (request_->is_done())
        return answer();
    http::async_read(stream_, buffer_, *request_,
                     [self = shared_from_this()](beast::error_code bodyError, std::size_t) {
                         self->onBody(bodyError);
                     });
}

void SiteConnection::onBody(beast::error_code error)
{
    if (error == http::error::body_limit)
        return refuse(413, {});
    if (error == beast::error::timeout || error == http::error::end_of_stream ||
        error == asio::error::eof || error == asio::error::connection_reset)
        return close();
    if (error)
        return refuse(400, {});
    answer();
}

void SiteConnection::answer()
{
    const auto &request = request_->get();
    const std::string_view method = request.method_string();
    const std::string_view target = request.target();
    SiteResponse response;
    try {
        response = context_.responder->respond(method, target, request[http::field::cookie],
                                               request.body());
    } catch (const std::exception &) {
        response = errorResponse(500, reasonOf(500));
    }
    keepAlive_ = request.keep_alive();
    ++served_;
    send(response.status, std::move(response), request.method() == http::verb::head, method,
         target);
}

void SiteConnection::refuse(int status, std::string_view requestLine)
{
    keepAlive_ = false;
    const auto [method, target] = requestWords(requestLine);
    send(status, errorResponse(status, reasonOf(status)), false, method, target);
}

void SiteConnection::send(int status, SiteResponse &&answer, bool headOnly, std::string_view method,
                          std::string_view target)
{
    if (context_.stopping)
        keepAlive_ = false;
    if (context_.log)
        context_.log(logLine(remote_, method, target, status, answer.body.size()));

    // The header lines in the order of their names, as the site always wrote them.
    std::vector<std::pair<std::string, std::string>> fields = std::move(answer.headers);
    fields.emplace_back("Content-Length", std::to_string(answer.body.size()));
    fields.emplace_back("Content-Type", answer.contentType);
    if (keepAlive_) {
        const auto seconds = (context_.timeouts.keepAlive.count() + 999) / 1000;
        fields.emplace_back("Keep-Alive", "timeout=" + std::to_string(seconds));
    } else {
        fields.emplace_back("Connection", "close");
    }
    std::stable_sort(fields.begin(), fields.end(), [](const auto &a, const auto &b) {
        return ::strcasecmp(a.first.c_str(), b.first.c_str()) < 0;
    });

    response_ = {};
    response_.version(11);
    response_.result(static_cast<unsigned>(status));
    response_.reason(reasonOf(status));
    for (const auto &[name, value] : fields)
        response_.insert(name, value);
    if (!headOnly)
        response_.body() = std::move(answer.body);
    request_.reset();

    stream_.expires_after(context_.timeouts.write);
    http::async_write(stream_, response_,
                      [self = shared_from_this()](beast::error_code error, std::size_t) {
                          self->onWritten(error);
                      });
}

void SiteConnection::onWritten(beast::error_code error)
{
    response_ = {};
    if (error)
        return close();
    if (!keepAlive_)
        return linger();
    awaitRequest();
}

void SiteConnection::linger()
{
    phase_ = Phase::Lingering;
    beast::error_code ignored;
    stream_.socket().shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
    stream_.expires_after(kLinger);
    drain();
}

void SiteConnection::drain()
{
    buffer_.clear();
    stream_.async_read_some(buffer_.prepare(kReadChunk),
                            [self = shared_from_this()](beast::error_code error, std::size_t) {
                                if (error)
                                    return self->close();
                                self->drain();
                            });
}

void SiteConnection::close()
{
    phase_ = Phase::Closed;
    beast::error_code ignored;
    stream_.socket().shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    stream_.close();
}

} // namespace vorlinda::site
