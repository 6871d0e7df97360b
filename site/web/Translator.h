#pragma once

#include "dict/Dictionary.h"
#include "dict/EnglishFrequency.h"
#include "morph/Morphology.h"
#include "text/SiteLanguages.h"
#include "web/TranslationPair.h"
#include "web/TranslationRanking.h"

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorlinda::site {

// A piece of a text translated word by word: a word, with its first
// translation when one was found, or what stands between two words.
struct TranslatedPiece
{
    std::string text;
    bool word = false;
    std::optional<std::string> translation;
};

// Finds the FreeDict dictionaries of a directory ("freedict-eng-tur.index"
// with ".dict.dz" or ".dict") and answers lookups between the program's
// languages. The opposite dictionary is read backwards too: Turkish to
// English also finds the English-Turkish entries translated by the word,
// after the Turkish-English ones. A pair that finds nothing either way goes
// through English when both halves exist (Spanish to Turkish: Spanish to
// English, then English to Turkish). A word none of this finds is looked up
// by its dictionary forms in the source language ("dogs" as "dog").
class Translator
{
public:
    // The morphology comes from the Hunspell dictionaries and WordNet lists
    // Debian installs; a missing one leaves its language without.
    explicit Translator(const std::filesystem::path &dictionaryDirectory,
                        const std::filesystem::path &hunspellDirectory = "/usr/share/hunspell",
                        const std::filesystem::path &wordNetDirectory = "/usr/share/wordnet",
                        const std::filesystem::path &scowlDirectory = "/usr/share/dict/scowl");

    // Up to `maxPairs` pairs for `word` (UTF-8); empty when nothing is found,
    // a code is unknown or a dictionary file cannot be read.
    std::vector<TranslationPair> translate(std::string_view fromCode, std::string_view toCode,
                                           std::string_view word, std::size_t maxPairs) const;

    // `text` (UTF-8) word by word, each of its first kMaxTextWords words by
    // its first translation, or the longest run of them a dictionary has as
    // a headword by the run's; a word is a run of letters, digits,
    // apostrophes and hyphens.
    static constexpr std::size_t kMaxTextWords = 80;
    // A run of up to this many words that a dictionary has as a headword
    // ("good morning") is translated as one piece.
    static constexpr std::size_t kMaxPhraseWords = 4;
    std::vector<TranslatedPiece> translateText(std::string_view fromCode, std::string_view toCode,
                                               std::string_view text) const;

    // Also the dictionaries of another folder (those the site makes of
    // other sources, such as Apertium's lexicons).
    void addDictionaries(const std::filesystem::path &dictionaryDirectory);

    // True when `translate` can answer this pair at all.
    bool serves(std::string_view fromCode, std::string_view toCode) const;

    // The pairs with a dictionary of their own, as "english>turkish".
    std::vector<std::string> directPairs() const;

    // Every dictionary, for the cache of their on-disk indexes.
    std::vector<Dictionary *> dictionaries() const;
    // English's counts of use: what their index is stamped with, counted
    // from the word lists, and read from `file` from now on where current.
    std::uint64_t englishIndexStamp() const;
    EnglishFrequency countEnglishUse() const;
    void readEnglishIndex(const std::filesystem::path &file);

    // A language's Hunspell dictionary is read on a thread of its own on
    // the language's first word; until it is, the language has no stems.
    void loadMorphologyInBackground();

private:
    using Key = TranslationRanking::Key;
    using Scored = TranslationRanking::Scored;
    // How an English word is used: either way, as a verb, or as another
    // part of speech.
    enum class Use
    {
        Any,
        Verb,
        Other
    };
    // The rows of the pair's own dictionary, in order.
    std::vector<Scored> direct(const Key &key, std::string_view word) const;
    // Whether the pair's own dictionary lists `word` as a flat list
    // (DictEntry::isFlatList) of at least `senses` senses.
    bool hasFlatEntry(const Key &key, std::string_view word, std::uint16_t senses = 0) const;
    // Whether the pair's own dictionary (or its language's into English) has
    // `phrase` as a headword.
    bool phraseHeadword(const Key &key, std::string_view phrase) const;
    // The rows the dictionary of the opposite pair gives backwards; `phrases`
    // also takes translations that merely hold the word ("kitap rafı" for
    // "kitap").
    std::vector<Scored> reversed(const Key &key, std::string_view word, bool phrases) const;
    // Direct, then reversed; `whole` tells whether anything besides phrases
    // holding the word was found. From English, the rows of the word's
    // `use` (by default its commoner one) come first.
    std::vector<TranslationPair> bothWays(const Key &key, std::string_view word, bool phrases,
                                          std::size_t maxPairs, bool *whole = nullptr,
                                          Use use = Use::Any) const;
    // Both ways, then through English where that finds only phrases or
    // nothing: what one form of the word finds.
    std::vector<TranslationPair> translateForm(const Key &key, std::string_view word,
                                               std::size_t maxPairs, bool *whole) const;
    // The commoner use of `word` (folded), as WordNet counts it.
    Use commonerUse(std::string_view word) const;
    // `use` where the opposite dictionary (`back`, its rows) writes `word`
    // as a verb gloss too ("to go" beside "go"), Any elsewhere.
    static Use glossOf(std::string_view word, const std::vector<Scored> &back, Use use);
    // The rows of `own` and `back` whose entry marks another part of speech
    // than `use` go later.
    static void weighUse(Use use, std::vector<Scored> &own, std::vector<Scored> &back);
    // Where `key`'s dictionary writes the word folded as `folded` among the
    // translations of `candidate`, from 0, as a gloss of that use (Any: any
    // gloss); -1 where it does not.
    double backPlace(const Key &key, std::string_view candidate, std::string_view folded,
                     Use gloss) const;
    // Whether `word` of `language` is a verb, as far as its dictionary into
    // English tells: a Turkish infinitive whose entry starts with an English
    // word used as a verb ("içmek": smoke; not "ekmek", a noun too: bread),
    // or a word the entry marks as a verb as typed ("trinken", not
    // "Trinken") or glosses "to …".
    bool isVerb(const std::string &language, std::string_view word) const;
    // X to Y through English, ranked by agreement.
    std::vector<TranslationPair> throughEnglish(const Key &key, std::string_view word,
                                                std::size_t maxPairs) const;
    bool answers(const Key &key) const;
    // Whether some dictionary from `language` has a main entry for `word`.
    bool isHeadword(const std::string &language, std::string_view word) const;
    // The language through which one without English dictionaries is
    // reached: the first it has a dictionary with that has English ones
    // (Romanian through Spanish); empty for a language with English ones.
    std::string bridgeFor(const std::string &language) const;
    // A pair with such a language, through its bridge: Romanian to Turkish
    // as Romanian to Spanish, then Spanish to Turkish as Spanish is looked
    // up (through English); and the other way round.
    std::vector<TranslationPair> throughBridge(const Key &key, std::string_view word,
                                               std::size_t maxPairs, bool *whole) const;
    // How common `word` is in `language`, as a weight that grows by one
    // for each doubling; 0 where nothing tells.
    double commonness(const std::string &language, std::string_view word,
                      DictEntry::PartOfSpeech partOfSpeech) const;
    const EnglishFrequency &englishFrequency() const;

    std::map<Key, std::vector<std::unique_ptr<Dictionary>>> dictionaries_;
    std::unique_ptr<const Morphology> morphology_;
    const TranslationRanking ranking_{[this](const std::string &language, std::string_view word,
                                             DictEntry::PartOfSpeech partOfSpeech) {
        return commonness(language, word, partOfSpeech);
    }};
    std::filesystem::path hunspellDirectory_;
    std::filesystem::path wordNetDirectory_;
    std::filesystem::path scowlDirectory_;
    std::filesystem::path englishIndexFile_;
    // Read on the first lookup that ranks English words.
    mutable std::once_flag englishOnce_;
    mutable std::unique_ptr<const EnglishFrequency> englishFrequency_;
};

} // namespace vorlinda::site
