#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vorlinda::site {

struct ConnectionContext;
struct SiteResponse;

// One accepted connection: reads each request's head itself (so the request
// line is repaired and the size limits and the header deadline hold before
// Beast's parser sees it), answers through the server's responder (the
// context every connection of the server shares) and
// writes the answer with Beast. Every step is an asynchronous operation
// under a deadline, so a slow or silent client holds no thread.
class SiteConnection : public std::enable_shared_from_this<SiteConnection>
{
public:
    // Longest request line and header block (the lines after the request
    // line, up to the blank one) the site reads.
    static constexpr std::size_t kMaxRequestLine = 8192;
    static constexpr std::size_t kMaxHeader = 16384;
    // Longest request body: a feedback form's 2,000 characters, each
    // escaped, and its other fields.
    static constexpr std::size_t kMaxBody = 32768;

    SiteConnection(boost::asio::ip::tcp::socket socket, ConnectionContext &context);
    ~SiteConnection();

    void start();
    // The site is stopping: a connection waiting for a request closes now
    // (lingers, if its last answer is still on the way), one in the middle
    // of a request closes after its answer, one lingering goes on with it.
    void stop();

private:
    using Request = boost::beast::http::request_parser<boost::beast::http::string_body>;

    enum class Phase
    {
        Waiting,   // for the next request, none of it read
        Request,   // some of it read: it is being read, answered or written
        Lingering, // after the last answer, see linger()
        Closed,
    };

    void closeIfIdle();
    void awaitRequest();
    void readSome();
    void onRead(boost::beast::error_code error, std::size_t bytes);
    // Looks at what has arrived of the head; reads more, refuses or parses it.
    void examineHead();
    void onBody(boost::beast::error_code error);
    void answer();
    // A request the site will not read: answered with an error page, then
    // the connection is closed.
    void refuse(int status, std::string_view requestLine);
    void send(int status, SiteResponse &&answer, bool headOnly, std::string_view method,
              std::string_view target);
    void onWritten(boost::beast::error_code error);
    // Closes after the client has had the answer: reads what it still sends
    // for a moment, so the close does not reset the answer away.
    void linger();
    void drain();
    void close();

    ConnectionContext &context_;
    boost::beast::tcp_stream stream_;
    boost::beast::flat_buffer buffer_;
    std::optional<Request> request_;
    boost::beast::http::response<boost::beast::http::string_body> response_;
    std::string remote_ = "-";
    std::size_t served_ = 0;
    Phase phase_ = Phase::Waiting;
    bool keepAlive_ = false; // of the answer being written
};

} // namespace vorlinda::site
