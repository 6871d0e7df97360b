#include "server/SiteOptions.h"

#include "dict/IndexFile.h"
#include "web/FeedbackStore.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

namespace vorlinda::site {
namespace {

std::chrono::milliseconds *timeoutOption(SiteTimeouts &timeouts, std::string_view argument)
{
    if (argument == "--header-timeout-ms")
        return &timeouts.header;
    if (argument == "--keepalive-timeout-ms")
        return &timeouts.keepAlive;
    if (argument == "--write-timeout-ms")
        return &timeouts.write;
    return nullptr;
}

// The first folder of a variable systemd sets; it lists several with colons
// when the unit names several.
std::optional<std::filesystem::path> serviceFolder(const char *name)
{
    const char *value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return std::nullopt;
    return std::filesystem::path(
        std::string_view(value).substr(0, std::string_view(value).find(':')));
}

// $XDG_name/vorlinda-site, else ~/fallback/vorlinda-site.
std::optional<std::filesystem::path> userFolder(const char *xdg, const char *fallback)
{
    if (const char *base = std::getenv(xdg); base && *base == '/')
        return std::filesystem::path(base) / "vorlinda-site";
    if (const char *home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / fallback / "vorlinda-site";
    return std::nullopt;
}

// The folder an option may be followed by: "--opt=DIR" or "--opt DIR".
bool optionalFolder(const std::vector<std::string_view> &arguments, std::size_t &i, bool hasValue,
                    std::string_view value, std::filesystem::path &folder)
{
    if (hasValue)
        folder = std::string(value);
    else if (i + 1 < arguments.size() && !arguments[i + 1].starts_with("-"))
        folder = std::string(arguments[++i]);
    else
        return false;
    return true;
}

} // namespace

SiteOptions SiteOptions::parse(const std::vector<std::string_view> &arguments)
{
    SiteOptions options;
    options.cacheOfService = serviceFolder("CACHE_DIRECTORY").has_value();
    options.stateChosen = serviceFolder("STATE_DIRECTORY").has_value();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view argument = arguments[i];
        std::string_view value;
        bool hasValue = false;
        if (const std::size_t eq = argument.find('=');
            argument.starts_with("--") && eq != argument.npos) {
            value = argument.substr(eq + 1);
            argument = argument.substr(0, eq);
            hasValue = true;
        }
        const auto takeValue = [&]() -> bool {
            if (hasValue)
                return true;
            if (i + 1 >= arguments.size()) {
                options.error = std::string(argument) + " needs a value";
                return false;
            }
            value = arguments[++i];
            return true;
        };

        if (argument == "-h" || argument == "--help") {
            options.help = true;
        } else if (argument == "--listen" || argument == "-l") {
            if (!takeValue())
                return options;
            options.addresses.emplace_back(value);
        } else if (argument == "--port" || argument == "-p") {
            if (!takeValue())
                return options;
            int port = -1;
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), port);
            if (ec != std::errc{} || end != value.data() + value.size() || port < 0 ||
                port > 65535) {
                options.error =
                    "--port wants a number from 0 to 65535, not \"" + std::string(value) + "\"";
                return options;
            }
            options.port = port;
        } else if (const auto timeout = timeoutOption(options.timeouts, argument)) {
            if (!takeValue())
                return options;
            int ms = -1;
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), ms);
            if (ec != std::errc{} || end != value.data() + value.size() || ms <= 0) {
                options.error = std::string(argument) + " wants a number of milliseconds";
                return options;
            }
            *timeout = std::chrono::milliseconds(ms);
        } else if (argument == "--build-index") {
            options.buildIndex = true;
            optionalFolder(arguments, i, hasValue, value, options.cache);
        } else if (argument == "--feedback") {
            options.feedback = true;
            if (optionalFolder(arguments, i, hasValue, value, options.state))
                options.stateChosen = true;
        } else if (argument == "--system-index") {
            if (!takeValue())
                return options;
            options.systemCache = std::string(value);
        } else if (argument == "--no-index") {
            options.noIndex = true;
        } else if (argument == "--dictionaries" || argument == "-d") {
            if (!takeValue())
                return options;
            options.dictionaries = std::string(value);
        } else {
            options.error = "unknown option \"" + std::string(argument) + "\"";
            return options;
        }
    }
    return options;
}

