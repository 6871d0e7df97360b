#include "dict/DictionaryIndex.h"

#include "text/TextFolding.h"

#include <algorithm>
#include <map>

namespace vorlinda::site {
namespace {

// As Dictionary: an entry longer than this is a broken index line.
constexpr std::uint64_t kMaxEntryLength = 1 << 20;

DictEntry::PartOfSpeech partOfSpeech(std::uint32_t value)
{
    return value <= static_cast<std::uint32_t>(DictEntry::PartOfSpeech::Adverb)
               ? static_cast<DictEntry::PartOfSpeech>(value)
               : DictEntry::PartOfSpeech::Unknown;
}

} // namespace

IndexWriter DictionaryIndex::build(const DictdIndex &index, const DictZipFile &text,
                                   const DictEntry::Context &context, bool turkishTranslations)
{
    IndexWriter out(SectionCount);
    const auto put = [&](Section section, std::string_view s) {
        const auto [offset, length] = out.addString(Pool, s);
        out.add(section, offset);
        out.add(section, length);
    };

    const std::vector<DictdIndex::Entry> entries = index.entries();
    std::uint64_t end = 0;
    for (const DictdIndex::Entry &entry : entries)
        end = std::max(end, entry.offset + entry.length);
    // One read of the whole text, as ReverseIndex::build does.
    const std::string all = text.read(0, end);
    const auto textOf = [&all](std::uint64_t offset, std::uint64_t length) {
        return offset >= all.size() ? std::string_view{}
                                    : std::string_view(all).substr(offset, length);
    };

    // Each entry once, though several headwords may point at it.
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::uint32_t> numbers;
    std::vector<std::uint32_t> refs;
    std::string lastKey;
    std::uint32_t keyStart = 0;
    const auto closeKey = [&] {
        if (refs.size() > keyStart) {
            put(Keys, lastKey);
            out.add(Keys, keyStart);
            out.add(Keys, static_cast<std::uint32_t>(refs.size()) - keyStart);
        }
        keyStart = static_cast<std::uint32_t>(refs.size());
    };
    for (const DictdIndex::Entry &entry : entries) {
        const std::string key = foldCase(entry.headword, index.turkishKeys());
        if (key != lastKey) {
            closeKey();
            lastKey = key;
        }
        const std::uint64_t length = std::min(entry.length, kMaxEntryLength);
        const auto [at, added] =
            numbers.try_emplace({entry.offset, length}, out.size(Entries, kEntryFields));
        refs.push_back(at->second);
        if (!added)
            continue;
        const DictEntry parsed = DictEntry::parse(textOf(entry.offset, length), context);
        put(Entries, parsed.headword);
        out.add(Entries, out.size(Translations, kTranslationFields));
        out.add(Entries, static_cast<std::uint32_t>(parsed.translations.size()));
        out.add(Entries, out.size(SubEntries, kSubEntryFields));
        out.add(Entries, static_cast<std::uint32_t>(parsed.subEntries.size()));
        out.add(Entries, static_cast<std::uint32_t>(parsed.partOfSpeech) |
                             (parsed.secondary ? 0x100u : 0u) |
                             (std::uint32_t{parsed.senses} << 16));
        for (const DictEntry::Translation &translation : parsed.translations) {
            put(Translations, translation.text);
            out.add(Translations, translation.sense | (std::uint32_t{translation.place} << 16));
            out.add(Translations, translation.sourceText ? 1u : 0u);
        }
        for (const DictEntry::SubEntry &sub : parsed.subEntries) {
            put(SubEntries, sub.headword);
            put(SubEntries, sub.translation);
        }
    }
    closeKey();
    for (const std::uint32_t ref : refs)
        out.add(Refs, ref);

    const ReverseIndex reverse = ReverseIndex::build(index, text, turkishTranslations, context);
    std::map<std::string_view, std::vector<std::uint32_t>> postings;
    for (std::uint32_t i = 0; i < reverse.items_.size(); ++i) {
        const ReverseIndex::Item &item = reverse.items_[i];
        put(Items, std::string_view(reverse.texts_).substr(item.text, item.textEnd - item.text));
        put(Items, reverse.foldedOf(item));
        put(Items, reverse.headwords_[item.headword]);
        out.add(Items, item.sense | (std::uint32_t{item.place} << 16));
        out.add(Items, static_cast<std::uint32_t>(item.partOfSpeech) |
                           (item.secondary ? 0x100u : 0u) | (item.compound ? 0x200u : 0u) |
                           (item.flat ? 0x400u : 0u));
        for (const std::string_view word : ReverseIndex::wordsOf(reverse.foldedOf(item))) {
            std::vector<std::uint32_t> &list = postings[word];
            if (list.empty() || list.back() != i)
                list.push_back(i);
        }
    }
    std::uint32_t posted = 0;
    for (const auto &[word, list] : postings) {
        put(Words, word);
        out.add(Words, posted);
        out.add(Words, static_cast<std::uint32_t>(list.size()));
        for (const std::uint32_t item : list)
            out.add(Postings, item);
        posted += static_cast<std::uint32_t>(list.size());
    }
    for (const std::uint32_t item : reverse.byText_)
        out.add(ByText, item);
    return out;
}

DictionaryIndex::DictionaryIndex(std::shared_ptr<const IndexFile> file, bool turkishKeys,
                                 bool turkishTranslations)
    : file_(std::move(file)), turkishKeys_(turkishKeys), turkishTranslations_(turkishTranslations),
      entries_(file_->records(Entries, kEntryFields)),
      translations_(file_->records(Translations, kTranslationFields)),
      subEntries_(file_->records(SubEntries, kSubEntryFields)),
      keys_(file_->records(Keys, kRangeFields)), refs_(file_->records(Refs, 1)),
      items_(file_->records(Items, kItemFields)), words_(file_->records(Words, kRangeFields)),
      postings_(file_->records(Postings, 1)), byText_(file_->records(ByText, 1))
{}

std::string DictionaryIndex::string(const IndexFile::Record &record, unsigned field) const
{
    return file_->bytes(Pool, record[field], record[field + 1]);
}

std::pair<std::uint32_t, std::uint32_t> DictionaryIndex::range(const IndexFile::Records &records,
                                                               std::string_view key) const
{
    // Keys and words are stored once each: at most one record matches.
    std::uint32_t low = 0;
    std::uint32_t high = records.count();
    IndexFile::Record found{};
    while (low < high) {
        const std::uint32_t middle = low + (high - low) / 2;
        const IndexFile::Record record = records.at(middle);
        const std::string text = string(record, 0);
        if (text < key) {
            low = middle + 1;
        } else {
            high = middle;
            if (text == key)
                found = record;
        }
    }
    if (low == records.count() || found[1] != key.size() || string(found, 0) != key)
        return {0, 0};
    const std::uint32_t first = found[2];
    const std::uint32_t count = found[3];
    if (first > UINT32_MAX - count)
        throw IndexError("range out of bounds");
    return {first, first + count};
}

DictEntry DictionaryIndex::entry(std::uint32_t number) const
{
    const IndexFile::Record record = entries_.at(number);
    DictEntry entry;
    entry.headword = string(record, 0);
    const std::uint32_t kind = record[6];
    entry.partOfSpeech = partOfSpeech(kind & 0xFF);
    entry.secondary = (kind & 0x100) != 0;
    entry.senses = static_cast<std::uint16_t>(kind >> 16);
    const std::uint32_t firstTranslation = record[2];
    const std::uint32_t translationCount = record[3];
    if (translationCount > translations_.count() ||
        firstTranslation > translations_.count() - translationCount)
        throw IndexError("entry out of bounds");
    for (std::uint32_t i = firstTranslation; i < firstTranslation + translationCount; ++i) {
        const IndexFile::Record translation = translations_.at(i);
        entry.translations.push_back(
            {string(translation, 0), static_cast<std::uint16_t>(translation[2] & 0xFFFF),
             static_cast<std::uint16_t>(translation[2] >> 16), translation[3] != 0});
    }
    const std::uint32_t firstSub = record[4];
    const std::uint32_t subCount = record[5];
    if (subCount > subEntries_.count() || firstSub > subEntries_.count() - subCount)
        throw IndexError("entry out of bounds");
    for (std::uint32_t i = firstSub; i < firstSub + subCount; ++i) {
        const IndexFile::Record sub = subEntries_.at(i);
        entry.subEntries.push_back({string(sub, 0), string(sub, 2)});
    }
    return entry;
}

std::vector<DictEntry> DictionaryIndex::lookup(std::string_view word) const
{
    const auto [first, last] = range(keys_, foldCase(word, turkishKeys_));
    std::vector<DictEntry> found;
    for (std::uint32_t ref = first; ref < last; ++ref)
        found.push_back(entry(refs_.at(ref)[0]));
    return found;
}

std::size_t DictionaryIndex::countStartingWith(std::string_view word) const
{
    // The keys are sorted and stored once each: those that start with the
    // word stand together from where it would stand.
    const std::string key = foldCase(word, turkishKeys_);
    const auto firstNotBelow = [&](const auto &below) {
        std::uint32_t low = 0;
        std::uint32_t high = keys_.count();
        while (low < high) {
            const std::uint32_t middle = low + (high - low) / 2;
            if (below(string(keys_.at(middle), 0)))
                low = middle + 1;
            else
                high = middle;
        }
        return low;
    };
    const std::uint32_t first = firstNotBelow([&](const std::string &text) { return text < key; });
    const std::uint32_t end =
        firstNotBelow([&](const std::string &text) { return text < key || text.starts_with(key); });
    return end - first;
}

ReverseIndex::Match DictionaryIndex::match(const IndexFile::Record &item, bool whole) const
{
    return ReverseIndex::Match{string(item, 0),
                               string(item, 4),
                               whole,
                               static_cast<std::uint16_t>(item[6] & 0xFFFF),
                               static_cast<std::uint16_t>(item[6] >> 16),
                               partOfSpeech(item[7] & 0xFF),
                               (item[7] & 0x100) != 0,
                               (item[7] & 0x200) != 0,
                               (item[7] & 0x400) != 0};
}

std::vector<ReverseIndex::Match> DictionaryIndex::find(std::string_view word,
                                                       std::size_t maxMatches) const
{
    // ReverseIndex::find, with the postings of the query's first word in
    // place of a scan of every translation.
    const std::string foldedWord = foldCase(word, turkishTranslations_);
    const std::vector<std::string_view> query = ReverseIndex::wordsOf(foldedWord);
    if (query.empty() || maxMatches == 0)
        return {};
    std::vector<ReverseIndex::Match> whole;
    std::vector<ReverseIndex::Match> phrases;
    const auto [first, last] = range(words_, query.front());
    for (std::uint32_t posting = first; posting < last && whole.size() < maxMatches; ++posting) {
        const IndexFile::Record item = items_.at(postings_.at(posting)[0]);
        const std::string folded = string(item, 2);
        const std::vector<std::string_view> words = ReverseIndex::wordsOf(folded);
        if (words.size() > query.size() + ReverseIndex::kExtraPhraseWords)
            continue;
        if (words == query)
            whole.push_back(match(item, true));
        else if (phrases.size() < maxMatches &&
                 std::search(words.begin(), words.end(), query.begin(), query.end()) != words.end())
            phrases.push_back(match(item, false));
    }
    whole.insert(whole.end(), std::make_move_iterator(phrases.begin()),
                 std::make_move_iterator(phrases.end()));
    if (whole.size() > maxMatches)
        whole.resize(maxMatches);
    return whole;
}

std::vector<ReverseIndex::Match> DictionaryIndex::findWhole(std::string_view word,
                                                            std::size_t maxMatches) const
{
    const std::string folded = foldCase(word, turkishTranslations_);
    if (ReverseIndex::wordsOf(folded).empty())
        return {};
    const auto [first, last] = byText(folded);
    std::vector<std::uint32_t> numbers;
    numbers.reserve(last - first);
    for (std::uint32_t at = first; at < last; ++at)
        numbers.push_back(byText_.at(at)[0]);
    // In the dictionary's order, as the postings give them.
    std::sort(numbers.begin(), numbers.end());
    if (numbers.size() > maxMatches)
        numbers.resize(maxMatches);
    std::vector<ReverseIndex::Match> whole;
    whole.reserve(numbers.size());
    for (const std::uint32_t number : numbers)
        whole.push_back(match(items_.at(number), true));
    return whole;
}

std::pair<std::uint32_t, std::uint32_t> DictionaryIndex::byText(const std::string &key) const
{
    const auto bound = [&](bool upper) {
        std::uint32_t low = 0;
        std::uint32_t high = byText_.count();
        while (low < high) {
            const std::uint32_t middle = low + (high - low) / 2;
            const std::string text = string(items_.at(byText_.at(middle)[0]), 2);
            if (upper ? !(key < text) : text < key)
                low = middle + 1;
            else
                high = middle;
        }
        return low;
    };
    return {bound(false), bound(true)};
}

std::size_t DictionaryIndex::translationCount(std::string_view word) const
{
    const auto [first, last] = byText(foldCase(trimBlanks(word), turkishTranslations_));
    return last - first;
}

} // namespace vorlinda::site
