#include "Translator.h"

#include "DictEntry.h"
#include "TextFolding.h"

#include <algorithm>
#include <stdexcept>

namespace vorlinda::site {
namespace {

// How many English words a pivoted lookup follows into the second
// dictionary; more only adds noise.
constexpr std::size_t kPivotWords = 4;

std::filesystem::path textFileFor(const std::filesystem::path &index)
{
    std::filesystem::path zipped = index;
    zipped.replace_extension(".dict.dz");
    if (std::filesystem::exists(zipped))
        return zipped;
    std::filesystem::path plain = index;
    plain.replace_extension(".dict");
    return std::filesystem::exists(plain) ? plain : std::filesystem::path{};
}

void addUnique(std::vector<TranslationPair> &pairs, TranslationPair pair)
{
    if (std::find(pairs.begin(), pairs.end(), pair) == pairs.end())
        pairs.push_back(std::move(pair));
}

} // namespace

Translator::Translator(const std::filesystem::path &dictionaryDirectory,
                       const std::filesystem::path &hunspellDirectory,
                       const std::filesystem::path &wordNetDirectory)
    : morphology_(std::make_unique<const Morphology>(hunspellDirectory, wordNetDirectory))
{
    for (const SiteLanguage &from : siteLanguages()) {
        for (const SiteLanguage &to : siteLanguages()) {
            if (from.code == to.code)
                continue;
            for (const std::string_view fromIso : from.isoCodes) {
                for (const std::string_view toIso : to.isoCodes) {
                    const std::filesystem::path index =
                        dictionaryDirectory /
                        ("freedict-" + std::string(fromIso) + "-" + std::string(toIso) + ".index");
                    std::error_code error;
                    if (!std::filesystem::exists(index, error))
                        continue;
                    const std::filesystem::path text = textFileFor(index);
                    if (text.empty())
                        continue;
                    dictionaries_[{std::string(from.code), std::string(to.code)}].push_back(
                        std::make_unique<Dictionary>(index, text, from.code == "turkish",
                                                     to.code == "turkish"));
                }
            }
        }
    }
}

std::vector<TranslationPair> Translator::direct(const Key &key, std::string_view word,
                                                std::size_t maxPairs) const
{
    std::vector<TranslationPair> pairs;
    const auto found = dictionaries_.find(key);
    if (found == dictionaries_.end())
        return pairs;
    for (const auto &dictionary : found->second) {
        std::vector<std::string> texts;
        try {
            texts = dictionary->lookup(word);
        } catch (const std::runtime_error &) {
            continue; // a damaged file answers nothing; the others still do
        }
        for (const std::string &text : texts) {
            DictEntry entry = DictEntry::parse(text);
            const std::string source = entry.headword.empty() ? std::string(word) : entry.headword;
            for (std::string &translation : entry.translations) {
                if (pairs.size() >= maxPairs)
                    return pairs;
                addUnique(pairs, {source, std::move(translation)});
            }
        }
    }
    return pairs;
}

bool Translator::addReversed(std::vector<TranslationPair> &pairs, const Key &key,
                             std::string_view word, bool phrases, std::size_t maxPairs) const
{
    const auto found = dictionaries_.find({key.second, key.first});
    if (found == dictionaries_.end() || pairs.size() >= maxPairs)
        return false;
    // Entries differ in letter case ("Kuş" against "kuş"); a pair the other
    // way round that differs only so is the same pair.
    const bool turkishSource = key.first == "turkish";
    const bool turkishTranslation = key.second == "turkish";
    const auto folded = [&](const TranslationPair &pair) {
        return TranslationPair{foldCase(pair.source, turkishSource),
                               foldCase(pair.translation, turkishTranslation)};
    };
    std::vector<TranslationPair> seen;
    for (const TranslationPair &pair : pairs)
        seen.push_back(folded(pair));
    bool whole = false;
    for (const auto &dictionary : found->second) {
        std::vector<ReverseIndex::Match> matches;
        try {
            matches = dictionary->reverseLookup(word, maxPairs);
        } catch (const std::runtime_error &) {
            continue;
        }
        for (ReverseIndex::Match &match : matches) {
            if (pairs.size() >= maxPairs)
                return whole;
            if (!match.whole && !phrases)
                continue;
            TranslationPair pair{std::move(match.translation), std::move(match.headword)};
            TranslationPair foldedPair = folded(pair);
            if (std::find(seen.begin(), seen.end(), foldedPair) != seen.end())
                continue;
            seen.push_back(std::move(foldedPair));
            pairs.push_back(std::move(pair));
            whole = whole || match.whole;
        }
    }
    return whole;
}

std::vector<TranslationPair> Translator::bothWays(const Key &key, std::string_view word,
                                                  bool phrases, std::size_t maxPairs,
                                                  bool *whole) const
{
    std::vector<TranslationPair> pairs = direct(key, word, maxPairs);
    const bool own = !pairs.empty();
    const bool reversed = addReversed(pairs, key, word, phrases, maxPairs);
    if (whole != nullptr)
        *whole = own || reversed;
    return pairs;
}

bool Translator::answers(const Key &key) const
{
    return dictionaries_.contains(key) || dictionaries_.contains({key.second, key.first});
}

std::vector<TranslationPair> Translator::translateForm(const Key &key, std::string_view word,
                                                       std::size_t maxPairs, bool *whole) const
{
    std::vector<TranslationPair> pairs = bothWays(key, word, true, maxPairs, whole);
    if (!pairs.empty())
        return pairs;

    // Through English, also when the pair's own (often small) dictionary
    // lacks the word: each English word found leads into the second
    // dictionary; the pairs keep the first dictionary's headword. Backwards
    // only whole translations count here: a phrase holding the word would
    // be passed on as if it meant the word.
    const Key toEnglish{key.first, "english"};
    const Key fromEnglish{"english", key.second};
    if (key.first == "english" || key.second == "english" || !answers(toEnglish) ||
        !answers(fromEnglish))
        return {};
    const std::vector<TranslationPair> english = bothWays(toEnglish, word, false, kPivotWords);
    for (const TranslationPair &step : english) {
        for (TranslationPair &second : bothWays(fromEnglish, step.translation, false, maxPairs)) {
            if (pairs.size() >= maxPairs)
                return pairs;
            addUnique(pairs, {step.source, std::move(second.translation)});
        }
    }
    *whole = !pairs.empty();
    return pairs;
}

std::vector<TranslationPair> Translator::translate(std::string_view fromCode,
                                                   std::string_view toCode, std::string_view word,
                                                   std::size_t maxPairs) const
{
    const SiteLanguage *from = findSiteLanguage(fromCode);
    const SiteLanguage *to = findSiteLanguage(toCode);
    const std::string trimmed(trimBlanks(word));
    if (from == nullptr || to == nullptr || trimmed.empty() || maxPairs == 0 ||
        !serves(fromCode, toCode))
        return {};
    const Key key{std::string(from->code), std::string(to->code)};
    // The form as typed wins: "news" is not "new", "glasses" not "glass".
    // Phrases that merely hold it ("evden eve" for "evden") come last.
    bool whole = false;
    const std::vector<TranslationPair> typed = translateForm(key, trimmed, maxPairs, &whole);
    if (whole)
        return typed;

    // Otherwise every dictionary form the source language's morphology
    // gives, in its order. One the pair's own dictionary has is taken from
    // there alone: reading the opposite dictionary backwards costs a scan of
    // all its translations, and each form would pay it again.
    std::vector<TranslationPair> pairs;
    for (const std::string &stem : morphology_->stems(key.first, trimmed)) {
        std::vector<TranslationPair> found = direct(key, stem, maxPairs);
        if (found.empty())
            found = translateForm(key, stem, maxPairs, &whole);
        for (TranslationPair &pair : found) {
            if (pairs.size() >= maxPairs)
                return pairs;
            addUnique(pairs, std::move(pair));
        }
    }
    if (!pairs.empty())
        return pairs;
    // Guessed stems are mostly not words: the first one with an entry of
    // its own is the one.
    for (const std::string &guess : morphology_->guesses(key.first, trimmed)) {
        pairs = translateForm(key, guess, maxPairs, &whole);
        if (whole)
            return pairs;
    }
    return typed;
}

bool Translator::serves(std::string_view fromCode, std::string_view toCode) const
{
    const SiteLanguage *from = findSiteLanguage(fromCode);
    const SiteLanguage *to = findSiteLanguage(toCode);
    if (from == nullptr || to == nullptr)
        return false;
    const std::string f(from->code);
    const std::string t(to->code);
    return answers({f, t}) || (answers({f, "english"}) && answers({"english", t}));
}

std::vector<std::string> Translator::directPairs() const
{
    std::vector<std::string> names;
    for (const auto &[key, dictionaries] : dictionaries_)
        names.push_back(key.first + ">" + key.second);
    return names;
}

} // namespace vorlinda::site
