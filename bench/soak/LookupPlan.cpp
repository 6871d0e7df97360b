#include "bench/soak/LookupPlan.h"

#include "lookup/core/LanguageTable.h"

#include <array>
#include <string_view>
#include <vector>

using namespace vorlinda::lookup;

namespace {

struct Pair
{
    std::string_view source, target; // the site's language codes
};

// Pairs the site has a dictionary for.
constexpr std::array<Pair, 12> kServedPairs{{
    {"english", "turkish"},
    {"turkish", "english"},
    {"english", "german"},
    {"german", "english"},
    {"german", "turkish"},
    {"turkish", "german"},
    {"english", "french "},
    {"french ", "english"},
    {"english", "spanish"},
    {"italian", "turkish"},
    {"swedish", "english"},
    {"english", "swahili"},
}};

// Words by source language; Turkish and German letters in Windows-1254.
std::vector<std::string_view> wordsOf(std::string_view language)
{
    if (language == "turkish")
        return {"ev",          "su",
                "kitap",       "g\xFCzel",
                "k\xFD\xFE",   "\xE7i\xE7\x65k",
                "da\xF0",      "\xF6\xF0retmen",
                "\xDDstanbul", "kap\xFD",
                "yol",         "\xFE\x65ker"};
    if (language == "german")
        return {"Haus", "Wasser", "Stra\xDF\x65", "sch\xF6n", "M\xFCller", "Buch", "gehen", "Tag"};
    if (language == "french ")
        return {"maison", "caf\xE9", "eau", "livre", "bonjour"};
    if (language == "italian")
        return {"casa", "acqua", "libro", "bello"};
    if (language == "swedish")
        return {"hus", "vatten", "bok", "dag"};
    return {"house", "water", "book", "beautiful", "run", "go",    "light", "bird",
            "tree",  "table", "good", "new",       "day", "night", "tea",   "bank"};
}

// Words that must be escaped in the query, or that no dictionary holds.
constexpr std::array<std::string_view, 7> kOddWords{
    {"black bird", "rock&roll", "c#", "100%", "a+b=c", "zzqxj", "\xE7\xF0\xFE\xFD\xDD"}};

int positionOf(std::string_view code, bool source)
{
    for (int position = 0; position < LanguageTable::kSize; ++position)
        if ((source ? LanguageTable::sourceCode(position) : LanguageTable::targetCode(position)) ==
            code)
            return position;
    return 0;
}

} // namespace

LookupPlan::Lookup LookupPlan::next()
{
    const auto pick = [this](std::size_t size) {
        return std::uniform_int_distribution<std::size_t>(0, size - 1)(random_);
    };
    Lookup lookup;
    const std::size_t kind = pick(10);
    if (kind < 8 || pairs_ == Pairs::Turkish) {
        Pair pair = kServedPairs[pick(kServedPairs.size())];
        while (pairs_ == Pairs::Turkish && pair.source != "turkish" && pair.target != "turkish")
            pair = kServedPairs[pick(kServedPairs.size())];
        lookup.sourcePosition = positionOf(pair.source, true);
        lookup.targetPosition = positionOf(pair.target, false);
        const auto words = wordsOf(pair.source);
        lookup.word = kind < 8 ? words[pick(words.size())] : kOddWords[pick(kOddWords.size())];
    } else {
        lookup.sourcePosition = static_cast<int>(pick(LanguageTable::kSize));
        lookup.targetPosition = static_cast<int>(pick(LanguageTable::kSize));
        lookup.word = kOddWords[pick(kOddWords.size())];
    }
    return lookup;
}

std::vector<LookupPlan::Lookup> LookupPlan::draw(int count)
{
    std::vector<Lookup> plan(static_cast<std::size_t>(count));
    for (Lookup &lookup : plan)
        lookup = next();
    return plan;
}
