#include "web/TranslationRanking.h"

#include "text/TextFolding.h"

#include <algorithm>
#include <cstddef>
#include <set>

namespace vorlinda::site {
namespace {

// The weights that rank the translations of a word: where it stands in its
// entry counts most (a later sense costs two steps, a later word of the
// sense one), then how common it is (each doubling of its count wins half a
// step back). An abbreviation's expansion or a pointer to another entry, or
// an affix, costs five.
constexpr double kSenseWeight = 2.0;
// In a flat list a later sense costs an eighth of that: how common the word
// is says more than where it stands.
constexpr double kFlatSenseWeight = 0.25;
constexpr double kPlaceWeight = 1.0;
constexpr double kSecondaryPenalty = 5.0;
// Ranking with both dictionaries of a pair: each row of the word's own
// entry before a candidate costs half a step, each row of the candidate's
// entry in the opposite dictionary before the word one (kNoBackPlace where
// it lacks the word); one the own entry lacks costs four rows more than its
// last. Only the first few candidates each way are weighed:
// each costs a lookup.
constexpr double kForwardWeight = 0.5;
constexpr double kNoForwardRows = 4;
constexpr std::size_t kBackTranslated = 16;
// Each candidate that is a compound of another's word (up to three) wins
// that word a step. A flat list's place counts an eighth, and all of a
// long one is weighed.
constexpr double kFlatForwardWeight = kForwardWeight * TranslationRanking::kFlatPlaceShare;
constexpr std::size_t kFlatBackTranslated = 48;
constexpr double kCompoundWeight = 1.0;
constexpr std::size_t kMaxCompounds = 3;
constexpr std::size_t kMinCompoundPart = 3; // letters, so "ev" is no part of "evlat"

// True when `phrase` is longer than `word` and holds it as a whole word.
bool holdsWord(std::string_view phrase, std::string_view word)
{
    if (word.empty() || phrase.size() <= word.size())
        return false;
    for (std::size_t at = phrase.find(word); at != std::string_view::npos;
         at = phrase.find(word, at + 1)) {
        const std::size_t after = at + word.size();
        if ((at == 0 || phrase[at - 1] == ' ') && (after == phrase.size() || phrase[after] == ' '))
            return true;
    }
    return false;
}

} // namespace

bool TranslationRanking::isCompoundOf(std::string_view compound, std::string_view word)
{
    const auto letters = [](std::string_view text) {
        return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
    };
    if (letters(word) < kMinCompoundPart || compound.size() <= word.size() ||
        letters(compound) < letters(word) + kMinCompoundPart)
        return false;
    return compound.starts_with(word) || compound.ends_with(word) || holdsWord(compound, word);
}

namespace {

// Whole translations (0) before abbreviations, pointers and definitions in
// the entry's own language (2).
int tierOf(const DictEntry &entry, const DictEntry::Translation &translation)
{
    return entry.secondary || translation.sourceText ? 2 : 0;
}

} // namespace

TranslationRanking::TranslationRanking(Commonness commonness) : commonness_(std::move(commonness))
{}

bool TranslationRanking::better(const Scored &a, const Scored &b)
{
    if (a.tier != b.tier)
        return a.tier < b.tier;
    if (a.score != b.score)
        return a.score < b.score;
    return a.pair.translation.size() < b.pair.translation.size();
}

void TranslationRanking::backTranslated(std::vector<Scored> &own, std::vector<Scored> &back,
                                        const BackPlace &backPlace, bool turkish, bool flat)
{
    const std::size_t reach = flat ? kFlatBackTranslated : kBackTranslated;
    std::vector<std::string> family;
    for (const Scored &row : own)
        if (row.tier == 0)
            family.push_back(foldCase(row.pair.translation, turkish));
    std::vector<Scored> ranked;
    std::vector<Scored> rest;
    std::set<std::string> seen;
    // `limit`: how many may be weighed by then.
    const auto consider = [&](Scored &row, double forward, std::size_t limit) {
        const std::string folded = foldCase(row.pair.translation, turkish);
        if (row.tier != 0 || ranked.size() >= limit || !seen.insert(folded).second) {
            rest.push_back(std::move(row));
            return;
        }
        const auto compounds = static_cast<std::size_t>(
            std::count_if(family.begin(), family.end(),
                          [&](const std::string &other) { return isCompoundOf(other, folded); }));
        row.score = forward * (flat ? kFlatForwardWeight : kForwardWeight) +
                    backPlace(row.pair.translation) -
                    static_cast<double>(std::min(compounds, kMaxCompounds)) * kCompoundWeight +
                    row.penalty;
        ranked.push_back(std::move(row));
    };
    double forward = 0;
    for (Scored &row : own)
        consider(row, row.tier == 0 ? forward++ : forward, reach);
    // The opposite dictionary's first few join them, also after a long own
    // entry ("write": yazmak after twenty phrases); the rest follow.
    const std::size_t ownRows = ranked.size();
    for (Scored &row : back)
        consider(row, forward + kNoForwardRows, ownRows + reach / 2);
    std::stable_sort(ranked.begin(), ranked.end(), better);
    std::stable_sort(rest.begin(), rest.end(),
                     [](const Scored &a, const Scored &b) { return a.tier < b.tier; });
    for (Scored &row : rest)
        ranked.push_back(std::move(row));
    own = std::move(ranked);
}

bool TranslationRanking::hasFrequencies(const std::string &language)
{
    return language == "english";
}

std::vector<TranslationRanking::Placed> TranslationRanking::orderSenses(const DictEntry &entry)
{
    // The dictionary's own order: senses as numbered, and a sense's words
    // as written (its first word is the one it means most).
    std::vector<Placed> placed;
    for (const DictEntry::Translation &translation : entry.translations) {
        const bool firstOfSense = placed.empty() || placed.back().sense != translation.sense;
        placed.push_back({translation.sense, firstOfSense ? 0u : 1u, &translation});
    }
    std::stable_sort(placed.begin(), placed.end(),
                     [](const Placed &a, const Placed &b) { return a.sense < b.sense; });
    // A word that an earlier, longer translation only describes ("mavi" after
    // "mavi renk") is the plain translation: it goes first.
    for (std::size_t i = 1; i < placed.size(); ++i) {
        const std::string_view text = placed[i].translation->text;
        for (std::size_t j = 0; j < i; ++j) {
            if (holdsWord(placed[j].translation->text, text)) {
                Placed moved{placed[j].sense, placed[j].place, placed[i].translation};
                placed.erase(placed.begin() + static_cast<std::ptrdiff_t>(i));
                placed.insert(placed.begin() + static_cast<std::ptrdiff_t>(j), moved);
                break;
            }
        }
    }
    return placed;
}

std::vector<TranslationRanking::Scored> TranslationRanking::direct(const Key &key,
                                                                   std::vector<DictEntry> found,
                                                                   std::string_view word) const
{
    struct Ranked
    {
        DictEntry entry;
        double weight = 0; // how common this use of the headword is
        double main = 0;   // how much of a main entry it is
    };
    std::vector<Ranked> entries;
    entries.reserve(found.size());
    for (DictEntry &entry : found)
        entries.push_back({std::move(entry), 0, 0});
    for (Ranked &ranked : entries) {
        if (ranked.entry.headword.empty())
            ranked.entry.headword = word;
        if (key.first == "english")
            ranked.weight =
                commonness_(key.first, ranked.entry.headword, ranked.entry.partOfSpeech);
    }
    // How common the first translation is tells apart only the entries
    // nothing else does, and may cost a reading of the dictionary into the
    // language: asked for those alone.
    for (Ranked &ranked : entries) {
        const bool tied = std::count_if(entries.begin(), entries.end(), [&](const Ranked &other) {
                              return other.entry.secondary == ranked.entry.secondary &&
                                     other.weight == ranked.weight &&
                                     other.entry.senses == ranked.entry.senses;
                          }) > 1;
        if (tied && !ranked.entry.translations.empty())
            ranked.main = commonness_(key.second, ranked.entry.translations.front().text, {});
    }
    // An abbreviation or pointer last; then the commoner use of the word
    // ("book" the noun before "book" the verb), the fuller entry (a rare
    // use has a sense or two: "road", "dış liman"), and among one-sense
    // entries the commoner translation.
    std::stable_sort(entries.begin(), entries.end(), [](const Ranked &a, const Ranked &b) {
        if (a.entry.secondary != b.entry.secondary)
            return b.entry.secondary;
        if (a.weight != b.weight)
            return a.weight > b.weight;
        if (a.entry.senses != b.entry.senses)
            return a.entry.senses > b.entry.senses;
        return a.main > b.main;
    });

    std::vector<Scored> rows;
    if (hasFrequencies(key.second)) {
        // Scored like the rows read backwards, so the two can be merged: a
        // later entry counts as a later sense.
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const DictEntry &entry = entries[i].entry;
            const double senseWeight = entry.isFlatList() ? kFlatSenseWeight : kSenseWeight;
            for (const DictEntry::Translation &translation : entry.translations)
                rows.push_back({{entry.headword, translation.text},
                                tierOf(entry, translation),
                                static_cast<double>(i) * kSenseWeight +
                                    translation.sense * senseWeight +
                                    translation.place * kPlaceWeight -
                                    commonness_(key.second, translation.text, entry.partOfSpeech) *
                                        kCommonWeight,
                                entry.partOfSpeech});
            for (const DictEntry::SubEntry &sub : entry.subEntries)
                rows.push_back({{sub.headword, sub.translation}, 1, double(rows.size())});
        }
        std::stable_sort(rows.begin(), rows.end(), better);
        return rows;
    }

