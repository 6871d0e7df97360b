#include "dict/Dictionary.h"

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

Dictionary::Loaded Dictionary::load() const
{
    Loaded dict{DictdIndex::load(indexPath_, turkishKeys_), DictZipFile::open(textPath_), {}};
    std::uint64_t end = 0;
    for (const DictdIndex::Entry &entry : dict.index.entries())
        end = std::max(end, entry.offset + entry.length);
    dict.labels = DictEntry::labelsIn(dict.text.read(0, end));
    return dict;
}

std::shared_ptr<const Dictionary::Loaded> Dictionary::loaded() const
{
    std::lock_guard lock(loadMutex_);
    if (!loaded_)
        loaded_ = std::make_shared<const Loaded>(load());
    return loaded_;
}

DictEntry::Context
Dictionary::context(const Loaded &dict,
                    std::function<bool(std::string_view)> isTranslationWord) const
{
    DictEntry::Context context{
        &dict.labels, {}, std::move(isTranslationWord), turkishTranslations_, {}};
    context.isSourceWord = [&dict](std::string_view word) {
        return !dict.index.find(word).empty();
    };
    // The dictionaries into Turkish run compounds and phrases into their
    // senses ("kapı. doorbell kapı zili."); elsewhere a translation that
    // starts like the headword is a cognate ("blonder Mann" for "blond").
    if (turkishTranslations_)
        context.isHeadword = [&dict](std::string_view word) {
            return !dict.index.find(word).empty();
        };
    return context;
}

DictEntry::Context Dictionary::context(const Loaded &dict) const
{
    std::function<bool(std::string_view)> isTranslationWord;
    if (opposite_ != nullptr) {
        isTranslationWord = [this](std::string_view word) {
            try {
                return !opposite_->loaded()->index.find(word).empty();
            } catch (const std::runtime_error &) {
                return false;
            }
        };
    }
    return context(dict, std::move(isTranslationWord));
}

template <typename FromIndex, typename FromFiles>
auto Dictionary::answer(FromIndex fromIndex, FromFiles fromFiles) const
{
    if (const auto index = diskIndex()) {
        try {
            return fromIndex(*index);
        } catch (const IndexError &error) {
            refuse(error);
        }
    }
    return fromFiles();
}

std::vector<DictEntry> Dictionary::lookup(std::string_view word) const
{
    return answer(
        [&](const DictionaryIndex &index) { return index.lookup(word); },
        [&] {
            const auto dict = loaded();
            const DictEntry::Context parseContext = context(*dict);
            std::vector<DictEntry> entries;
            for (const DictdIndex::Entry &entry : dict->index.find(word))
                entries.push_back(DictEntry::parse(
                    dict->text.read(entry.offset, std::min(entry.length, kMaxEntryLength)),
                    parseContext));
            return entries;
        });
}

std::size_t Dictionary::translationCount(std::string_view word) const
{
    return answer([&](const DictionaryIndex &index) { return index.translationCount(word); },
                  [&] { return reverseIndex()->translationCount(word); });
}

std::size_t Dictionary::countStartingWith(std::string_view word) const
{
    return answer([&](const DictionaryIndex &index) { return index.countStartingWith(word); },
                  [&] { return loaded()->index.countStartingWith(word); });
}

std::size_t Dictionary::headwordCount() const
{
    if (const auto index = diskIndex())
        return index->headwordCount();
    return loaded()->index.headwordCount();
}

std::shared_ptr<const ReverseIndex> Dictionary::reverseIndex() const
{
    std::lock_guard lock(reverseMutex_);
    if (!reverse_) {
        const auto dict = loaded();
        reverse_ = std::make_shared<const ReverseIndex>(
            ReverseIndex::build(dict->index, dict->text, turkishTranslations_, context(*dict)));
    }
    return reverse_;
}

std::vector<ReverseIndex::Match>
Dictionary::reverseLookup(std::string_view word, std::size_t maxMatches, bool phrases) const
{
    if (const auto index = diskIndex()) {
        try {
            return phrases ? index->find(word, maxMatches) : index->findWhole(word, maxMatches);
        } catch (const IndexError &error) {
            refuse(error);
        }
    }
    const auto reverse = reverseIndex();
    return phrases ? reverse->find(word, maxMatches) : reverse->findWhole(word, maxMatches);
}

std::uint64_t Dictionary::indexStamp() const
{
    std::vector<std::filesystem::path> sources{indexPath_, textPath_};
    if (opposite_ != nullptr)
        sources.push_back(opposite_->indexPath_);
    return IndexFile::sourceStamp(sources);
}

void Dictionary::buildIndex(const std::filesystem::path &file) const
{
    const std::uint64_t stamp = indexStamp();
    const Loaded dict = load();
    std::optional<DictdIndex> opposite;
    if (opposite_ != nullptr)
        opposite = DictdIndex::load(opposite_->indexPath_, opposite_->turkishKeys_);
    std::function<bool(std::string_view)> isTranslationWord;
    if (opposite)
        isTranslationWord = [&opposite](std::string_view word) {
            return !opposite->find(word).empty();
        };
    DictionaryIndex::build(dict.index, dict.text, context(dict, std::move(isTranslationWord)),
                           turkishTranslations_)
        .write(file, IndexFile::Kind::Dictionary, stamp);
}

bool Dictionary::openIndex(const std::filesystem::path &file,
                           std::function<void(const std::string &)> refused)
{
    indexFile_ = file;
    refused_ = std::move(refused);
    reopenIndex(true);
    return indexed();
}

void Dictionary::reopenIndex(bool tellRefusal) const
{
    if (indexFile_.empty())
        return;
    std::shared_ptr<const DictionaryIndex> index;
    try {
        index = std::make_shared<const DictionaryIndex>(
            IndexFile::open(indexFile_, IndexFile::Kind::Dictionary, indexStamp()), turkishKeys_,
            turkishTranslations_);
    } catch (const IndexError &error) {
        // Not built yet, stale or damaged: the builder sees to it.
        std::error_code ignored;
        if (tellRefusal && refused_ && std::filesystem::exists(indexFile_, ignored))
            refused_(error.what());
        return;
    }
    {
        std::lock_guard lock(indexMutex_);
        index_ = std::move(index);
    }
    // Lookups under way keep what they hold.
    std::scoped_lock lock(loadMutex_, reverseMutex_);
    loaded_.reset();
    reverse_.reset();
}

bool Dictionary::indexed() const
{
    std::lock_guard lock(indexMutex_);
    return index_ != nullptr;
}

std::shared_ptr<const DictionaryIndex> Dictionary::diskIndex() const
{
    std::lock_guard lock(indexMutex_);
    return index_;
}

void Dictionary::refuse(const IndexError &error) const
{
    {
        std::lock_guard lock(indexMutex_);
        index_.reset();
    }
    if (refused_)
        refused_(error.what());
}

} // namespace vorlinda::site
