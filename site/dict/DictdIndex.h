#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlinda::site {

// A dictd ".index" file: one line per headword, "headword TAB offset TAB
// length", the numbers in dictd's base64 digits. Kept sorted by our own
// case-folded key, so the file's own collation does not matter.
class DictdIndex
{
public:
    struct Entry
    {
        std::string headword;
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
    };

    // A number in dictd's base64 digits (A-Z a-z 0-9 + /, most significant
    // first); nullopt for an empty text, a foreign character or overflow.
    static std::optional<std::uint64_t> decodeNumber(std::string_view digits);

    // Lines that do not parse are skipped, and so are dictd's own
    // "00database..." entries. `turkishKeys` picks the Turkish I/ı rule.
    static DictdIndex parse(std::string_view text, bool turkishKeys);
    // Throws std::runtime_error when the file cannot be read.
    static DictdIndex load(const std::filesystem::path &path, bool turkishKeys);

    // Every entry whose headword equals `word` without regard to case, in
    // file order.
    std::vector<Entry> find(std::string_view word) const;
    // How many headwords start with `word` (themselves included), case
    // ignored.
    std::size_t countStartingWith(std::string_view word) const;
    // How many distinct headwords (folded) there are.
    std::size_t headwordCount() const;
    // Every entry, in headword order.
    std::vector<Entry> entries() const;
    std::size_t size() const { return entries_.size(); }
    bool turkishKeys() const { return turkishKeys_; }

private:
    struct Keyed
    {
        std::string key;
        Entry entry;
    };
    std::vector<Keyed> entries_;
    bool turkishKeys_ = false;
};

} // namespace vorlinda::site
