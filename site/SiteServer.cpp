#include "SiteServer.h"

#include "ConnectionStream.h"
#include "SitePages.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace vorlinda::site {
namespace {

// Idle keep-alive connections each hold a worker, and a web view opens
// several at once.
constexpr std::size_t kWorkers = 48;
constexpr std::size_t kKeepAliveRequests = 1000;
// The program keeps its connection between lookups; a user reads a while.
constexpr time_t kKeepAliveSeconds = 120;

// Set by the error handler when httplib could not read a request: the rest
// of that connection cannot be trusted, so it is closed after the answer.
thread_local bool requestWasMalformed = false;

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

std::string_view reasonOf(int status)
{
    switch (status) {
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 413:
        return "Payload Too Large";
    case 414:
        return "URI Too Long";
    case 500:
        return "Internal Server Error";
    default:
        return "Error";
    }
}

} // namespace

SiteServer::SiteServer(std::shared_ptr<const SiteResponder> responder, LogSink log)
    : responder_(std::move(responder)), log_(std::move(log))
{
    new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
    set_keep_alive_max_count(kKeepAliveRequests);
    set_keep_alive_timeout(kKeepAliveSeconds);
    // httplib would also set SO_REUSEPORT, letting a second copy of the site
    // share the port unnoticed; a taken port must be an error.
    set_socket_options([](socket_t sock) {
        const int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });

    const auto handler = [this](const httplib::Request &request, httplib::Response &response) {
        const SiteResponse answer =
            responder_->respond(request.method, request.target, request.get_header_value("Cookie"));
        response.status = answer.status;
        for (const auto &[name, value] : answer.headers)
            response.set_header(name, value);
        response.set_content(answer.body, answer.contentType);
    };
    Get(".*", handler);
    Post(".*", handler);

    // Requests httplib could not even read (and routes it refused) get a
    // page too; an unreadable one also closes the connection.
    set_error_handler([](const httplib::Request &, httplib::Response &response) {
        if (response.status == 400 && response.body.empty()) {
            requestWasMalformed = true;
            response.set_header("Connection", "close");
        }
        if (response.body.empty()) {
            response.set_content(SitePages::errorPage(response.status, reasonOf(response.status)),
                                 "text/html; charset=utf-8");
        }
    });
    set_exception_handler([](const httplib::Request &, httplib::Response &response,
                             std::exception_ptr) {
        response.status = 500;
        response.set_content(SitePages::errorPage(500, reasonOf(500)), "text/html; charset=utf-8");
    });
    set_logger([this](const httplib::Request &request, const httplib::Response &response) {
        if (log_)
            log_(logLine(request, response));
    });
}

std::string SiteServer::logLine(const httplib::Request &request, const httplib::Response &response)
{
    char stamp[32] = "-";
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    if (::gmtime_r(&now, &utc) != nullptr)
        std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    std::string line = stamp;
    line += ' ';
    line += request.remote_addr.empty() ? "-" : request.remote_addr;
    line += ' ';
    line += request.method.empty() ? "-" : printable(request.method);
    line += ' ';
    line += request.target.empty() ? "-" : printable(request.target);
    line += ' ';
    line += std::to_string(response.status);
    line += ' ';
    line += std::to_string(response.body.size());
    return line;
}

bool SiteServer::process_and_close_socket(socket_t sock)
{
    ConnectionStream stream(sock, readTimeout_, writeTimeout_);
    const auto running = [this] { return svr_sock_ != INVALID_SOCKET; };
    bool ok = true;
    for (std::size_t served = 0; served < keep_alive_max_count_; ++served) {
        if (!stream.waitForRequest(std::chrono::seconds(keep_alive_timeout_sec_), running))
            break;
        requestWasMalformed = false;
        stream.beginRequest();
        bool closed = false;
        const bool last = served + 1 == keep_alive_max_count_;
        ok = process_request(stream, last, closed, nullptr);
        if (!ok || closed || requestWasMalformed)
            break;
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return ok;
}

std::string SiteServer::explainBindFailure(const std::string &address, int port)
{
    const std::string where = address + " port " + std::to_string(port);
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_PASSIVE;
    addrinfo *found = nullptr;
    if (::getaddrinfo(address.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return "cannot listen on " + where + ": \"" + address +
               "\" is not a numeric IPv4 or IPv6 address. Give one with --listen, "
               "for example --listen 127.0.0.1.";
    }
    int error = 0;
    const int probe = ::socket(found->ai_family, SOCK_STREAM, 0);
    if (probe < 0) {
        error = errno;
    } else {
        const int yes = 1;
        ::setsockopt(probe, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (found->ai_family == AF_INET6)
            ::setsockopt(probe, IPPROTO_IPV6, IPV6_V6ONLY, &yes, sizeof yes);
        const auto networkPort = htons(static_cast<std::uint16_t>(port));
        if (found->ai_family == AF_INET6)
            reinterpret_cast<sockaddr_in6 *>(found->ai_addr)->sin6_port = networkPort;
        else
            reinterpret_cast<sockaddr_in *>(found->ai_addr)->sin_port = networkPort;
        if (::bind(probe, found->ai_addr, found->ai_addrlen) != 0 || ::listen(probe, 1) != 0)
            error = errno;
        ::close(probe);
    }
    ::freeaddrinfo(found);

    const std::string prefix = "cannot listen on " + where + ": ";
    switch (error) {
    case EACCES:
    case EPERM:
        return prefix +
               "permission denied. Ports below 1024 need privileges: run vorlinda-site as "
               "root, or give it the right once with 'sudo setcap cap_net_bind_service=+ep "
               "<path of vorlinda-site>', or use a port of 1024 or above with --port (and "
               "build the program with VORLINDA_DICTIONARY_PORT set to it).";
    case EADDRINUSE:
        return prefix + "the port is already in use. Stop the program holding it (see 'ss -ltnp " +
               "sport = :" + std::to_string(port) + "') or choose another with --port.";
    case EADDRNOTAVAIL:
    case EAFNOSUPPORT:
        return prefix + "this machine has no such address" +
               (address.find(':') != std::string::npos ? " (is IPv6 turned off?)" : "") +
               ". Choose the addresses with --listen, for example --listen 127.0.0.1.";
    case 0:
        return prefix + "the bind failed but succeeded when tried again; try once more.";
    default:
        return prefix + std::strerror(error) + ".";
    }
}

} // namespace vorlinda::site
