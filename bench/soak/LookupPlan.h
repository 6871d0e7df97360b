#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

// The soaks' lookups: words of the languages the site has dictionaries for,
// in Windows-1254 bytes as the window sends them, mostly over pairs the site
// serves and sometimes over any pair of the two lists, with a few words that
// must be escaped or that no dictionary holds.
class LookupPlan
{
public:
    struct Lookup
    {
        int sourcePosition = 0;
        int targetPosition = 0;
        std::string word;
    };

    // All pairs, or (for a short run, where loading every dictionary would
    // take longer than the lookups) only pairs with Turkish on one side.
    enum class Pairs
    {
        All,
        Turkish
    };

    LookupPlan(std::uint32_t seed, Pairs pairs) : random_(seed), pairs_(pairs) {}
    Lookup next();
    // The next `count` lookups, drawn before a run so that their memory is
    // there from its start.
    std::vector<Lookup> draw(int count);

private:
    std::mt19937 random_;
    Pairs pairs_;
};
