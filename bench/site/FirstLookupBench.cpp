// The site's dictionaries from a fresh start: the on-disk index build (time
// and size), exec to listening, the first and a warm lookup in every pair,
// the site's memory with every pair used once (then with every language's
// Hunspell read too), and a warm lookup while three languages read Hunspell.
//   vorlinda_site_first_bench [--no-build] [--cache DIR] [--each] [SITE]
// SITE defaults to the vorlinda-site built beside it; --no-build leaves the
// index out (for a site that has none); --cache keeps the index in DIR, built
// there when missing, for runs one after another; --each prints every
// pair's first lookup. A pair whose source has no
// word below is left out.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A word of each language, ASCII so that no encoding is in the way, that
// every dictionary from the language has: no lookup here reads Hunspell.
const std::map<std::string, std::string> kWords = {
    {"english", "house"},    {"turkish", "ev"},      {"german", "Haus"},  {"french", "maison"},
    {"spanish", "casa"},     {"italian", "casa"},    {"dutch", "huis"},   {"portuguese", "casa"},
    {"swedish", "hus"},      {"danish", "hus"},      {"polish", "dom"},   {"czech", "voda"},
    {"serbo_croat", "voda"}, {"hungarian", "kutya"}, {"finnish", "talo"}, {"esperanto", "domo"},
    {"swahili", "nyumba"}};

// Forms no dictionary has as a headword, so each one reads its language's
// Hunspell dictionary.
const std::map<std::string, std::string> kMisses = {
    {"english", "housed"},      {"turkish", "evlerimizden"}, {"german", "Hausen"},
    {"french", "maisonnettes"}, {"spanish", "casitas"},      {"italian", "casette"},
    {"dutch", "huisjes"},       {"portuguese", "casinhas"},  {"swedish", "husens"},
    {"danish", "husene"},       {"polish", "domami"},        {"czech", "vodami"},
    {"serbo_croat", "vodama"},  {"hungarian", "kutyaink"},   {"swahili", "nyumbani"}};

struct Site
{
    pid_t pid = -1;
    int port = 0;
    Clock::time_point begun;
    double startMs = 0;
    std::vector<std::string> pairs;
};

Site start(const std::string &binary, const std::filesystem::path &cache)
{
    int out[2];
    if (::pipe(out) != 0)
        std::exit(1);
    const Clock::time_point begun = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 2);
        ::close(out[0]);
        ::setenv("CACHE_DIRECTORY", cache.c_str(), 1);
        ::execl(binary.c_str(), binary.c_str(), "--port", "0", "--listen", "127.0.0.1",
                static_cast<char *>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    Site site;
    site.pid = pid;
    site.begun = begun;
    std::string text;
    char buffer[4096];
    while (text.find("dictionaries in") == std::string::npos ||
           text.find('\n', text.find("dictionaries in")) == std::string::npos) {
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
        if (site.startMs == 0 && text.find("listening on") != std::string::npos)
            site.startMs = msSince(begun);
    }
    // The rest of its log is not ours to read; a thread drains it.
    std::thread([fd = out[0]] {
        char sink[4096];
        while (::read(fd, sink, sizeof sink) > 0) {
        }
        ::close(fd);
    }).detach();
    const std::size_t colon = text.find("127.0.0.1:");
    site.port = colon == std::string::npos ? 0 : std::atoi(text.c_str() + colon + 10);
    const std::size_t list = text.find(": ", text.find("dictionaries in"));
    std::istringstream pairs(text.substr(list + 2, text.find('\n', list) - list - 2));
    for (std::string pair; pairs >> pair;)
        site.pairs.push_back(pair);
    return site;
}

void stop(const Site &site)
{
    ::kill(site.pid, SIGTERM);
    ::waitpid(site.pid, nullptr, 0);
}

// One lookup on a new connection, read to the end; its time in ms.
double lookup(int port, const std::string &from, const std::string &to, const std::string &word)
{
    const Clock::time_point begun = Clock::now();
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{AF_INET, htons(static_cast<uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    const std::string request = "GET /index.php?selectFrom=" + from + "&selectTo=" + to +
                                "&txtLang=" + word +
                                "&submitButton=Search HTTP/1.1\r\nHost: localhost\r\n"
                                "Connection: close\r\n\r\n";
    ::send(fd, request.data(), request.size(), 0);
    char buffer[16384];
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
    ::close(fd);
    return msSince(begun);
}

long rssKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:"))
            return std::atol(line.c_str() + 6);
    return 0;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

std::pair<std::string, std::string> split(const std::string &pair)
{
    const std::size_t at = pair.find('>');
    return {pair.substr(0, at), pair.substr(at + 1)};
}

// Waits until the site's memory has not grown for a second: Hunspell read.
long settledRss(pid_t pid)
{
    long last = rssKiB(pid);
    for (int i = 0; i < 60; ++i) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const long now = rssKiB(pid);
        if (now == last)
            return now;
        last = now;
    }
    return last;
}

} // namespace