    std::vector<std::vector<Placed>> ordered;
    ordered.reserve(entries.size());
    for (const Ranked &ranked : entries)
        ordered.push_back(orderSenses(ranked.entry));
    const auto add = [&](std::size_t i, int tier, auto &&wanted) {
        for (const Placed &placed : ordered[i])
            if (wanted(placed) && tierOf(entries[i].entry, *placed.translation) == tier)
                rows.push_back({{entries[i].entry.headword, placed.translation->text},
                                tier,
                                double(rows.size()),
                                entries[i].entry.partOfSpeech});
    };
    const auto first = [](const Placed &p) { return p.sense == 0 && p.place == 0; };
    const auto firstSense = [](const Placed &p) { return p.sense == 0 && p.place > 0; };
    const auto later = [](const Placed &p) { return p.sense > 0; };
    // The first word of every use of the word ("cevap vermek", "cevap"),
    // the rest of their first senses, then their other senses, then
    // compounds and phrases of the word, then abbreviations.
    // Abbreviations and definitions come last.
    for (const auto &wanted : {+first, +firstSense, +later})
        for (std::size_t i = 0; i < entries.size(); ++i)
            add(i, 0, wanted);
    for (const Ranked &ranked : entries)
        for (const DictEntry::SubEntry &sub : ranked.entry.subEntries)
            rows.push_back({{sub.headword, sub.translation}, 1, double(rows.size())});
    const auto all = [](const Placed &) { return true; };
    for (std::size_t i = 0; i < entries.size(); ++i)
        add(i, 2, all);
    return rows;
}

void TranslationRanking::reversed(const Key &key, std::vector<ReverseIndex::Match> &matches,
                                  bool phrases, std::vector<Scored> &rows) const
{
    // Where the word stands in the other entry (its first sense and
    // first word beat later ones) and, where its language has counts of
    // use, how common the headword is. A flat list's order says little:
    // there how common the headword is counts in any language ("to see" is
    // lát's fourth sense, belát's first). A compound run into another entry
    // ranks with the phrases.
    for (ReverseIndex::Match &match : matches) {
        if (!match.whole && !phrases)
            continue;
        const double common = hasFrequencies(key.second) || match.flat
                                  ? commonness_(key.second, match.headword, match.partOfSpeech)
                                  : 0.0;
        const double score = match.sense * kSenseWeight + match.place * kPlaceWeight +
                             (match.secondary ? kSecondaryPenalty : 0.0) - common * kCommonWeight;
        rows.push_back({{std::move(match.translation), std::move(match.headword)},
                        match.whole && !match.compound ? 0 : 1,
                        score,
                        match.partOfSpeech});
    }
}

} // namespace vorlinda::site
