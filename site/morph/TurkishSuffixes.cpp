#include "morph/TurkishSuffixes.h"

#include "text/TextFolding.h"

#include <algorithm>
#include <array>

namespace vorlinda::site::TurkishSuffixes {
namespace {

// Endings in every vowel-harmony form, with the buffer consonants
// (y, n, s) that join them to a vowel. These may end nouns and verbs alike.
constexpr auto kEndings = std::to_array<std::string_view>(
    {// plural
     "lar", "ler",
     // case: accusative, dative, locative, ablative, genitive, instrumental
     "ı", "i", "u", "ü", "yı", "yi", "yu", "yü", "a", "e", "ya", "ye", "na", "ne", "da", "de", "ta",
     "te", "nda", "nde", "dan", "den", "tan", "ten", "ndan", "nden", "ın", "in", "un", "ün", "nın",
     "nin", "nun", "nün", "la", "le", "yla", "yle", "ki", "nı", "ni", "nu", "nü",
     // possessives, and the persons of verbs
     "m", "ım", "im", "um", "üm", "n", "sı", "si", "su", "sü", "mız", "miz", "muz", "müz", "ımız",
     "imiz", "umuz", "ümüz", "nız", "niz", "nuz", "nüz", "ınız", "iniz", "unuz", "ünüz", "ları",
     "leri", "k", "sın", "sin", "sun", "sün", "ız", "iz", "uz", "üz", "sınız", "siniz", "sunuz",
     "sünüz", "yım", "yim", "yum", "yüm", "yız", "yiz", "yuz", "yüz", "dır", "dir", "dur", "dür",
     "tır", "tir", "tur", "tür"});

// Endings only verbs take: what is left is a verb stem, known by its
// infinitive.
constexpr auto kVerbEndings = std::to_array<std::string_view>(
    {// progressive, past, reported past, future, aorist, negation
     "yor", "ıyor", "iyor", "uyor", "üyor", "dı",  "di",   "du",   "dü",    "tı",    "ti",
     "tu",  "tü",   "mış",  "miş",  "muş",  "müş", "acak", "ecek", "yacak", "yecek", "ar",
     "er",  "ır",   "ir",   "ur",   "ür",   "r",   "ma",   "me",   "mak",   "mek"});

constexpr int kMaxEndings = 4;

constexpr std::string_view kVowels[] = {"a", "e", "ı", "i", "o", "ö", "u", "ü"};

// The last vowel of `word`; empty when it has none.
std::string_view lastVowel(std::string_view word)
{
    std::size_t best = std::string_view::npos;
    std::string_view vowel;
    for (const std::string_view v : kVowels) {
        const std::size_t pos = word.rfind(v);
        if (pos != std::string_view::npos && (best == std::string_view::npos || pos > best)) {
            best = pos;
            vowel = v;
        }
    }
    return vowel;
}

// A guessed stem keeps a vowel and three letters: shorter ones match too
// much ("is" in "istiyorum"); Hunspell finds the short stems ("ev", "su").
bool plausibleStem(std::string_view stem)
{
    const auto letters = std::count_if(stem.begin(), stem.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    });
    return letters >= 3 && !lastVowel(stem).empty();
}

// Before the progressive ending a stem's last "a" or "e" narrows:
// iste + iyor is "istiyor", söyle + yor "söylüyor".
bool narrowsAVowel(std::string_view suffix)
{
    return suffix == "ıyor" || suffix == "iyor" || suffix == "uyor" || suffix == "üyor";
}

// The dictionary spelling of a stem whose last consonant softened before a
// vowel: kitab -> kitap, ağac -> ağaç, gid -> git, çocuğ -> çocuk, reng -> renk.
std::string hardened(std::string_view stem)
{
    constexpr std::pair<std::string_view, std::string_view> kPairs[] = {
        {"b", "p"}, {"c", "ç"}, {"d", "t"}, {"ğ", "k"}, {"g", "k"}};
    for (const auto &[soft, hard] : kPairs)
        if (stem.ends_with(soft))
            return std::string(stem.substr(0, stem.size() - soft.size())) + std::string(hard);
    return {};
}

} // namespace

std::vector<Candidate> candidates(std::string_view word)
{
    const std::string folded = foldCase(word, true);
    std::vector<Candidate> stems;
    const auto known = [&](const std::vector<Candidate> &list, const Candidate &candidate) {
        return std::find(list.begin(), list.end(), candidate) != list.end();
    };
    std::vector<Candidate> frontier{{folded, false}};
    for (int depth = 0; depth < kMaxEndings && !frontier.empty(); ++depth) {
        std::vector<Candidate> next;
        const auto strip = [&](const Candidate &form, std::string_view suffix, bool verb) {
            if (!form.stem.ends_with(suffix))
                return;
            const std::string stem = form.stem.substr(0, form.stem.size() - suffix.size());
            std::vector<std::string> found{stem};
            if (narrowsAVowel(suffix))
                found.insert(found.end(), {stem + "a", stem + "e"});
            for (std::string &guess : found) {
                Candidate candidate{std::move(guess), form.verb || verb};
                if (plausibleStem(candidate.stem) && candidate.stem != folded &&
                    !known(stems, candidate) && !known(next, candidate))
                    next.push_back(std::move(candidate));
            }
        };
        for (const Candidate &form : frontier) {
            for (const std::string_view suffix : kEndings)
                strip(form, suffix, false);
            for (const std::string_view suffix : kVerbEndings)
                strip(form, suffix, true);
        }
        stems.insert(stems.end(), next.begin(), next.end());
        frontier = std::move(next);
    }
    std::stable_sort(stems.begin(), stems.end(), [](const Candidate &a, const Candidate &b) {
        return a.stem.size() > b.stem.size();
    });
    std::vector<Candidate> out;
    for (Candidate &candidate : stems) {
        Candidate hard{hardened(candidate.stem), candidate.verb};
        if (!known(out, candidate))
            out.push_back(std::move(candidate));
        if (!hard.stem.empty() && !known(out, hard))
            out.push_back(std::move(hard));
    }
    return out;
}

std::string infinitive(std::string_view stem)
{
    const std::string_view vowel = lastVowel(stem);
    const bool back = vowel == "a" || vowel == "ı" || vowel == "o" || vowel == "u";
    return std::string(stem) + (back ? "mak" : "mek");
}

} // namespace vorlinda::site::TurkishSuffixes
