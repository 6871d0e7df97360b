#include "Dictionary.h"

#include <algorithm>

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
        Loaded dict{DictdIndex::load(indexPath_, turkishKeys_), DictZipFile::open(textPath_), {}};
        std::uint64_t end = 0;
        for (const DictdIndex::Entry &entry : dict.index.entries())
            end = std::max(end, entry.offset + entry.length);
        dict.labels = DictEntry::labelsIn(dict.text.read(0, end));
        loaded_ = std::make_unique<const Loaded>(std::move(dict));
    }
    return *loaded_;
}

DictEntry::Context Dictionary::context(const Loaded &dict) const
{
    DictEntry::Context context{&dict.labels, {}, {}, turkishTranslations_};
    // The dictionaries into Turkish run compounds and phrases into their
    // senses ("kapı. doorbell kapı zili."); elsewhere a translation that
    // starts like the headword is a cognate ("blonder Mann" for "blond").
    if (turkishTranslations_)
        context.isHeadword = [&dict](std::string_view word) {
            return !dict.index.find(word).empty();
        };
    if (opposite_ != nullptr) {
        context.isTranslationWord = [this](std::string_view word) {
            try {
                return !opposite_->loaded().index.find(word).empty();
            } catch (const std::runtime_error &) {
                return false;
            }
        };
    }
    return context;
}

std::vector<DictEntry> Dictionary::lookup(std::string_view word) const
{
    const Loaded &dict = loaded();
    const DictEntry::Context parseContext = context(dict);
    std::vector<DictEntry> entries;
    for (const DictdIndex::Entry &entry : dict.index.find(word))
        entries.push_back(DictEntry::parse(
            dict.text.read(entry.offset, std::min(entry.length, kMaxEntryLength)), parseContext));
    return entries;
}

std::size_t Dictionary::translationCount(std::string_view word) const
{
    return reverseIndex().translationCount(word);
}

const ReverseIndex &Dictionary::reverseIndex() const
{
    std::lock_guard lock(reverseMutex_);
    if (!reverse_) {
        const Loaded &dict = loaded();
        reverse_ = std::make_unique<const ReverseIndex>(
            ReverseIndex::build(dict.index, dict.text, turkishTranslations_, context(dict)));
    }
    return *reverse_;
}

std::vector<ReverseIndex::Match> Dictionary::reverseLookup(std::string_view word,
                                                           std::size_t maxMatches) const
{
    return reverseIndex().find(word, maxMatches);
}

} // namespace vorlinda::site
