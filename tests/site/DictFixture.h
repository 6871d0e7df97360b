#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Small dictd dictionaries written by the tests themselves.
namespace DictFixture {

// A number in dictd's base64 digits.
std::string encodeNumber(std::uint64_t value);

// A dictzip file: a gzip member whose header carries the RA chunk table,
// each chunk deflated on its own with a full flush.
std::string dictzip(std::string_view text, std::size_t chunkLength);
// A plain gzip file, no chunk table.
std::string gzip(std::string_view text);

// Writes "<dir>/freedict-<pair>.index" and ".dict.dz" (dictzip, small
// chunks) from (headword, entry text) pairs, in the order given.
void writeDictionary(const std::filesystem::path &dir, std::string_view pair,
                     const std::vector<std::pair<std::string, std::string>> &entries);

// A fresh empty directory under the system's temporary directory.
std::filesystem::path freshDirectory(std::string_view name);

} // namespace DictFixture
