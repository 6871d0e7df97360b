#pragma once

#include "DictZipFile.h"
#include "DictdIndex.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorlinda::site {

// A dictionary read backwards: from the words of its translations to the
// headwords they translate, so a thin Turkish-English dictionary can be
// helped by the large English-Turkish one ("kitap" -> "book").
class ReverseIndex
{
public:
    struct Match
    {
        std::string translation; // as the entry writes it: "kitap rafı"
        std::string headword;    // "bookcase"
        bool whole = false;      // the word is the whole translation
    };

    // Reads every entry of the dictionary once. `turkish` picks the I/ı rule
    // for the translations' language. Throws std::runtime_error for corrupt
    // compressed data.
    static ReverseIndex build(const DictdIndex &index, const DictZipFile &text, bool turkish);

    // Translations holding `word` (one word or several) as whole words,
    // case ignored: whole translations first, then short phrases around it,
    // each group in headword order. At most `maxMatches`.
    std::vector<Match> find(std::string_view word, std::size_t maxMatches) const;

    std::size_t size() const { return items_.size(); }

private:
    // Offsets into texts_ and folded_; four bytes each keep a large
    // dictionary's index small.
    struct Item
    {
        std::uint32_t text = 0;
        std::uint32_t textEnd = 0;
        std::uint32_t folded = 0;
        std::uint32_t foldedEnd = 0;
        std::uint32_t headword = 0;
    };
    void add(const std::string &headword, const std::vector<std::string> &translations);
    std::string_view foldedOf(const Item &item) const;

    bool turkish_ = false;
    std::vector<std::string> headwords_;
    std::vector<Item> items_;
    // Every translation as written and case-folded, one after the other. A
    // lookup scans folded_: a few milliseconds, where a word map took
    // seconds to build for the large dictionaries.
    std::string texts_;
    std::string folded_;
};

} // namespace vorlinda::site
