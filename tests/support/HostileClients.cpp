#include "tests/support/HostileClients.h"

#include "tests/support/DictFixture.h"
#include "tests/support/LoopbackClient.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

const std::string kLookup = "GET /index.php?selectFrom=english&selectTo=turkish&txtLang=hello"
                            "&submitButton=Search HTTP/1.1\r\nHost: localhost\r\n\r\n";
const std::string kBig = "GET /index.php?selectFrom=english&selectTo=turkish&txtLang=big "
                         "HTTP/1.1\r\n";
const std::string kLine = "GET /" + std::string(8192 - 14, 'a') + " HTTP/1.1\r\n";
const std::string kHeader = "X: " + std::string(16384 - 7, 'b') + "\r\n\r\n";

// Pipelines twenty of `request` at a time on each of `fds` without reading,
// until the site has taken none for half a second.
void overfill(const std::vector<int> &fds, const std::string &request = kBig + "\r\n")
{
    std::string requests;
    for (int i = 0; i < 20; ++i)
        requests += request;
    std::vector<pollfd> waits;
    for (const int fd : fds)
        waits.push_back({fd, POLLOUT, 0});
    while (::poll(waits.data(), waits.size(), 500) > 0) {
        for (pollfd &wait : waits) {
            if ((wait.revents & POLLOUT) != 0 &&
                ::send(wait.fd, requests.data(), requests.size(), MSG_NOSIGNAL | MSG_DONTWAIT) <= 0)
                wait.fd = -1; // full, or cut: poll() leaves it out from now on
        }
    }
}

// How many whole answers `got` holds; -1 when it stops inside one.
int wholeAnswers(std::string_view got)
{
    int count = 0;
    for (std::size_t size; (size = LoopbackClient::wholeAnswer(got)) > 0; ++count)
        got.remove_prefix(size);
    return got.empty() ? count : -1;
}

// A refusal as the client reads it: its status, whether it says it closes,
// its page's heading, and whether the connection ends right after the page.
std::string refusal(const LoopbackClient &client)
{
    const std::string got = client.all();
    const std::size_t heading = got.find("<h1>");
    const std::size_t headingEnd = got.find("</h1>", heading);
    std::string seen = LoopbackClient::statusLine(got);
    if (got.find("\r\nConnection: close\r\n") != std::string::npos)
        seen += ", Connection: close";
    if (heading != std::string::npos && headingEnd != std::string::npos)
        seen += ", " + got.substr(heading, headingEnd + 5 - heading);
    seen += LoopbackClient::wholeAnswer(got) == got.size() ? ", then closed" : ", then more";
    return seen;
}

// Sends `request` on a connection of its own; tells the answer's status
// line, or with `refused` the refusal as the client reads it.
std::function<std::string(SiteProcess &)> sends(const std::string &request, bool refused = false)
{
    return [=](SiteProcess &site) {
        LoopbackClient client(site.port());
        client.send(request);
        return refused ? refusal(client) : LoopbackClient::statusLine(client.answer());
    };
}

// The site's end of `client`'s connection to `port` as the kernel lists it:
// its TCP state ("04" once the site shut its send side) and its inode ("0"
// once the site no longer holds it).
std::pair<std::string, std::string> siteEnd(const LoopbackClient &client, std::uint16_t port)
{
    sockaddr_in near{};
    socklen_t size = sizeof near;
    ::getsockname(client.fd(), reinterpret_cast<sockaddr *>(&near), &size);
    char ends[32];
    std::snprintf(ends, sizeof ends, "0100007F:%04X 0100007F:%04X", port, ntohs(near.sin_port));
    std::ifstream table("/proc/net/tcp");
    for (std::string line, field[10]; std::getline(table, line);) {
        std::istringstream fields(line);
        for (std::string &each : field)
            fields >> each;
        if (field[1] + ' ' + field[2] == ends)
            return {field[3], field[9]};
    }
    return {};
}

// Whether `done` comes true within `ms`, asked every millisecond or so (the
// kernel's list of connections may take a while to read).
bool within(int ms, const std::function<bool()> &done)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (; !done(); ::poll(nullptr, 0, 1))
        if (std::chrono::steady_clock::now() >= end)
            return false;
    return true;
}

// Ten answers written but still in the kernel, as the client reads slowly,
// when the site is stopped; `last` ends the ten requests. When it asks to
// close, the stop comes once the connection lingers after its last answer.
// Once the site has dealt with the stop, the client sends one more request:
// had the site closed its end, that would reset the answers away.
std::string stopWhileAnswersAreOnTheirWay(SiteProcess &site, const std::string &last)
{
    std::string requests;
    for (int i = 0; i < 9; ++i)
        requests += kBig + "\r\n";
    LoopbackClient idle(site.port());
    LoopbackClient slow(site.port(), 4096);
    slow.send(requests + kBig + last);
    if (!site.logged("txtLang=big", 10))
        return "not answered";
    const bool closes = last.starts_with("Connection: close");
    if (closes && !within(5000, [&] { return siteEnd(slow, site.port()).first == "04"; }))
        return "not lingering";
    site.terminate();
    if (!idle.all().empty())
        return "idle connection left open";
    // Stopped, a kept connection shuts its send side, as does a site that
    // closes it; a lingering one shows nothing, so a site that wrongly
    // closes it is given a fifth of the second it lingers for.
    if (closes)
        within(200, [&] { return siteEnd(slow, site.port()).second == "0"; });
    else if (!within(5000, [&] { return siteEnd(slow, site.port()).first == "04"; }))
        return "not stopped";
    slow.send(kLookup);
    const int answers = wholeAnswers(slow.all());
    return std::string(answers >= 10 ? "whole answers" : "cut short") + ", exit " +
           std::to_string(site.wait());
}

