#pragma once

#include "dict/DictEntry.h"
#include "dict/DictZipFile.h"
#include "dict/DictdIndex.h"
#include "dict/IndexFile.h"
#include "dict/ReverseIndex.h"

#include <memory>
#include <string_view>
#include <vector>

namespace vorlinda::site {

// A dictionary as the site needs it, parsed once and written to disk: its
// entries as DictEntry parses them, the folded headwords that find them,
// and the dictionary read backwards (ReverseIndex's items, the postings
// from each word of a translation to the items holding it, and the items
// in the order of their folded text). Its answers are those of Dictionary's
// own parse and ReverseIndex, without the dictionary text.
class DictionaryIndex
{
public:
    // Parses every entry of the dictionary in `context` (as Dictionary does
    // for a lookup) and reads it backwards. Throws std::runtime_error for
    // corrupt compressed text.
    static IndexWriter build(const DictdIndex &index, const DictZipFile &text,
                             const DictEntry::Context &context, bool turkishTranslations);

    // Reads `file`; the flags are those the dictionary was built with. Every
    // call below throws IndexError for damaged contents.
    DictionaryIndex(std::shared_ptr<const IndexFile> file, bool turkishKeys,
                    bool turkishTranslations);

    // As Dictionary::lookup.
    std::vector<DictEntry> lookup(std::string_view word) const;
    // As DictdIndex::countStartingWith.
    std::size_t countStartingWith(std::string_view word) const;
    // How many distinct headwords (folded) there are.
    std::size_t headwordCount() const { return keys_.count(); }
    // As ReverseIndex::find and ReverseIndex::translationCount.
    std::vector<ReverseIndex::Match> find(std::string_view word, std::size_t maxMatches) const;
    std::vector<ReverseIndex::Match> findWhole(std::string_view word, std::size_t maxMatches) const;
    std::size_t translationCount(std::string_view word) const;

private:
    enum Section : std::uint32_t
    {
        Pool,         // every string, each once
        Entries,      // headword, translations, sub-entries, kind
        Translations, // text, sense and place, written in the source language
        SubEntries,   // headword, translation
        Keys,         // folded headword, its entries (in Refs), in key order
        Refs,         // entry numbers
        Items,        // the reverse index's items, in its order
        Words,        // a word of the items' folded texts, its items (in Postings)
        Postings,     // item numbers, ascending for each word
        ByText,       // item numbers in the order of their folded text
        SectionCount
    };
    // Fields per record of each record section.
    static constexpr unsigned kEntryFields = 7;
    static constexpr unsigned kTranslationFields = 4;
    static constexpr unsigned kSubEntryFields = 4;
    static constexpr unsigned kRangeFields = 4; // Keys and Words
    static constexpr unsigned kItemFields = 8;

    // The pooled string whose offset and length are fields `field` and
    // `field + 1` of `record`.
    std::string string(const IndexFile::Record &record, unsigned field) const;
    // The [first, last) records of `Keys` or `Words` whose string is `key`.
    std::pair<std::uint32_t, std::uint32_t> range(const IndexFile::Records &records,
                                                  std::string_view key) const;
    DictEntry entry(std::uint32_t number) const;
    // The [first, last) of `ByText` whose item's folded text is `key`.
    std::pair<std::uint32_t, std::uint32_t> byText(const std::string &key) const;
    ReverseIndex::Match match(const IndexFile::Record &item, bool whole) const;

    std::shared_ptr<const IndexFile> file_;
    bool turkishKeys_ = false;
    bool turkishTranslations_ = false;
    IndexFile::Records entries_;
    IndexFile::Records translations_;
    IndexFile::Records subEntries_;
    IndexFile::Records keys_;
    IndexFile::Records refs_;
    IndexFile::Records items_;
    IndexFile::Records words_;
    IndexFile::Records postings_;
    IndexFile::Records byText_;
};

} // namespace vorlinda::site
