// Which source gives each site's address: the command line over the
// environment over the user's file over the system's over the built-in one.

#include "ui/SiteSettings.h"
#include "tests/support/RowName.h"

#include <gtest/gtest.h>

using namespace vorlinda::ui;

namespace {

using Opt = std::optional<std::string>;
const std::string userPath = "/home/u/.config/vorlinda-sozluk/vorlinda-sozluk.conf";
const std::string systemPath = "/etc/xdg/vorlinda-sozluk/vorlinda-sozluk.conf";

struct Row
{
    const char *name;
    SiteSettings::Sources sources;
    std::string dictionary; // the origin taken; empty when the program stops
    std::string vendor;
    std::string passedOver; // "source key", ";" between; or the fatal source after "!"
};

// Sources from the command line, the environment, the user's file and the
// system's file, for the dictionary site and the vendor's.
SiteSettings::Sources from(Opt option, Opt variable, Opt userFile, Opt systemFile,
                           Opt vendorOption = {}, Opt vendorVariable = {}, Opt userVendor = {},
                           Opt systemVendor = {})
{
    return {option,
            vendorOption,
            variable,
            vendorVariable,
            {{userPath, userFile, userVendor}, {systemPath, systemFile, systemVendor}}};
}

const Row rows[] = {
    {"builtIn", from({}, {}, {}, {}), "http://localhost", "http://localhost", ""},
    {"commandLineFirst", from("https://a:8443", "http://b", "http://c", "http://d"),
     "https://a:8443", "https://a:8443", ""},
    {"environmentOverFiles", from({}, "http://b:81/", "http://c", "http://d"), "http://b:81",
     "http://b:81", ""},
    {"userFileOverSystemFile", from({}, {}, "HTTPS://c:443", "http://d"), "https://c", "https://c",
     ""},
    {"systemFile", from({}, {}, {}, "http://[::1]:8080"), "http://[::1]:8080", "http://[::1]:8080",
     ""},
    {"vendorOwnChainOverTheDictionarys", from("http://a", {}, {}, {}, {}, {}, {}, "https://v.test"),
     "http://a", "https://v.test", ""},
    {"vendorOptionOverItsVariable", from({}, {}, {}, {}, "http://v1", "http://v2"),
     "http://localhost", "http://v1", ""},
    {"malformedUserFileSkipped", from({}, {}, "ftp://c", "http://d:8080"), "http://d:8080",
     "http://d:8080", userPath + " site"},
    {"everyMalformedFileSkipped", from({}, {}, "http://c:0", "http://", {}, {}, "http://v/x"),
     "http://localhost", "http://localhost",
     userPath + " site;" + systemPath + " site;" + userPath + " vendor-site"},
    {"overriddenMalformedFileNotRead", from({}, "http://b", "junk", {}), "http://b", "http://b",
     ""},
    {"malformedOptionStops", from("localhost:8080", "http://b", {}, {}), "", "", "!--site"},
    {"malformedVariableStops", from({}, "http://b:65536", {}, {}), "", "", "!VORLINDA_SITE"},
    {"malformedVendorOptionStops", from({}, {}, {}, {}, "http://u@v"), "", "", "!--vendor-site"},
    {"hostWithABlankStops", from("http://a b", {}, {}, {}), "", "", "!--site"},
    {"bracketsWithoutIpv6Stop", from("http://[a.test]:80", {}, {}, {}), "", "", "!--site"},
};

using SiteSettingsRow = testing::TestWithParam<Row>;

TEST_P(SiteSettingsRow, TakesEachAddressFromTheStrongestSourceThatGivesOne)
{
    const Row &row = GetParam();
    const SiteSettings::Sites sites = SiteSettings::resolve(row.sources);
    std::string passedOver;
    for (const SiteSettings::Malformed &m : sites.skipped)
        passedOver += (passedOver.empty() ? "" : ";") + m.source + " " + m.key;
    if (sites.fatal) {
        passedOver = "!" + sites.fatal->source;
        EXPECT_EQ(row.dictionary, "");
    } else {
        EXPECT_EQ(sites.dictionary.origin(), row.dictionary);
        EXPECT_EQ(sites.vendor.origin(), row.vendor);
    }
    EXPECT_EQ(passedOver, row.passedOver);
}

INSTANTIATE_TEST_SUITE_P(Rows, SiteSettingsRow, testing::ValuesIn(rows), rowName);

} // namespace