std::vector<HostileClient> rows()
{
    return {
        {"HundredsOfIdleConnectionsPastTheSoftLimitThenALookup",
         {},
         [](SiteProcess &site) {
             std::vector<std::unique_ptr<LoopbackClient>> idle;
             for (int i = 0; i < 300; ++i)
                 idle.push_back(std::make_unique<LoopbackClient>(site.port()));
             LoopbackClient lookup(site.port());
             lookup.send(kLookup);
             return LoopbackClient::statusLine(lookup.answer());
         },
         "HTTP/1.1 200 OK"},
        {"TrickledHeaderIsCutAtTheDeadline",
         {"--header-timeout-ms", "300"},
         [](SiteProcess &site) {
             LoopbackClient slow(site.port());
             slow.send("GET / HTTP/1.1\r\n");
             for (int i = 0; i < 100; ++i) { // a line every 50 ms for 5 s
                 if (slow.wait(POLLIN, 50))
                     return "cut: \"" + slow.all() + "\"";
                 slow.send("X: y\r\n");
             }
             return std::string("still open");
         },
         "cut: \"\""},
        {"LongestRequestLineIsRead", {}, sends(kLine + "\r\n"), "HTTP/1.1 404 Not Found"},
        {"LongerRequestLineGets414",
         {},
         sends("G" + kLine + "\r\n", true),
         "HTTP/1.1 414 URI Too Long, Connection: close, <h1>414 URI Too Long</h1>, then closed"},
        {"LargestHeaderIsRead",
         {},
         sends("GET /ban.asp HTTP/1.1\r\n" + kHeader),
         "HTTP/1.1 200 OK"},
        {"LargerHeaderGets431",
         {},
         sends("GET /ban.asp HTTP/1.1\r\nX" + kHeader, true),
         "HTTP/1.1 431 Request Header Fields Too Large, Connection: close, <h1>431 Request "
         "Header Fields Too Large</h1>, then closed"},
        {"HundredClientsThatDoNotReadHoldUpNoOneAndAreCut",
         {"--write-timeout-ms", "300"},
         [](SiteProcess &site) {
             std::vector<LoopbackClient> stalled;
             std::vector<int> fds;
             for (int i = 0; i < 100; ++i)
                 fds.push_back(stalled.emplace_back(site.port(), 4096).fd());
             overfill(fds, kLookup);
             LoopbackClient lookup(site.port());
             lookup.send(kLookup);
             const std::string seen = LoopbackClient::statusLine(lookup.answer());
             // Each is cut once the site has written what fits and waited its
             // 300 ms, which a slow build takes seconds to get to.
             long cut = 0;
             within(60000, [&] {
                 cut = std::count_if(stalled.begin(), stalled.end(),
                                     [](const LoopbackClient &c) { return c.wait(POLLRDHUP, 0); });
                 return cut == 100;
             });
             return seen + ", " + std::to_string(cut) + " stalled ones cut";
         },
         "HTTP/1.1 200 OK, 100 stalled ones cut"},
        {"TerminatedWhileAnsweringFinishesTheAnswerAndExitsZero",
         {},
         [](SiteProcess &site) {
             LoopbackClient stalled(site.port(), 4096);
             overfill({stalled.fd()});
             site.terminate();
             // Read a little at a time until the site is done with the
             // connection (its send side shut, or the connection gone): the
             // answer in hand then ends in the kernel with answers still
             // queued ahead of it, which a site that closes would reset
             // away.
             std::string got;
             within(10000, [&] {
                 char chunk[512];
                 const ssize_t read = ::recv(stalled.fd(), chunk, sizeof chunk, MSG_DONTWAIT);
                 if (read > 0)
                     got.append(chunk, static_cast<std::size_t>(read));
                 const std::string state = siteEnd(stalled, site.port()).first;
                 return state == "04" || state.empty() || read == 0;
             });
             const int answers = wholeAnswers(got + stalled.all());
             return std::string(answers > 0 ? "whole answers" : "cut short") + ", exit " +
                    std::to_string(site.wait());
         },
         "whole answers, exit 0"},
        {"TerminatedWhileKeptConnectionWaitsLetsItsAnswersArrive",
         {},
         [](SiteProcess &site) { return stopWhileAnswersAreOnTheirWay(site, "\r\n"); },
         "whole answers, exit 0"},
        {"TerminatedWhileConnectionClosesLetsItsAnswersArrive",
         {},
         [](SiteProcess &site) {
             return stopWhileAnswersAreOnTheirWay(site, "Connection: close\r\n\r\n");
         },
         "whole answers, exit 0"},
    };
}

} // namespace

const std::vector<HostileClient> &hostileClients()
{
    static const std::vector<HostileClient> table = rows();
    return table;
}

std::filesystem::path hostileDictionaries()
{
    std::string big = "big\n"; // 40 rows: a page of some 6 KB
    for (int i = 0; i < 40; ++i)
        big += std::string(70, char('a' + i % 26)) + (i < 26 ? "\n" : "x\n");
    return DictFixture::dictionaries({{"eng-tur", {{"big", big}, {"hello", "hello\nmerhaba\n"}}}})
        .release();
}

std::vector<std::string> hostileArguments(const HostileClient &row,
                                          const std::filesystem::path &dictionaries)
{
    std::vector<std::string> arguments = row.options;
    arguments.insert(arguments.end(), {"--dictionaries", dictionaries.string()});
    return arguments;
}