int main(int argc, char **argv)
{
    bool build = true;
    std::string binary = VORLINDA_SITE;
    std::filesystem::path kept;
    bool each = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-build") == 0)
            build = false;
        else if (std::strcmp(argv[i], "--each") == 0)
            each = true;
        else if (std::strcmp(argv[i], "--cache") == 0 && i + 1 < argc)
            kept = argv[++i];
        else
            binary = argv[i];
    }
    const std::filesystem::path cache =
        !kept.empty() ? kept
                      : std::filesystem::temp_directory_path() /
                            ("vorlinda-first-bench-" + std::to_string(::getpid()));
    build = build && !(!kept.empty() && std::filesystem::exists(kept));

    if (build) {
        const Clock::time_point begun = Clock::now();
        const std::string command = binary + " --build-index " + cache.string() + " | tail -1";
        if (std::system(command.c_str()) != 0)
            return 1;
        std::printf("index build: %.1f s\n", msSince(begun) / 1000);
    }

    std::vector<double> starts;
    std::vector<double> answered;
    for (int i = 0; i < 3; ++i) {
        const Site site = start(binary, cache);
        starts.push_back(site.startMs);
        lookup(site.port, "english", "turkish", "hello");
        answered.push_back(msSince(site.begun));
        stop(site);
    }
    std::printf("exec to listening: median %.1f ms (%.1f, %.1f, %.1f); to the first answer "
                "(English -> Turkish \"hello\"): median %.1f ms\n",
                median(starts), starts[0], starts[1], starts[2], median(answered));

    // Every pair with a dictionary of its own, so both directions where
    // both exist, plus three that go through English.
    const Site site = start(binary, cache);
    std::vector<std::string> pairs = site.pairs;
    for (const char *pivot : {"spanish>turkish", "turkish>french", "dutch>german"})
        pairs.push_back(pivot);
    std::erase_if(pairs,
                  [](const std::string &pair) { return !kWords.contains(split(pair).first); });
    std::vector<double> firsts;
    std::string slowest;
    for (const std::string &pair : pairs) {
        const auto [from, to] = split(pair);
        firsts.push_back(lookup(site.port, from, to, kWords.at(from)));
        if (each)
            std::printf("  first %-22s %8.1f ms\n", pair.c_str(), firsts.back());
        if (firsts.back() >= *std::max_element(firsts.begin(), firsts.end()))
            slowest = pair;
    }
    std::printf("first lookup in each of %zu pairs: median %.1f ms, max %.1f ms (%s)\n",
                pairs.size(), median(firsts), *std::max_element(firsts.begin(), firsts.end()),
                slowest.c_str());
    std::vector<double> again;
    for (const std::string &pair : pairs) {
        const auto [from, to] = split(pair);
        again.push_back(lookup(site.port, from, to, kWords.at(from)));
    }
    std::printf("warm lookup: p50 %.2f ms over the pairs, max %.2f ms\n", median(again),
                *std::max_element(again.begin(), again.end()));
    std::printf("site RSS with every pair used once: %.1f MiB\n", rssKiB(site.pid) / 1024.0);
    for (const auto &[language, miss] : kMisses)
        lookup(site.port, language, language == "english" ? "turkish" : "english", miss);
    std::printf("site RSS with every language's Hunspell read too: %.1f MiB\n",
                settledRss(site.pid) / 1024.0);
    stop(site);

    // A warm pair while three others read Hunspell, on connections of
    // their own.
    const Site fresh = start(binary, cache);
    lookup(fresh.port, "english", "turkish", "house");
    lookup(fresh.port, "english", "turkish", "book");
    std::vector<std::thread> loads;
    for (const char *language : {"german", "french", "spanish"})
        loads.emplace_back(
            [&fresh, language] { lookup(fresh.port, language, "english", kMisses.at(language)); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::vector<double> during;
    during.reserve(5);
    for (int i = 0; i < 5; ++i)
        during.push_back(lookup(fresh.port, "english", "turkish", "house"));
    for (std::thread &load : loads)
        load.join();
    std::printf("warm lookup while three languages read Hunspell: median %.2f ms, max %.2f ms\n",
                median(during), *std::max_element(during.begin(), during.end()));
    stop(fresh);
    if (kept.empty())
        std::filesystem::remove_all(cache);
    return 0;
}
