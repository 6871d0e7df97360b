#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace vorlinda::site {

// A dictionary entry cut into what the site shows: the headword and the
// short translations. FreeDict entries come as a headword line (with
// pronunciation and grammar marks) followed by translation lines, numbered
// or not, with examples, synonyms and notes indented below them. Some run
// their compounds and phrases into a sense ("1. kapı. doorbell kapı zili.");
// those become sub-entries with headwords of their own.
struct DictEntry
{
    enum class PartOfSpeech : std::uint8_t
    {
        Unknown,
        Noun,
        Verb,
        Adjective,
        Adverb
    };

    struct Translation
    {
        std::string text;
        std::uint16_t sense = 0; // which translation line, from 0
        std::uint16_t place = 0; // which translation of that line, from 0
        // Written in the entry's own language, not the translations': a
        // definition the file gives where a translation should stand.
        bool sourceText = false;

        bool operator==(const Translation &) const = default;
    };

    struct SubEntry
    {
        std::string headword; // "doorbell", "house arrest"
        std::string translation;

        bool operator==(const SubEntry &) const = default;
    };

    // What a parse may know of the dictionary around the entry.
    struct Context
    {
        // The dictionary's usage labels, folded and without dots ("abd",
        // "kdili"), see labelsIn. A translation that starts with one drops it.
        const std::unordered_set<std::string> *labels = nullptr;
        // Whether a word is a headword of the dictionary: what tells the
        // source-language words of a sub-entry from its translation.
        std::function<bool(std::string_view)> isHeadword;
        // Whether a word is one of the translations' language (a headword of
        // the opposite dictionary): a short one ends no phrase ("el" in
        // "institutes el kitabı").
        std::function<bool(std::string_view)> isTranslationWord;
        // Turkish translations mark a verb by their infinitive (-mek, -mak).
        bool turkishTranslations = false;
        // Whether a word is one of the entry's own language (a headword of
        // the dictionary): with isTranslationWord, what tells a definition
        // written in that language from a translation.
        std::function<bool(std::string_view)> isSourceWord;
    };

    std::string headword;
    std::vector<Translation> translations;
    std::vector<SubEntry> subEntries;
    PartOfSpeech partOfSpeech = PartOfSpeech::Unknown;
    // An abbreviation's expansion or a pointer to another entry ("(kıs.)",
    // "(bak.)", "<abbr>"): shown after the real senses.
    bool secondary = false;
    // The headword is the first word of a longer phrase the file cut short,
    // as its pronunciation tells ("house /haustʃɑːdʒ/" for "house charge"):
    // its translations are the phrase's, and under the one word they would
    // say it means them. The lost phrase cannot be told: they are dropped.
    bool cut = false;
    std::uint16_t senses = 0;

    // Whether the entry is a flat list: four senses or more, nearly all of
    // one word. The Hungarian files list a word's senses so, in no order of
    // use ("pénz": green, cole, dumps ... money).
    bool isFlatList() const;

    static DictEntry parse(std::string_view text);
    static DictEntry parse(std::string_view text, const Context &context);

    // The usage labels of a whole dictionary text: the marks it writes
    // abbreviated in parentheses often enough to be labels ("(bot.)",
    // "(A.B.D.)"), folded and without their dots.
    static std::unordered_set<std::string> labelsIn(std::string_view text);
};

} // namespace vorlinda::site
