#pragma once

#include "lookup/core/SiteAddress.h"

#include <QStringList>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlinda::ui {

// Where the program finds its two sites at run time. Strongest first: the
// command line (--site, --vendor-site), the environment (VORLINDA_SITE,
// VORLINDA_VENDOR_SITE), the user's settings file, the system's, and the
// built-in http://localhost. The vendor's site, where nothing names it,
// is the dictionary site.
namespace SiteSettings {

using vorlinda::lookup::SiteAddress;

inline constexpr std::string_view kBuiltInSite = "http://localhost";
inline constexpr std::string_view kSiteKey = "site";
inline constexpr std::string_view kVendorSiteKey = "vendor-site";

// One settings file's values, as read.
struct File
{
    std::string path;
    std::optional<std::string> site;
    std::optional<std::string> vendorSite;
};

struct Sources
{
    std::optional<std::string> siteOption, vendorSiteOption;     // the command line
    std::optional<std::string> siteVariable, vendorSiteVariable; // the environment
    std::vector<File> files;                                     // the user's, then the system's
};

// A value that is no site address.
struct Malformed
{
    std::string source; // "--site", "VORLINDA_SITE", or a file's path
    std::string key;    // the file's key; empty for the others
    std::string value;
    std::string why;
};

struct Sites
{
    SiteAddress dictionary;
    SiteAddress vendor;
    // Passed over in a file, in the order they were met: the user is told,
    // and the next source counts.
    std::vector<Malformed> skipped;
    // On the command line or in the environment: the program stops there.
    std::optional<Malformed> fatal;
};

// Takes each address from the strongest source that gives one. A source
// that a stronger one overrides is not looked at.
Sites resolve(const Sources &sources);

// What ends the program before the application object exists (which needs
// a display, and takes Qt's own options away): --help or --version anywhere
// among `arguments` (printed on stdout, exit code 0), and a malformed address
// on the command line or in the environment (stderr, exit code 2).
std::optional<int> answerEarly(const QStringList &arguments);

// What the command line asks for, once Qt has taken its own options away.
// `exitCode` is 2 for an unknown option, a missing value or an argument,
// with the message on stderr.
struct CommandLine
{
    std::optional<std::string> site, vendorSite;
    std::optional<int> exitCode;
};
CommandLine parseCommandLine(const QStringList &arguments);

// The sources as this process has them: the command line's values, the
// environment, $XDG_CONFIG_HOME (else ~/.config) and each folder of
// $XDG_CONFIG_DIRS (else /etc/xdg), each holding
// vorlinda-sozluk/vorlinda-sozluk.conf.
Sources gather(const CommandLine &commandLine);

// The stderr line for a value that stops the program.
std::string fatalMessage(const Malformed &malformed);
// The message box's text for a value passed over in a file.
QString skippedMessage(const Malformed &malformed);

} // namespace SiteSettings

} // namespace vorlinda::ui
