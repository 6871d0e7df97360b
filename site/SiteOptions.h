#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vorlinda::site {

// The command line of vorlinda-site.
struct SiteOptions
{
    std::vector<std::string> addresses; // empty: 127.0.0.1 and ::1
    int port = 80;
    std::filesystem::path dictionaries = "/usr/share/dictd";
    bool help = false;
    std::string error; // set when the command line is wrong

    static SiteOptions parse(const std::vector<std::string_view> &arguments);
    static std::string usage();

    std::vector<std::string> listenAddresses() const;
};

} // namespace vorlinda::site
