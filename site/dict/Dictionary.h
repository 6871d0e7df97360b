#pragma once

#include "dict/DictEntry.h"
#include "dict/DictZipFile.h"
#include "dict/DictdIndex.h"
#include "dict/DictionaryIndex.h"
#include "dict/ReverseIndex.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace vorlinda::site {

// One dictd dictionary (index plus text). Where its on-disk index is built
// (DictionaryIndex), lookups read that alone. Otherwise the files are read on
// the first lookup, so a site serving thirty dictionaries starts at once and
// only pays for the ones asked for.
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
    // std::runtime_error when the files cannot be read. Without `phrases`,
    // the whole translations alone (ReverseIndex::findWhole).
    std::vector<ReverseIndex::Match> reverseLookup(std::string_view word, std::size_t maxMatches,
                                                   bool phrases = true) const;

    // How many entries give `word` as their whole translation; see
    // ReverseIndex::translationCount. Reads the whole dictionary once.
    std::size_t translationCount(std::string_view word) const;
    // How many headwords start with `word`: the word and its compounds and
    // derivations ("Hund", "Hundehütte"), a sign of how common it is.
    std::size_t countStartingWith(std::string_view word) const;
    // How many headwords the dictionary has (as folded, each once).
    std::size_t headwordCount() const;

    // The dictionary of the opposite pair, whose headwords tell the
    // translations' words apart; set before the first lookup.
    void setOpposite(const Dictionary *opposite) { opposite_ = opposite; }

    const std::filesystem::path &indexPath() const { return indexPath_; }

    // A stamp of the files the on-disk index is built from: this
    // dictionary's and the opposite one's headwords.
    std::uint64_t indexStamp() const;
    // Writes the on-disk index to `file`, reading the dictionary without
    // keeping it. Throws std::runtime_error when the files cannot be read.
    void buildIndex(const std::filesystem::path &file) const;
    // Lookups from now on use the index in `file` when it is there and
    // current; one found damaged in use is dropped, told to `refused` and
    // the files read instead. True when it was taken.
    bool openIndex(const std::filesystem::path &file,
                   std::function<void(const std::string &)> refused);
    // Tries the index file again (once rebuilt); safe during lookups.
    void reopenIndex() const { reopenIndex(false); }
    bool indexed() const;

private:
    struct Loaded
    {
        DictdIndex index;
        DictZipFile text;
        // The usage labels of the whole text, read with it.
        std::unordered_set<std::string> labels;
    };
    Loaded load() const;
    DictEntry::Context context(const Loaded &dict,
                               std::function<bool(std::string_view)> isTranslationWord) const;
    DictEntry::Context context(const Loaded &dict) const;
    std::shared_ptr<const Loaded> loaded() const;
    std::shared_ptr<const ReverseIndex> reverseIndex() const;
    std::shared_ptr<const DictionaryIndex> diskIndex() const;
    void refuse(const IndexError &error) const;
    // `fromIndex` of the on-disk index where it is open and sound, else
    // `fromFiles` (an index found damaged is refused on the way).
    template <typename FromIndex, typename FromFiles>
    auto answer(FromIndex fromIndex, FromFiles fromFiles) const;
    void reopenIndex(bool tellRefusal) const;

    std::filesystem::path indexPath_;
    std::filesystem::path textPath_;
    bool turkishKeys_ = false;
    bool turkishTranslations_ = false;
    const Dictionary *opposite_ = nullptr;
    mutable std::mutex loadMutex_;
    mutable std::shared_ptr<const Loaded> loaded_;
    // Its own lock, so building it does not hold up plain lookups.
    mutable std::mutex reverseMutex_;
    mutable std::shared_ptr<const ReverseIndex> reverse_;
    // The on-disk index, once opened; the files above are let go then.
    std::filesystem::path indexFile_;
    std::function<void(const std::string &)> refused_;
    mutable std::mutex indexMutex_;
    mutable std::shared_ptr<const DictionaryIndex> index_;
};

} // namespace vorlinda::site
