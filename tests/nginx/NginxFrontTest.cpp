// The site behind Debian's nginx as packaging/nginx/vorlinda-site.conf sets
// it up: two instances on 127.0.0.1, and lookups over https through nginx
// (its certificate from an authority made here) with the program's lookup
// path (HttpClient, FetchDictionaryPage), one instance killed a third of the
// way and started again at two thirds. Fails on any
// failed lookup or wrong body, on a second cookie (an instance that got no
// cookie hands out a new one), on a request target that reaches a site
// other than as the program wrote it, and when a request line with raw
// blanks fares otherwise than nginx is known to treat it.
// Usage: vorlinda_nginx_test NGINX SITE_PROGRAM NGINX_CONF [LOOKUPS]
#include "lookup/client/FetchDictionaryPage.h"
#include "lookup/client/HttpClient.h"
#include "lookup/core/DictionaryQuery.h"
#include "tests/support/LookupPlan.h"
#include "tests/support/LoopbackClient.h"
#include "tests/support/SiteProcess.h"
#include "tests/support/TestAuthority.h"

#include <QCoreApplication>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

using namespace vorlinda::lookup;

namespace {

namespace fs = std::filesystem;

// Sends `request` on a new connection to `port` and returns the first line
// of the answer.
std::string statusLine(std::uint16_t port, const std::string &request)
{
    const LoopbackClient client(port);
    client.send(request);
    return LoopbackClient::statusLine(client.answer());
}

void replaceOnce(std::string &text, const std::string &from, const std::string &to)
{
    const auto at = text.find(from);
    if (at == std::string::npos)
        throw std::runtime_error("the nginx file has no \"" + from + "\"");
    text.replace(at, from.size(), to);
}

// Debian's nginx with the shipped file, its two instances moved to `ports`
// and its front to a free port of 127.0.0.1; everything nginx writes stays
// in a directory of its own, removed at the end.
class Nginx
{
public:
    Nginx(const std::string &program, const std::string &shippedFile, std::uint16_t first,
          std::uint16_t second, const TestAuthority::Issued &certificate)
        : port_(LoopbackClient::freePort()), tlsPort_(LoopbackClient::freePort())
    {
        char pattern[] = "/tmp/vorlinda-nginx-XXXXXX";
        if (::mkdtemp(pattern) == nullptr)
            throw std::runtime_error("no directory for nginx");
        dir_ = pattern;
        std::ifstream in(shippedFile);
        std::stringstream site;
        site << in.rdbuf();
        std::string text = site.str();
        replaceOnce(text, "server 127.0.0.1:8081", "server 127.0.0.1:" + std::to_string(first));
        replaceOnce(text, "server 127.0.0.1:8082", "server 127.0.0.1:" + std::to_string(second));
        replaceOnce(text, "listen 80;", "listen 127.0.0.1:" + std::to_string(port_) + ";");
        replaceOnce(text, "listen [::]:80;", "");
        replaceOnce(text, "listen 443 ssl;",
                    "listen 127.0.0.1:" + std::to_string(tlsPort_) + " ssl;");
        replaceOnce(text, "listen [::]:443 ssl;", "");
        replaceOnce(text, "/etc/ssl/certs/ssl-cert-snakeoil.pem", certificate.certificateFile);
        replaceOnce(text, "/etc/ssl/private/ssl-cert-snakeoil.key", certificate.keyFile);
        replaceOnce(text, "shared:vorlinda_site_tls:1m", "off");
        std::ofstream(dir_ / "vorlinda-site.conf") << text;
        const std::string d = dir_.string();
        std::ofstream(dir_ / "nginx.conf")
            << "daemon off;\nworker_processes 1;\npid " << d << "/nginx.pid;\nerror_log " << d
            << "/error.log;\nevents { worker_connections 256; }\nhttp {\n    access_log " << d
            << "/access.log;\n    client_body_temp_path " << d << "/body;\n    proxy_temp_path "
            << d << "/proxy;\n    fastcgi_temp_path " << d << "/fastcgi;\n    uwsgi_temp_path " << d
            << "/uwsgi;\n    scgi_temp_path " << d << "/scgi;\n    include " << d
            << "/vorlinda-site.conf;\n}\n";

        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::execl(program.c_str(), program.c_str(), "-p", d.c_str(), "-e",
                    (d + "/error.log").c_str(), "-c", (d + "/nginx.conf").c_str(), nullptr);
            ::_exit(127);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!LoopbackClient(port_).connected()) {
            if (std::chrono::steady_clock::now() > deadline ||
                ::waitpid(pid_, nullptr, WNOHANG) != 0)
                throw std::runtime_error("nginx did not start; see " + d + "/error.log");
            std::this_thread::sleep_for(std::chrono::milliseconds(20)); // polling for the listener
        }
    }
    ~Nginx()
    {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    Nginx(const Nginx &) = delete;
    Nginx &operator=(const Nginx &) = delete;

    std::uint16_t port() const { return port_; }
    std::uint16_t tlsPort() const { return tlsPort_; }

private:
    std::uint16_t port_;
    std::uint16_t tlsPort_;
    fs::path dir_;
    pid_t pid_ = -1;
};

// The request target of a site's log line ("STAMP REMOTE METHOD TARGET
// STATUS SIZE").
std::string loggedTarget(const std::string &line)
{
    std::istringstream words(line);
    std::string stamp, remote, method, target;
    words >> stamp >> remote >> method >> target;
    return target;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s NGINX SITE_PROGRAM NGINX_CONF [LOOKUPS]\n", argv[0]);
        return 2;
    }
    const std::string nginxProgram = argv[1];
    const std::string siteProgram = argv[2];
    const int lookups = argc > 4 ? std::max(3, std::atoi(argv[4])) : 2000;
    QCoreApplication app(argc, argv);

