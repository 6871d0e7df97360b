#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vorlinda::site {

// WordNet's lists of English forms no rule derives ("went go", "mice mouse",
// "better good well"): the base forms of irregular verbs, nouns and
// adjectives, which Hunspell's English dictionary lists as words of their own.
class WordNetExceptions
{
public:
    // Reads "noun.exc", "verb.exc", "adj.exc" and "adv.exc" of `directory`;
    // a missing file adds nothing.
    static WordNetExceptions load(const std::filesystem::path &directory);

    // The base forms of `word` (ASCII letter case ignored), nouns first, then
    // verbs, adjectives and adverbs, without repeats.
    std::vector<std::string> bases(std::string_view word) const;

    std::size_t size() const { return bases_.size(); }

private:
    std::unordered_map<std::string, std::vector<std::string>> bases_;
};

} // namespace vorlinda::site
