#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlinda::site {

// How long the site waits on a client. The command line can shorten them
// (options left out of --help) so that tests need not wait.
struct SiteTimeouts
{
    std::chrono::milliseconds header{10000};    // a request's head and body, in all
    std::chrono::milliseconds keepAlive{15000}; // a kept connection between requests
    std::chrono::milliseconds write{10000};     // one answer to a client that reads
};

// The command line of vorlinda-site.
struct SiteOptions
{
    std::vector<std::string> addresses; // empty: 127.0.0.1 and ::1
    int port = 80;
    std::filesystem::path dictionaries = "/usr/share/dictd";
    SiteTimeouts timeouts;
    // Where the on-disk indexes live: $CACHE_DIRECTORY (set by systemd's
    // CacheDirectory= for the service), else $XDG_CACHE_HOME/vorlinda-site,
    // else ~/.cache/vorlinda-site.
    std::filesystem::path cache = defaultCache();
    bool cacheOfService = false; // cache came from $CACHE_DIRECTORY
    // The indexes the package builds on install, where the service reads
    // them: a site started by hand reads them while they are current.
    std::filesystem::path systemCache = "/var/cache/vorlinda-site";
    // What the site keeps (the feedback page's messages): $STATE_DIRECTORY
    // (systemd's StateDirectory=), else $XDG_STATE_HOME/vorlinda-site, else
    // ~/.local/state/vorlinda-site.
    std::filesystem::path state = defaultState();
    bool stateChosen = false; // by $STATE_DIRECTORY or --feedback DIR
    bool noIndex = false;     // --no-index: read the dictionaries only
    bool buildIndex = false;  // --build-index [DIR]: build them and exit
    bool feedback = false;    // --feedback [DIR]: print the messages kept and exit
    bool help = false;
    std::string error; // set when the command line is wrong

    static SiteOptions parse(const std::vector<std::string_view> &arguments);
    static std::string usage();

    std::vector<std::string> listenAddresses() const;
    // The indexes of these dictionaries: a folder of the cache per
    // dictionary folder, so that two sites over other files never share one.
    std::filesystem::path indexDirectory() const;
    // The system's indexes of these dictionaries, when a site started by
    // hand is to try them before its own.
    std::optional<std::filesystem::path> systemIndexDirectory() const;
    // The feedback store that --feedback prints: the state folder's, else,
    // when none was chosen, the service's.
    std::vector<std::filesystem::path> feedbackFiles() const;
    static std::filesystem::path defaultCache();
    static std::filesystem::path defaultState();
};

} // namespace vorlinda::site
