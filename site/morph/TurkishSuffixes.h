#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorlinda::site {

// Turkish stems guessed by taking common endings off a word, for the forms
// Hunspell's Turkish dictionary lists as words of their own ("kitabı",
// "gidiyorum"): case endings, possessives, plurals, and the usual tense and
// person endings of verbs, up to four in a row.
namespace TurkishSuffixes {

struct Candidate
{
    std::string stem;
    bool verb = false; // reached through a verb's ending: "gel" of "geldi"

    bool operator==(const Candidate &) const = default;
};

// The candidate stems of `word` (UTF-8, letter case ignored), longest
// first, each marked when it is a verb's; each stem ending in a softened consonant ("kitab",
// "çocuğ", "gid") is followed by its dictionary spelling ("kitap", "çocuk", "git"). The word itself
// is not among them, nor stems shorter than three letters, and a stem before the progressive ending
// also comes with the "a" or "e" it lost
// ("istiyor": "ist", "ista", "iste"). Most candidates are not words: the caller keeps
// the first that its dictionaries know.
std::vector<Candidate> candidates(std::string_view word);

// The infinitive of a verb stem by vowel harmony: "gel" -> "gelmek",
// "oku" -> "okumak".
std::string infinitive(std::string_view stem);

} // namespace TurkishSuffixes
} // namespace vorlinda::site
