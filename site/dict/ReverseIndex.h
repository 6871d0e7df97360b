#pragma once

#include "dict/DictEntry.h"
#include "dict/DictZipFile.h"
#include "dict/DictdIndex.h"

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
        // Where the translation stands in its entry, and what the entry is:
        // what ranks the headwords a word translates.
        std::uint16_t sense = 0;
        std::uint16_t place = 0;
        DictEntry::PartOfSpeech partOfSpeech = DictEntry::PartOfSpeech::Unknown;
        bool secondary = false;
        bool compound = false; // a compound or phrase run into another entry
        bool flat = false;     // of an entry that is a flat list
    };

    // Reads every entry of the dictionary once, parsed in `context`.
    // `turkish` picks the I/ı rule for the translations' language. Throws
    // std::runtime_error for corrupt compressed data.
    static ReverseIndex build(const DictdIndex &index, const DictZipFile &text, bool turkish,
                              const DictEntry::Context &context = {});

    // Translations holding `word` (one word or several) as whole words,
    // case ignored: whole translations first, then short phrases around it,
    // each group in headword order. At most `maxMatches`.
    std::vector<Match> find(std::string_view word, std::size_t maxMatches) const;
    // The whole translations alone, those whose folded text is the word's:
    // a search of the sorted texts, not a reading of every translation
    // that holds the word. One that has marks besides the word ("house!")
    // is left out.
    std::vector<Match> findWhole(std::string_view word, std::size_t maxMatches) const;

    // How many entries give `word` as a whole translation, case ignored: how
    // common the word is in the translations' language, as far as this
    // dictionary knows.
    std::size_t translationCount(std::string_view word) const;

    std::size_t size() const { return items_.size(); }

    // A phrase may hold this many words besides the ones asked for: "kitap"
    // finds "kitap rafı" (bookcase), but not the idioms and definitions some
    // entries carry as translations ("... indirimli fiyatla kitap satan firma").
    static constexpr std::size_t kExtraPhraseWords = 2;
    // The words of a folded text; any ASCII mark or blank separates them, so
    // "kitap" and "kitapçı" stay two different words.
    static std::vector<std::string_view> wordsOf(std::string_view text);
    static bool isWordByte(char c);

private:
    // Writes the items out for the on-disk index.
    friend class DictionaryIndex;
    explicit ReverseIndex(bool turkish) : turkish_(turkish) {}
    // Sorts the items by their folded text once all are added.
    void finish();

    // Offsets into texts_ and folded_; four bytes each keep a large
    // dictionary's index small.
    struct Item
    {
        std::uint32_t text = 0;
        std::uint32_t textEnd = 0;
        std::uint32_t folded = 0;
        std::uint32_t foldedEnd = 0;
        std::uint32_t headword = 0;
        std::uint16_t sense = 0;
        std::uint16_t place = 0;
        DictEntry::PartOfSpeech partOfSpeech = DictEntry::PartOfSpeech::Unknown;
        bool secondary = false;
        bool compound = false;
        bool flat = false;
    };
    void add(const DictEntry &entry, const std::string &headword);
    void addItem(Item item, std::string_view translation);
    std::string_view foldedOf(const Item &item) const;
    // The items of byText_ whose folded text is `folded`.
    std::pair<std::vector<std::uint32_t>::const_iterator,
              std::vector<std::uint32_t>::const_iterator>
    textRange(const std::string &folded) const;

    bool turkish_ = false;
    std::vector<std::string> headwords_;
    std::vector<Item> items_;
    // Every translation as written and case-folded, one after the other. A
    // lookup scans folded_: a few milliseconds, where a word map took
    // seconds to build for the large dictionaries.
    std::string texts_;
    std::string folded_;
    // Item numbers in the order of their folded text, for translationCount.
    std::vector<std::uint32_t> byText_;
};

} // namespace vorlinda::site
