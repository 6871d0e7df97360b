#pragma once

#include <chrono>
#include <filesystem>
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
    bool noIndex = false;    // --no-index: read the dictionaries only
    bool buildIndex = false; // --build-index [DIR]: build them and exit
    bool help = false;
    std::string error; // set when the command line is wrong

    static SiteOptions parse(const std::vector<std::string_view> &arguments);
    static std::string usage();

    std::vector<std::string> listenAddresses() const;
    // The indexes of these dictionaries: a folder of the cache per
    // dictionary folder, so that two sites over other files never share one.
    std::filesystem::path indexDirectory() const;
    static std::filesystem::path defaultCache();
};

} // namespace vorlinda::site
