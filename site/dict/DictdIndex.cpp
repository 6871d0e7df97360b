#include "dict/DictdIndex.h"

#include "text/TextFolding.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vorlinda::site {
namespace {

int digitValue(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

bool isDatabaseEntry(std::string_view headword)
{
    return headword.starts_with("00database") || headword.starts_with("00-database");
}

} // namespace

std::optional<std::uint64_t> DictdIndex::decodeNumber(std::string_view digits)
{
    // Eleven digits would already pass 64 bits.
    if (digits.empty() || digits.size() > 10)
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : digits) {
        const int d = digitValue(c);
        if (d < 0)
            return std::nullopt;
        value = value * 64 + static_cast<std::uint64_t>(d);
    }
    return value;
}

DictdIndex DictdIndex::parse(std::string_view text, bool turkishKeys)
{
    DictdIndex index;
    index.turkishKeys_ = turkishKeys;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        const std::size_t tab1 = line.find('\t');
        if (tab1 == std::string_view::npos || tab1 == 0)
            continue;
        const std::size_t tab2 = line.find('\t', tab1 + 1);
        if (tab2 == std::string_view::npos)
            continue;
        // Some indexes carry a fourth column (the original headword); ignore it.
        const std::size_t tab3 = line.find('\t', tab2 + 1);
        const std::string_view headword = line.substr(0, tab1);
        const auto offset = decodeNumber(line.substr(tab1 + 1, tab2 - tab1 - 1));
        const auto length = decodeNumber(
            line.substr(tab2 + 1, tab3 == std::string_view::npos ? tab3 : tab3 - tab2 - 1));
        if (!offset || !length || isDatabaseEntry(headword))
            continue;
        index.entries_.push_back(
            {foldCase(headword, turkishKeys), {std::string(headword), *offset, *length}});
    }
    std::stable_sort(index.entries_.begin(), index.entries_.end(),
                     [](const Keyed &a, const Keyed &b) { return a.key < b.key; });
    return index;
}

DictdIndex DictdIndex::load(const std::filesystem::path &path, bool turkishKeys)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    return parse(text.str(), turkishKeys);
}

std::vector<DictdIndex::Entry> DictdIndex::find(std::string_view word) const
{
    const std::string key = foldCase(word, turkishKeys_);
    auto range =
        std::equal_range(entries_.begin(), entries_.end(), key, [](const auto &a, const auto &b) {
            if constexpr (std::is_same_v<std::decay_t<decltype(a)>, Keyed>)
                return a.key < b;
            else
                return a < b.key;
        });
    std::vector<Entry> found;
    for (auto it = range.first; it != range.second; ++it)
        found.push_back(it->entry);
    return found;
}

std::size_t DictdIndex::countStartingWith(std::string_view word) const
{
    const std::string key = foldCase(word, turkishKeys_);
    auto at = std::lower_bound(entries_.begin(), entries_.end(), key,
                               [](const Keyed &a, const std::string &b) { return a.key < b; });
    std::size_t count = 0;
    const std::string *last = nullptr;
    for (; at != entries_.end() && at->key.starts_with(key); ++at) {
        if (last == nullptr || *last != at->key)
            ++count;
        last = &at->key;
    }
    return count;
}

std::size_t DictdIndex::headwordCount() const
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i)
        count += i == 0 || entries_[i].key != entries_[i - 1].key ? 1 : 0;
    return count;
}

std::vector<DictdIndex::Entry> DictdIndex::entries() const
{
    std::vector<Entry> all;
    all.reserve(entries_.size());
    for (const Keyed &keyed : entries_)
        all.push_back(keyed.entry);
    return all;
}

} // namespace vorlinda::site