    const std::uint16_t firstPort = LoopbackClient::freePort();
    const std::uint16_t secondPort = LoopbackClient::freePort();
    auto first = std::make_unique<SiteProcess>(siteProgram, std::vector<std::string>{}, firstPort);
    SiteProcess second(siteProgram, {}, secondPort);
    if (first->port() == 0 || second.port() == 0)
        throw std::runtime_error("a site did not start:\n" + first->output() + second.output());
    TestAuthority authority;
    ::setenv("SSL_CERT_FILE", authority.caFile().c_str(), 1);
    const Nginx nginx(nginxProgram, argv[3], firstPort, secondPort, authority.issue("127.0.0.1"));

    const std::vector<LookupPlan::Lookup> plan =
        LookupPlan(19, LookupPlan::Pairs::Turkish).draw(lookups);
    const auto key = [](const LookupPlan::Lookup &l) {
        return std::make_tuple(l.sourcePosition, l.targetPosition, l.word);
    };

    // Each lookup's page straight from both instances: the bodies nginx must
    // hand on, and the dictionaries loaded before the clock runs.
    std::map<std::tuple<int, int, std::string>, std::string> expected;
    {
        HttpClient::Options direct;
        direct.host = "127.0.0.1";
        direct.port = firstPort;
        HttpClient toFirst(direct);
        direct.port = secondPort;
        HttpClient toSecond(direct);
        for (const LookupPlan::Lookup &l : plan) {
            if (expected.count(key(l)) != 0)
                continue;
            const std::string body =
                FetchDictionaryPage(toFirst, l.sourcePosition, l.targetPosition, l.word);
            if (FetchDictionaryPage(toSecond, l.sourcePosition, l.targetPosition, l.word) != body)
                throw std::runtime_error("the two instances answer " + l.word + " differently");
            expected.emplace(key(l), body);
        }
    }
    first->takeRequests(expected.size());
    second.takeRequests(expected.size());

