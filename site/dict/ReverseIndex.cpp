#include "dict/ReverseIndex.h"

#include "dict/DictEntry.h"
#include "text/TextFolding.h"

#include <algorithm>
#include <type_traits>
#include <unordered_set>

namespace vorlinda::site {
bool ReverseIndex::isWordByte(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return b >= 0x80 || (b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z');
}

std::vector<std::string_view> ReverseIndex::wordsOf(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && !isWordByte(text[i]))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && isWordByte(text[i]))
            ++i;
        if (i > start)
            words.push_back(text.substr(start, i - start));
    }
    return words;
}

ReverseIndex ReverseIndex::build(const DictdIndex &index, const DictZipFile &text, bool turkish,
                                 const DictEntry::Context &context)
{
    ReverseIndex reverse(turkish);
    const std::vector<DictdIndex::Entry> entries = index.entries();
    std::uint64_t end = 0;
    for (const DictdIndex::Entry &entry : entries)
        end = std::max(end, entry.offset + entry.length);
    // One read of the whole text: entry by entry, every dictzip chunk would
    // be inflated again for each of the hundreds of entries it holds.
    const std::string all = text.read(0, end);
    std::unordered_set<std::uint64_t> seen; // several headwords may share an entry
    for (const DictdIndex::Entry &entry : entries) {
        if (entry.offset >= all.size() || !seen.insert(entry.offset).second)
            continue;
        const DictEntry parsed =
            DictEntry::parse(std::string_view(all).substr(entry.offset, entry.length), context);
        reverse.add(parsed, parsed.headword.empty() ? entry.headword : parsed.headword);
    }
    reverse.finish();
    return reverse;
}

void ReverseIndex::finish()
{
    byText_.resize(items_.size());
    for (std::uint32_t i = 0; i < byText_.size(); ++i)
        byText_[i] = i;
    std::sort(byText_.begin(), byText_.end(), [&](std::uint32_t a, std::uint32_t b) {
        return foldedOf(items_[a]) < foldedOf(items_[b]);
    });
}

void ReverseIndex::add(const DictEntry &entry, const std::string &headword)
{
    Item item;
    item.partOfSpeech = entry.partOfSpeech;
    item.secondary = entry.secondary;
    item.flat = entry.isFlatList();
    item.headword = static_cast<std::uint32_t>(headwords_.size());
    headwords_.push_back(headword);
    for (const DictEntry::Translation &translation : entry.translations) {
        if (translation.sourceText)
            continue;
        item.sense = translation.sense;
        item.place = translation.place;
        addItem(item, translation.text);
    }
    // A compound translates its own headword, after the entry's senses.
    item.sense = entry.senses;
    item.place = 0;
    item.compound = true;
    item.flat = false;
    for (const DictEntry::SubEntry &sub : entry.subEntries) {
        item.headword = static_cast<std::uint32_t>(headwords_.size());
        headwords_.push_back(sub.headword);
        addItem(item, sub.translation);
    }
}

void ReverseIndex::addItem(Item item, std::string_view translation)
{
    item.text = static_cast<std::uint32_t>(texts_.size());
    texts_ += translation;
    item.textEnd = static_cast<std::uint32_t>(texts_.size());
    item.folded = static_cast<std::uint32_t>(folded_.size());
    folded_ += foldCase(translation, turkish_);
    item.foldedEnd = static_cast<std::uint32_t>(folded_.size());
    // A line end between two translations keeps a word from running into
    // the next one.
    folded_ += '\n';
    items_.push_back(item);
}

std::vector<ReverseIndex::Match> ReverseIndex::findWhole(std::string_view word,
                                                         std::size_t maxMatches) const
{
    const std::string folded = foldCase(word, turkish_);
    if (wordsOf(folded).empty())
        return {};
    const auto [first, last] = textRange(folded);
    std::vector<std::uint32_t> numbers(first, last);
    // In the dictionary's order, as find gives them.
    std::sort(numbers.begin(), numbers.end());
    if (numbers.size() > maxMatches)
        numbers.resize(maxMatches);
    std::vector<Match> whole;
    for (const std::uint32_t number : numbers) {
        const Item &item = items_[number];
        whole.push_back({texts_.substr(item.text, item.textEnd - item.text),
                         headwords_[item.headword], true, item.sense, item.place, item.partOfSpeech,
                         item.secondary, item.compound, item.flat});
    }
    return whole;
}

std::size_t ReverseIndex::translationCount(std::string_view word) const
{
    const auto [first, last] = textRange(foldCase(trimBlanks(word), turkish_));
    return static_cast<std::size_t>(last - first);
}

std::pair<std::vector<std::uint32_t>::const_iterator, std::vector<std::uint32_t>::const_iterator>
ReverseIndex::textRange(const std::string &folded) const
{
    return std::equal_range(
        byText_.begin(), byText_.end(), std::string_view(folded),
        [this](const auto &a, const auto &b) {
            const auto text = [this](const auto &side) -> std::string_view {
                if constexpr (std::is_same_v<std::decay_t<decltype(side)>, std::string_view>)
                    return side;
                else
                    return foldedOf(items_[side]);
            };
            return text(a) < text(b);
        });
}

std::string_view ReverseIndex::foldedOf(const Item &item) const
{
    return std::string_view(folded_).substr(item.folded, item.foldedEnd - item.folded);
}

std::vector<ReverseIndex::Match> ReverseIndex::find(std::string_view word,
                                                    std::size_t maxMatches) const
{
    const std::string foldedWord = foldCase(word, turkish_);
    const std::vector<std::string_view> query = wordsOf(foldedWord);
    if (query.empty() || maxMatches == 0)
        return {};
    const std::string_view first = query.front();
    const std::string_view all = folded_;

    std::vector<Match> whole;
    std::vector<Match> phrases;
    const auto match = [&](const Item &item, bool isWhole) {
        return Match{texts_.substr(item.text, item.textEnd - item.text),
                     headwords_[item.headword],
                     isWhole,
                     item.sense,
                     item.place,
                     item.partOfSpeech,
                     item.secondary,
                     item.compound,
                     item.flat};
    };
    for (std::size_t at = all.find(first);
         at != std::string_view::npos && whole.size() < maxMatches; at = all.find(first, at + 1)) {
        const std::size_t after = at + first.size();
        if ((at > 0 && isWordByte(all[at - 1])) || (after < all.size() && isWordByte(all[after])))
            continue;
        const auto item = std::prev(std::upper_bound(
            items_.begin(), items_.end(), at, [](std::size_t position, const Item &candidate) {
                return position < candidate.folded;
            }));
        const std::vector<std::string_view> words = wordsOf(foldedOf(*item));
        if (words.size() <= query.size() + kExtraPhraseWords) {
            if (words == query) {
                whole.push_back(match(*item, true));
            } else if (phrases.size() < maxMatches &&
                       std::search(words.begin(), words.end(), query.begin(), query.end()) !=
                           words.end()) {
                phrases.push_back(match(*item, false));
            }
        }
        at = item->foldedEnd; // each translation once
    }
    whole.insert(whole.end(), std::make_move_iterator(phrases.begin()),
                 std::make_move_iterator(phrases.end()));
    if (whole.size() > maxMatches)
        whole.resize(maxMatches);
    return whole;
}

} // namespace vorlinda::site
