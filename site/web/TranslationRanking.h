#pragma once

#include "dict/DictEntry.h"
#include "dict/ReverseIndex.h"
#include "web/TranslationPair.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorlinda::site {

// Puts the translations a lookup finds in order, best first: by where each
// stands in its entry, how common it is where that is counted, and whether
// it is a whole translation, a phrase or an abbreviation.
class TranslationRanking
{
public:
    using Key = std::pair<std::string, std::string>;
    // How common `word` is in `language`, as a weight that grows by one for
    // each doubling; 0 where nothing tells.
    using Commonness = std::function<double(const std::string &language, std::string_view word,
                                            DictEntry::PartOfSpeech partOfSpeech)>;

    // A row of an answer before ranking: whole translations (tier 0) before
    // compounds and phrases (1) and abbreviations (2), the lower score first.
    struct Scored
    {
        TranslationPair pair;
        int tier = 0;
        double score = 0;
        // The part of speech its entry marks, and what ranking it so costs
        // where the looked-up word is mostly used as another.
        DictEntry::PartOfSpeech partOfSpeech = DictEntry::PartOfSpeech::Unknown;
        double penalty = 0;
    };

    explicit TranslationRanking(Commonness commonness);

    // The rows of the pair's own dictionary, in order, from the entries it
    // holds for `word`.
    std::vector<Scored> direct(const Key &key, std::vector<DictEntry> found,
                               std::string_view word) const;
    // Adds to `rows` those of the opposite dictionary's `matches`, read
    // backwards; `phrases` also takes translations that merely hold the
    // word ("kitap rafı" for "kitap").
    void reversed(const Key &key, std::vector<ReverseIndex::Match> &matches, bool phrases,
                  std::vector<Scored> &rows) const;

    // What a candidate translation costs by the opposite dictionary: where
    // it puts the looked-up word among the candidate's rows (a step each),
    // kNoBackPlace where it lacks it.
    using BackPlace = std::function<double(const std::string &candidate)>;
    static constexpr double kNoBackPlace = 6;
    // In a flat list, whose order says little, a place counts this much.
    static constexpr double kFlatPlaceShare = 1.0 / 8;
    // Each doubling of a word's count of use wins this much.
    static constexpr double kCommonWeight = 0.5;
    // Ranks the first whole translations of `own` (the pair's own rows, in
    // order) and of `back` (the opposite dictionary's rows read backwards)
    // together: by where the opposite dictionary puts the word among each
    // one's rows, then by its place in `own`. German "Hand" gives hand
    // first, "Blatt" leaf. The rest keep their order after them, the own
    // before the opposite's. `turkish` picks the translations' case rule.
    // A word the other candidates are compounds of ("ház" of "lakóház",
    // "színház"; "zon" of "zonneglans") counts for it. Where the own entry
    // is a flat list (`flat`), its order says little: more of it is
    // weighed and its place counts less.
    static void backTranslated(std::vector<Scored> &own, std::vector<Scored> &back,
                               const BackPlace &backPlace, bool turkish, bool flat);

    // Whole translations before phrases and compounds, then the lower score,
    // then the shorter translation.
    static bool better(const Scored &a, const Scored &b);
    // Whether the use of the words of `language` is counted.
    static bool hasFrequencies(const std::string &language);
    // Whether `compound` is `word` with at least three letters before or
    // after it: "lakóház" of "ház", "kézjegy" of "kéz" (both folded).
    static bool isCompoundOf(std::string_view compound, std::string_view word);

private:
    // A translation of an entry and the sense it is shown with.
    struct Placed
    {
        std::uint16_t sense = 0;
        unsigned place = 0; // 0 for the sense's first word as written
        const DictEntry::Translation *translation = nullptr;
    };
    static std::vector<Placed> orderSenses(const DictEntry &entry);

    Commonness commonness_;
};

} // namespace vorlinda::site