    HttpClient::Options options;
    options.host = "127.0.0.1";
    options.port = nginx.tlsPort();
    options.secure = true;
    HttpClient client(options);
    const auto sessionCookies = [&client] {
        std::string all;
        for (const Cookie &c : client.session().cookies().cookies())
            all += c.name + "=" + c.value + ";";
        return all;
    };
    const int killAt = lookups / 3;
    const int restartAt = 2 * lookups / 3;
    std::vector<std::string> firstLog;
    std::vector<std::string> restartedLog;
    std::vector<std::string> secondLog;
    const auto takeLogs = [&](std::vector<std::string> &firstLines) {
        for (std::string &line : first->takeRequests())
            firstLines.push_back(std::move(line));
        for (std::string &line : second.takeRequests())
            secondLog.push_back(std::move(line));
    };
    std::string cookie;
    int failed = 0;
    int wrongBodies = 0;
    int newCookies = 0;
    std::multiset<std::string> sent;
    // The lookups are spread over 12 s: nginx leaves an instance that failed
    // out for 5 s (fail_timeout), so the one started again at 8 s is back in
    // turn for the last part.
    const auto pace = std::chrono::microseconds(12'000'000 / lookups);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 1; i <= lookups; ++i) {
        std::this_thread::sleep_until(start + (i - 1) * pace); // a steady rate, not a wait
        if (i == killAt) {
            // Every answer so far logged first: the site writes a request's
            // line just after its answer, and a SIGKILL would lose a line
            // not yet written, not a request.
            const auto caughtUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (firstLog.size() + secondLog.size() < sent.size() &&
                   std::chrono::steady_clock::now() < caughtUp) {
                takeLogs(firstLog);
                std::this_thread::sleep_for(std::chrono::milliseconds(5)); // polling the readers
            }
            first->kill();
            takeLogs(firstLog);
        } else if (i == restartAt) {
            first =
                std::make_unique<SiteProcess>(siteProgram, std::vector<std::string>{}, firstPort);
        }
        const LookupPlan::Lookup &l = plan[static_cast<std::size_t>(i - 1)];
        sent.insert(DictionaryQuery::requestTarget(l.sourcePosition, l.targetPosition, l.word));
        try {
            if (FetchDictionaryPage(client, l.sourcePosition, l.targetPosition, l.word) !=
                expected.at(key(l)))
                ++wrongBodies;
        } catch (const HttpError &e) {
            ++failed;
            std::fprintf(stderr, "lookup %d (%s) failed: %s\n", i, l.word.c_str(), e.what());
        }
        if (const std::string now = sessionCookies(); i == 1) {
            cookie = now;
        } else if (now != cookie) {
            ++newCookies;
            cookie = now;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    // Every target the sites logged, against every one the program sent.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (firstLog.size() + restartedLog.size() + secondLog.size() < sent.size() &&
           std::chrono::steady_clock::now() < deadline) {
        takeLogs(restartedLog);
        std::this_thread::sleep_for(std::chrono::milliseconds(5)); // polling the logs' readers
    }
    std::multiset<std::string> arrived;
    for (const auto *log : {&firstLog, &restartedLog, &secondLog})
        for (const std::string &line : *log)
            arrived.insert(loggedTarget(line));
    const bool targetsIntact = arrived == sent;

    // The line the original program wrote, unescaped: the site mends it, but
    // nginx (since 1.21.1) refuses any blank inside the request target.
    const std::string rawBlanks =
        "GET /index.php?selectFrom=french &selectTo=turkish&txtLang=bonjour&submitButton=Search "
        "HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n";
    const std::string direct = statusLine(secondPort, rawBlanks);
    const std::string throughNginx = statusLine(nginx.port(), rawBlanks);
    // A last line straight to the site: when it is logged, so would be anything
    // nginx had passed on before it.
    std::string last = rawBlanks;
    replaceOnce(last, "bonjour", "merci");
    const std::string lastDirect = statusLine(secondPort, last);
    const std::vector<std::string> rawLog = second.takeRequests(2);
    const bool rawBlanksAsKnown = direct == "HTTP/1.1 200 OK" && lastDirect == direct &&
                                  throughNginx == "HTTP/1.1 400 Bad Request" && rawLog.size() == 2;

    std::printf(
        "lookups over https      %d through nginx in %.1f s; instance 1 killed before lookup %d, "
        "started again before lookup %d\n",
        lookups, seconds, killAt, restartAt);
    std::printf("failed lookups         %d\nwrong bodies           %d\n", failed, wrongBodies);
    std::printf("cookie                 \"%s\", %d new one(s) after the first lookup\n",
                cookie.c_str(), newCookies);
    std::printf("requests per instance  first %zu (then %zu after its restart), second %zu\n",
                firstLog.size(), restartedLog.size(), secondLog.size());
    std::printf("targets as sent        %s (%zu sent, %zu arrived)\n", targetsIntact ? "yes" : "NO",
                sent.size(), arrived.size());
    std::printf("raw blanks             direct: %s, %s; through nginx: %s; site logged %zu\n",
                direct.c_str(), lastDirect.c_str(), throughNginx.c_str(), rawLog.size());

    const bool passed = failed == 0 && wrongBodies == 0 && !cookie.empty() && newCookies == 0 &&
                        !restartedLog.empty() && targetsIntact && rawBlanksAsKnown;
    std::printf("%s\n", passed ? "passed" : "FAILED");
    return passed ? 0 : 1;
}
