#pragma once

#include "DictEntry.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vorlinda::site {

// How common an English word is: WordNet's sense-tag counts (how often its
// senses were met in the tagged texts), summed per part of speech, and
// SCOWL's size levels (10 for the commonest words, 70 for the rare ones)
// for the words WordNet has no counts for and to break ties.
class EnglishFrequency
{
public:
    using PartOfSpeech = DictEntry::PartOfSpeech;

    // Reads WordNet's "cntlist.rev" from `wordNetDirectory` and SCOWL's
    // "english-words.NN" and "american-words.NN" from `scowlDirectory`;
    // missing files leave their part empty.
    static EnglishFrequency load(const std::filesystem::path &wordNetDirectory,
                                 const std::filesystem::path &scowlDirectory);

    // WordNet's count for `word` (any case, words apart by blanks) in that
    // part of speech. Unknown sums nouns and adjectives, for an entry that
    // marks none and gives no verb: adverbs ("even", "well") are counted
    // mostly in uses no such entry means.
    std::uint32_t count(std::string_view word, PartOfSpeech partOfSpeech) const;

    // SCOWL's level, 0 when the word is not in its lists up to 70.
    int level(std::string_view word) const;

    // Both in one weight, larger for commoner words: the log of the count,
    // plus a little for a common SCOWL level.
    double weight(std::string_view word, PartOfSpeech partOfSpeech) const;

private:
    // Noun, verb, adjective (satellites with it), adverb.
    std::unordered_map<std::string, std::array<std::uint32_t, 4>> counts_;
    std::unordered_map<std::string, std::uint8_t> levels_;
};

} // namespace vorlinda::site
