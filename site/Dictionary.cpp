#include "Dictionary.h"

namespace vorlinda::site {

namespace {
// An entry longer than this is a broken index line, not a dictionary entry.
constexpr std::uint64_t kMaxEntryLength = 1 << 20;
} // namespace

Dictionary::Dictionary(std::filesystem::path indexPath, std::filesystem::path textPath,
                       bool turkishKeys, bool turkishTranslations)
    : indexPath_(std::move(indexPath)), textPath_(std::move(textPath)), turkishKeys_(turkishKeys),
      turkishTranslations_(turkishTranslations)
{}

const Dictionary::Loaded &Dictionary::loaded() const
{
    std::lock_guard lock(loadMutex_);
    if (!loaded_) {
        loaded_ = std::make_unique<const Loaded>(
            Loaded{DictdIndex::load(indexPath_, turkishKeys_), DictZipFile::open(textPath_)});
    }
    return *loaded_;
}

std::vector<std::string> Dictionary::lookup(std::string_view word) const
{
    const Loaded &dict = loaded();
    std::vector<std::string> texts;
    for (const DictdIndex::Entry &entry : dict.index.find(word))
        texts.push_back(dict.text.read(entry.offset, std::min(entry.length, kMaxEntryLength)));
    return texts;
}

const ReverseIndex &Dictionary::reverseIndex() const
{
    std::lock_guard lock(reverseMutex_);
    if (!reverse_) {
        const Loaded &dict = loaded();
        reverse_ = std::make_unique<const ReverseIndex>(
            ReverseIndex::build(dict.index, dict.text, turkishTranslations_));
    }
    return *reverse_;
}

std::vector<ReverseIndex::Match> Dictionary::reverseLookup(std::string_view word,
                                                           std::size_t maxMatches) const
{
    return reverseIndex().find(word, maxMatches);
}

} // namespace vorlinda::site
