#pragma once

#include "dict/DictEntry.h"
#include "dict/IndexFile.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
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

    // A stamp of the files `load` reads, for the on-disk table.
    static std::uint64_t indexStamp(const std::filesystem::path &wordNetDirectory,
                                    const std::filesystem::path &scowlDirectory);
    // Writes what `load` read to `file`, a table read in place of it.
    void writeIndex(const std::filesystem::path &file, std::uint64_t stamp) const;
    // Reads the table; throws IndexError when it is damaged.
    static EnglishFrequency fromIndex(std::shared_ptr<const IndexFile> file);

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
    struct Counted
    {
        std::array<std::uint32_t, 4> counts{};
        std::uint8_t level = 0;
    };
    // From the table, when it is there.
    std::optional<Counted> indexed(const std::string &key) const;

    std::shared_ptr<const IndexFile> index_;
    IndexFile::Records words_;
    // Noun, verb, adjective (satellites with it), adverb.
    std::unordered_map<std::string, std::array<std::uint32_t, 4>> counts_;
    std::unordered_map<std::string, std::uint8_t> levels_;
};

} // namespace vorlinda::site
