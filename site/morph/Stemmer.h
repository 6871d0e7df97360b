#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class Hunspell;

namespace vorlinda::site {

// One language's Hunspell dictionary (".aff" and ".dic"), asked for the
// dictionary forms of a word. Words go in and come out as UTF-8 whatever the
// dictionary's own encoding (its "SET" line).
class Stemmer
{
public:
    // Null when either file is missing: that language has no morphology.
    static std::unique_ptr<Stemmer> open(const std::filesystem::path &affPath,
                                         const std::filesystem::path &dicPath);
    ~Stemmer();

    // Hunspell's stems of `word`, or where it gives none, the "st:" fields of
    // its analyses; in Hunspell's order, without repeats. Empty for a word
    // Hunspell does not know or cannot write in the dictionary's encoding.
    std::vector<std::string> stems(std::string_view word) const;

    // True when Hunspell takes `word` as a correctly spelt word.
    bool knows(std::string_view word) const;

private:
    Stemmer(std::unique_ptr<Hunspell> hunspell, std::string encoding);

    std::unique_ptr<Hunspell> hunspell_;
    std::string encoding_; // empty for UTF-8
    // Hunspell keeps scratch state in the object; the site's threads take turns.
    mutable std::mutex mutex_;
};

} // namespace vorlinda::site
