#pragma once

#include "DictZipFile.h"
#include "DictdIndex.h"
#include "ReverseIndex.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
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

    // The raw entry texts for `word` (UTF-8), case ignored. Throws
    // std::runtime_error when the files cannot be read.
    std::vector<std::string> lookup(std::string_view word) const;

    // The entries whose translations hold `word`, see ReverseIndex::find. The
    // first call reads the whole dictionary; lookups meanwhile go on. Throws
    // std::runtime_error when the files cannot be read.
    std::vector<ReverseIndex::Match> reverseLookup(std::string_view word,
                                                   std::size_t maxMatches) const;

    const std::filesystem::path &indexPath() const { return indexPath_; }

private:
    struct Loaded
    {
        DictdIndex index;
        DictZipFile text;
    };
    const Loaded &loaded() const;
    const ReverseIndex &reverseIndex() const;

    std::filesystem::path indexPath_;
    std::filesystem::path textPath_;
    bool turkishKeys_ = false;
    bool turkishTranslations_ = false;
    mutable std::mutex loadMutex_;
    mutable std::unique_ptr<const Loaded> loaded_;
    // Its own lock, so building it does not hold up plain lookups.
    mutable std::mutex reverseMutex_;
    mutable std::unique_ptr<const ReverseIndex> reverse_;
};

} // namespace vorlinda::site