std::vector<std::string> SiteOptions::listenAddresses() const
{
    if (addresses.empty())
        return {"127.0.0.1", "::1"};
    return addresses;
}

std::filesystem::path SiteOptions::defaultCache()
{
    if (auto service = serviceFolder("CACHE_DIRECTORY"))
        return *service;
    return userFolder("XDG_CACHE_HOME", ".cache").value_or("/var/cache/vorlinda-site");
}

std::filesystem::path SiteOptions::defaultState()
{
    if (auto service = serviceFolder("STATE_DIRECTORY"))
        return *service;
    return userFolder("XDG_STATE_HOME", ".local/state").value_or("/var/lib/vorlinda-site");
}

std::optional<std::filesystem::path> SiteOptions::systemIndexDirectory() const
{
    if (cacheOfService || systemCache.empty() || systemCache == cache)
        return std::nullopt;
    return systemCache / indexDirectory().filename();
}

std::vector<std::filesystem::path> SiteOptions::feedbackFiles() const
{
    std::vector<std::filesystem::path> files{state / FeedbackStore::kFileName};
    if (!stateChosen && state != "/var/lib/vorlinda-site")
        files.push_back(std::filesystem::path("/var/lib/vorlinda-site") / FeedbackStore::kFileName);
    return files;
}

std::filesystem::path SiteOptions::indexDirectory() const
{
    std::error_code ignored;
    const std::string folder = std::filesystem::weakly_canonical(dictionaries, ignored).string();
    char name[17];
    std::snprintf(name, sizeof name, "%016llx",
                  static_cast<unsigned long long>(IndexFile::hash(folder)));
    return cache / name;
}

std::string SiteOptions::usage()
{
    return "Usage: vorlinda-site [--listen ADDRESS]... [--port PORT] [--dictionaries DIR]\n"
           "       vorlinda-site --build-index [DIR] [--dictionaries DIR]\n"
           "       vorlinda-site --feedback [DIR]\n"
           "\n"
           "Serves Vorlinda Sozluk's stand-in dictionary site (/index.php) and vendor pages\n"
           "(/ban.asp, /res/cevir.htm, /res/ajax-loader-vorlinda.gif, /feedback.asp, /).\n"
           "\n"
           "  -l, --listen ADDRESS     numeric address to listen on; repeat for more\n"
           "                           (default: 127.0.0.1 and ::1)\n"
           "  -p, --port PORT          TCP port (default 80; 0 picks a free one)\n"
           "  -d, --dictionaries DIR   where the FreeDict dictd files are\n"
           "                           (default /usr/share/dictd)\n"
           "      --build-index [DIR]  build the dictionaries' indexes into DIR and exit;\n"
           "                           the site reads them from $CACHE_DIRECTORY, else\n"
           "                           $XDG_CACHE_HOME/vorlinda-site or\n"
           "                           ~/.cache/vorlinda-site (DIR's default), and builds\n"
           "                           them itself while they are missing\n"
           "      --system-index DIR   the indexes built on install, read first while\n"
           "                           they are current (default /var/cache/vorlinda-site;\n"
           "                           not when $CACHE_DIRECTORY is set)\n"
           "      --no-index           read the dictionaries only, without the indexes\n"
           "      --feedback [DIR]     print the messages the feedback page kept and exit;\n"
           "                           the site keeps them in DIR/feedback.sqlite, DIR being\n"
           "                           $STATE_DIRECTORY, else $XDG_STATE_HOME/vorlinda-site\n"
           "                           or ~/.local/state/vorlinda-site (else, for --feedback,\n"
           "                           the service's /var/lib/vorlinda-site)\n"
           "  -h, --help               this text\n"
           "\n"
           "One line per request goes to standard error. Stop it with Ctrl+C.\n";
}

} // namespace vorlinda::site
