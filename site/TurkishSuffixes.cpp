#include "TurkishSuffixes.h"

#include "TextFolding.h"

#include <algorithm>
#include <array>

namespace vorlinda::site::TurkishSuffixes {
namespace {

// Endings in every vowel-harmony form, with the buffer consonants
// (y, n, s) that join them to a vowel.
constexpr auto kSuffixes = std::to_array<std::string_view>(
    {// plural
     "lar", "ler",
     // case: accusative, dative, locative, ablative, genitive, instrumental
     "ı", "i", "u", "ü", "yı", "yi", "yu", "yü", "a", "e", "ya", "ye", "na", "ne", "da", "de", "ta",
     "te", "nda", "nde", "dan", "den", "tan", "ten", "ndan", "nden", "ın", "in", "un", "ün", "nın",
     "nin", "nun", "nün", "la", "le", "yla", "yle", "ki", "nı", "ni", "nu", "nü",
     // possessives
     "m", "ım", "im", "um", "üm", "n", "sı", "si", "su", "sü", "mız", "miz", "muz", "müz", "ımız",
     "imiz", "umuz", "ümüz", "nız", "niz", "nuz", "nüz", "ınız", "iniz", "unuz", "ünüz", "ları",
     "leri",
     // verbs: progressive, past, reported past, future, aorist, negation
     "yor", "ıyor", "iyor", "uyor", "üyor", "dı", "di", "du", "dü", "tı", "ti", "tu", "tü", "mış",
     "miş", "muş", "müş", "acak", "ecek", "yacak", "yecek", "ar", "er", "ır", "ir", "ur", "ür", "r",
     "ma", "me", "mak", "mek",
     // verbs: persons
     "k", "sın", "sin", "sun", "sün", "ız", "iz", "uz", "üz", "sınız", "siniz", "sunuz", "sünüz",
     "yım", "yim", "yum", "yüm", "yız", "yiz", "yuz", "yüz", "dır", "dir", "dur", "dür", "tır",
     "tir", "tur", "tür"});

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

// A stem keeps at least a vowel and one more letter.
bool plausibleStem(std::string_view stem)
{
    return stem.size() >= 2 && !lastVowel(stem).empty();
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

std::vector<std::string> candidates(std::string_view word)
{
    const std::string folded = foldCase(word, true);
    std::vector<std::string> stems;
    std::vector<std::string> frontier{folded};
    for (int depth = 0; depth < kMaxEndings && !frontier.empty(); ++depth) {
        std::vector<std::string> next;
        for (const std::string &form : frontier) {
            for (const std::string_view suffix : kSuffixes) {
                if (!form.ends_with(suffix))
                    continue;
                std::string stem = form.substr(0, form.size() - suffix.size());
                if (!plausibleStem(stem) || stem == folded ||
                    std::find(stems.begin(), stems.end(), stem) != stems.end() ||
                    std::find(next.begin(), next.end(), stem) != next.end())
                    continue;
                next.push_back(std::move(stem));
            }
        }
        stems.insert(stems.end(), next.begin(), next.end());
        frontier = std::move(next);
    }
    std::stable_sort(stems.begin(), stems.end(), [](const std::string &a, const std::string &b) {
        return a.size() > b.size();
    });
    std::vector<std::string> out;
    for (std::string &stem : stems) {
        std::string hard = hardened(stem);
        if (std::find(out.begin(), out.end(), stem) == out.end())
            out.push_back(std::move(stem));
        if (!hard.empty() && std::find(out.begin(), out.end(), hard) == out.end())
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
