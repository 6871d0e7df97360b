#include "EnglishFrequency.h"

#include "TextFolding.h"

#include <cmath>
#include <fstream>

namespace vorlinda::site {
namespace {

// SCOWL's levels up to the rare words; past 70 its lists hold names,
// jargon and misspellings.
constexpr std::array<int, 8> kLevels = {10, 20, 35, 40, 50, 55, 60, 70};

// WordNet writes "ice_cream"; the dictionaries "ice cream".
std::string key(std::string_view word)
{
    std::string folded = foldCase(word, false);
    for (char &c : folded)
        if (c == '_')
            c = ' ';
    return folded;
}

} // namespace

EnglishFrequency EnglishFrequency::load(const std::filesystem::path &wordNetDirectory,
                                        const std::filesystem::path &scowlDirectory)
{
    EnglishFrequency frequency;
    // "house%1:06:00:: 1 345": lemma, the synset type after the "%", and
    // the count last.
    std::ifstream counts(wordNetDirectory / "cntlist.rev");
    for (std::string line; std::getline(counts, line);) {
        const std::size_t percent = line.find('%');
        const std::size_t lastBlank = line.rfind(' ');
        if (percent == std::string::npos || lastBlank == std::string::npos ||
            percent + 1 >= line.size())
            continue;
        const int type = line[percent + 1] - '0';
        if (type < 1 || type > 5)
            continue;
        const int slot = type == 5 ? 2 : type - 1;
        frequency.counts_[key(std::string_view(line).substr(0, percent))][slot] +=
            static_cast<std::uint32_t>(std::strtoul(line.c_str() + lastBlank + 1, nullptr, 10));
    }
    for (const int level : kLevels) {
        for (const char *spelling : {"english-words.", "american-words."}) {
            std::ifstream words(scowlDirectory / (spelling + std::to_string(level)));
            for (std::string word; std::getline(words, word);) {
                const auto [at, added] =
                    frequency.levels_.emplace(key(word), static_cast<std::uint8_t>(level));
                if (!added && at->second > level)
                    at->second = static_cast<std::uint8_t>(level);
            }
        }
    }
    return frequency;
}

std::uint32_t EnglishFrequency::count(std::string_view word, PartOfSpeech partOfSpeech) const
{
    const auto found = counts_.find(key(word));
    if (found == counts_.end())
        return 0;
    const auto &[noun, verb, adjective, adverb] = found->second;
    switch (partOfSpeech) {
    case PartOfSpeech::Noun:
        return noun;
    case PartOfSpeech::Verb:
        return verb;
    case PartOfSpeech::Adjective:
        return adjective;
    case PartOfSpeech::Adverb:
        return adverb;
    case PartOfSpeech::Unknown:
        break;
    }
    return noun + adjective;
}

int EnglishFrequency::level(std::string_view word) const
{
    const auto found = levels_.find(key(word));
    return found == levels_.end() ? 0 : found->second;
}

double EnglishFrequency::weight(std::string_view word, PartOfSpeech partOfSpeech) const
{
    const int scowl = level(word);
    // Level 10 adds 2, level 60 about 0.3, level 70 and the unlisted nothing.
    const double common = scowl == 0 ? 0.0 : std::max(0.0, (70.0 - scowl) / 30.0);
    return std::log2(1.0 + count(word, partOfSpeech)) + common;
}

} // namespace vorlinda::site
