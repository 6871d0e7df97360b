#pragma once

#include "DictEntry.h"
#include "DictZipFile.h"
#include "DictdIndex.h"
#include "ReverseIndex.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace vorlinda::site {

// One dictd dictionary (index plus text). The files are read on the first
// lookup, so a site serving thirty dictionaries starts at once and only pays
// for the ones asked for.
class Dictionary
{
public:
    // `turkishKeys` and `turkishTranslations` pick the Turkish I/ı rule for
    // the headwords' and the translations' language.
    Dictionary(std::filesystem::path indexPath, std::filesystem::path textPath, bool turkishKeys,
               bool turkishTranslations);

    // The entries for `word` (UTF-8), case ignored, in file order, parsed
    // with the dictionary's labels and headwords. Throws std::runtime_error
    // when the files cannot be read.
    std::vector<DictEntry> lookup(std::string_view word) const;

    // The entries whose translations hold `word`, see ReverseIndex::find. The
    // first call reads the whole dictionary; lookups meanwhile go on. Throws
    // std::runtime_error when the files cannot be read.
    std::vector<ReverseIndex::Match> reverseLookup(std::string_view word,
                                                   std::size_t maxMatches) const;

    // How many entries give `word` as their whole translation; see
    // ReverseIndex::translationCount. Reads the whole dictionary once.
    std::size_t translationCount(std::string_view word) const;

    // The dictionary of the opposite pair, whose headwords tell the
    // translations' words apart; set before the first lookup.
    void setOpposite(const Dictionary *opposite) { opposite_ = opposite; }

    const std::filesystem::path &indexPath() const { return indexPath_; }

private:
    struct Loaded
    {
        DictdIndex index;
        DictZipFile text;
        // The usage labels of the whole text, read with it.
        std::unordered_set<std::string> labels;
    };
    DictEntry::Context context(const Loaded &dict) const;
    const Loaded &loaded() const;
    const ReverseIndex &reverseIndex() const;

    std::filesystem::path indexPath_;
    std::filesystem::path textPath_;
    bool turkishKeys_ = false;
    bool turkishTranslations_ = false;
    const Dictionary *opposite_ = nullptr;
    mutable std::mutex loadMutex_;
    mutable std::unique_ptr<const Loaded> loaded_;
    // Its own lock, so building it does not hold up plain lookups.
    mutable std::mutex reverseMutex_;
    mutable std::unique_ptr<const ReverseIndex> reverse_;
};

} // namespace vorlinda::site
