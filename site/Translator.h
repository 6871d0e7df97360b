#pragma once

#include "Dictionary.h"
#include "SiteLanguages.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorlinda::site {

struct TranslationPair
{
    std::string source;
    std::string translation;

    bool operator==(const TranslationPair &) const = default;
};

// Finds the FreeDict dictionaries of a directory ("freedict-eng-tur.index"
// with ".dict.dz" or ".dict") and answers lookups between the program's
// languages. A pair without its own dictionary, or whose dictionary lacks
// the word, goes through English when both halves exist (Spanish to
// Turkish: Spanish to English, then English to Turkish).
class Translator
{
public:
    explicit Translator(const std::filesystem::path &dictionaryDirectory);

    // Up to `maxPairs` pairs for `word` (UTF-8); empty when nothing is found,
    // a code is unknown or a dictionary file cannot be read.
    std::vector<TranslationPair> translate(std::string_view fromCode, std::string_view toCode,
                                           std::string_view word, std::size_t maxPairs) const;

    // True when `translate` can answer this pair at all.
    bool serves(std::string_view fromCode, std::string_view toCode) const;

    // The pairs with a dictionary of their own, as "english>turkish".
    std::vector<std::string> directPairs() const;

private:
    using Key = std::pair<std::string, std::string>;
    std::vector<TranslationPair> direct(const Key &key, std::string_view word,
                                        std::size_t maxPairs) const;

    std::map<Key, std::vector<std::unique_ptr<Dictionary>>> dictionaries_;
};

} // namespace vorlinda::site
