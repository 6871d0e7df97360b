// Runs N lookups through HttpClient and the same GETs through libcurl against
// one local fake site, and feeds a 1 MiB chunked body through the response
// reader. Usage: vorlinda_exchange_bench [lookups]
#include "lookup/client/FetchDictionaryPage.h"
#include "lookup/client/HttpClient.h"
#include "lookup/core/ResponseReader.h"

#include <QCoreApplication>

#include <curl/curl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

using namespace vorlinda::lookup;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A keep-alive site on 127.0.0.1: a thread per connection, answering every
// request with the same page.
class FakeSite
{
public:
    explicit FakeSite(const std::string &page)
        : response_("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                    std::to_string(page.size()) + "\r\n\r\n" + page)
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(listener_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
            ::listen(listener_, 8) != 0)
            std::abort(); // no port on 127.0.0.1: nothing to measure
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr *>(&address), &length);
        port_ = ntohs(address.sin_port);
        acceptor_ = std::thread([this] { acceptLoop(); });
    }

    ~FakeSite()
    {
        ::shutdown(listener_, SHUT_RDWR);
        acceptor_.join();
        ::close(listener_);
        for (std::thread &t : connections_)
            t.join();
    }

    std::uint16_t port() const { return port_; }

private:
    void acceptLoop()
    {
        for (;;) {
            const int fd = ::accept(listener_, nullptr, nullptr);
            if (fd < 0)
                return;
            connections_.emplace_back([this, fd] { serve(fd); });
        }
    }

    void serve(int fd)
    {
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::string pending;
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            pending.append(buffer, static_cast<std::size_t>(n));
            for (auto end = pending.find("\r\n\r\n"); end != std::string::npos;
                 end = pending.find("\r\n\r\n")) {
                pending.erase(0, end + 4);
                ::send(fd, response_.data(), response_.size(), MSG_NOSIGNAL);
            }
        }
        ::close(fd);
    }

    std::string response_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::thread acceptor_;
    std::vector<std::thread> connections_;
};

std::size_t keep(char *data, std::size_t size, std::size_t count, void *body)
{
    static_cast<std::string *>(body)->append(data, size * count);
    return size * count;
}

double ourLookupsPerSecond(std::uint16_t port, int lookups, std::size_t pageSize)
{
    HttpClient client({"127.0.0.1", port});
    FetchDictionaryPage(client, 0, 0, "hello"); // connect outside the timing
    const auto start = Clock::now();
    for (int i = 0; i < lookups; ++i)
        if (FetchDictionaryPage(client, 0, 0, "hello").size() != pageSize)
            std::abort();
    return lookups / secondsSince(start);
}

double curlLookupsPerSecond(std::uint16_t port, int lookups, std::size_t pageSize)
{
    CURL *curl = curl_easy_init();
    const std::string url = "http://127.0.0.1:" + std::to_string(port) +
                            "/index.php?selectFrom=english&selectTo=turkish&txtLang=hello"
                            "&submitButton=Search";
    std::string body;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, keep);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_perform(curl); // connect outside the timing
    const auto start = Clock::now();
    for (int i = 0; i < lookups; ++i) {
        body.clear();
        if (curl_easy_perform(curl) != CURLE_OK || body.size() != pageSize)
            std::abort();
    }
    const double rate = lookups / secondsSince(start);
    curl_easy_cleanup(curl);
    return rate;
}

double readerMebibytesPerSecond()
{
    // A 1 MiB body in chunks of varying size, as a site's output buffer gives them.
    std::string response = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    constexpr std::size_t kBody = std::size_t{1} << 20;
    std::size_t total = 0;
    for (std::size_t size = 1000; total < kBody; size = size * 7 % 8191 + 500) {
        size = std::min(size, kBody - total);
        char line[32];
        std::snprintf(line, sizeof line, "%zx\r\n", size);
        response += line;
        response += std::string(size, 'x');
        response += "\r\n";
        total += size;
    }
    response += "0\r\n\r\n";
    const int rounds = 200;
    const auto start = Clock::now();
    for (int r = 0; r < rounds; ++r) {
        ResponseReader reader;
        for (std::size_t at = 0; at < response.size(); at += 65536)
            reader.feed(std::string_view(response).substr(at, 65536));
        if (!reader.complete() || reader.takeBody().size() != total)
            std::abort();
    }
    return rounds / secondsSince(start);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int lookups = argc > 1 ? std::atoi(argv[1]) : 20000;
    const std::string page(6000, 'p'); // about the size of a result page of the site
    curl_global_init(CURL_GLOBAL_DEFAULT);
    {
        FakeSite site(page);
        // Turn about, best of three each: the machine's other load shifts from run to run.
        double ours = 0;
        double curl = 0;
        for (int round = 0; round < 3; ++round) {
            ours = std::max(ours, ourLookupsPerSecond(site.port(), lookups, page.size()));
            curl = std::max(curl, curlLookupsPerSecond(site.port(), lookups, page.size()));
        }
        std::printf("kept-alive loopback lookups (%d each, %zu-byte page)\n", lookups, page.size());
        std::printf("  HttpClient  %10.0f /s\n", ours);
        std::printf("  libcurl     %10.0f /s\n", curl);
        std::printf("  ratio       %10.2f (HttpClient / libcurl)\n", ours / curl);
    }
    curl_global_cleanup();
    // A new reader per body, as in a lookup: the figure includes mapping the
    // body's fresh memory, which dominates on a virtual machine.
    std::printf("response reader, 1 MiB chunked body: %.0f MiB/s\n", readerMebibytesPerSecond());
    return 0;
}
