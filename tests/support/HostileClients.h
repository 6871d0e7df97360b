#pragma once

#include "tests/support/SiteProcess.h"

#include <sys/resource.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// Clients that hold, trickle, overfill or never read, and stops in the middle
// of answering: one table, run by the site's tests (each row against the
// outcome it expects) and timed by the site bench.
struct HostileClient
{
    const char *name;
    // Added to the site's command line: its waits, shortened so that a row
    // ends within a second or two.
    std::vector<std::string> options;
    // Plays the client against `site` and tells what it saw.
    std::function<std::string(SiteProcess &site)> run;
    std::string expected;
};

const std::vector<HostileClient> &hostileClients();

// A fresh folder of the dictionaries the rows look words up in: "hello", and
// "big", whose page is some 6 KB. The caller removes it.
std::filesystem::path hostileDictionaries();

// The site for `row`, over `dictionaries`.
std::vector<std::string> hostileArguments(const HostileClient &row,
                                          const std::filesystem::path &dictionaries);
// A soft open-file limit of 64 under a hard one the site may raise it to.
constexpr rlimit kHostileFileLimit = {64, 20000};
