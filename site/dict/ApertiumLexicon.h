#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlinda::site {

// Apertium's bilingual lexicons (Debian's apertium-XX-YY packages) turned
// into dictionaries of the site's own form: a dictd ".index" and a plain
// ".dict" named as FreeDict names them, so that the site reads them as it
// reads FreeDict's. They fill in a language FreeDict leaves out (Romanian,
// from apertium-es-ro). The compiled lexicon is listed with lttoolbox's
// lt-print, once, when the dictionary is missing or older than it.
namespace ApertiumLexicon {

struct Entry
{
    std::string headword;
    std::string partOfSpeech; // Apertium's first tag: "n", "vblex", "adj"...
    std::vector<std::string> translations;
};

// The entries of a bilingual transducer as lt-print lists it (AT&T lines,
// "--" between sections): every path of its sections without loops (the
// lexicon; a section with loops matches patterns, not words), the left side
// the headword, the right side a translation. Lemmas lose Apertium's "#"
// and their tags; one entry per headword and part of speech, in order of
// appearance, each translation once.
std::vector<Entry> fromListing(std::string_view listing);

// An entry as a FreeDict entry's text: "headword <n>\ntranslation, ...\n".
std::string entryText(const Entry &entry);

// The FreeDict file name of a language's two-letter code ("ro" -> "ron"),
// empty for a language the site does not know.
std::string_view threeLetterCode(std::string_view twoLetter);

// For each "apertium-XX-YY" folder of `apertiumDirectory` whose languages
// `wanted` takes (three-letter codes), writes "freedict-XXX-YYY" and
// "freedict-YYY-XXX" into `outDirectory` where missing or older than the
// lexicon. A headword with Romanian's "ș" or "ț" is also found as Turkish
// keyboards write it, with the cedilla ("oraş"). `listing` gives lt-print's
// listing of a compiled lexicon (a test can stand in for lt-print) and
// throws std::runtime_error when it cannot; such a lexicon is told to
// `failed` and skipped.
void prepare(const std::filesystem::path &apertiumDirectory,
             const std::filesystem::path &outDirectory,
             const std::function<bool(std::string_view, std::string_view)> &wanted,
             const std::function<void(const std::string &)> &failed,
             const std::function<std::string(const std::filesystem::path &)> &listing);

// lt-print's listing of a compiled transducer; throws std::runtime_error
// when lt-print is missing or fails.
std::string ltPrint(const std::filesystem::path &bin);

} // namespace ApertiumLexicon
} // namespace vorlinda::site
