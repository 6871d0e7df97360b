#include "web/DataSpelling.h"

#include <algorithm>
#include <span>
#include <utility>
#include <vector>

namespace vorlinda::site {
namespace {

using Letters = std::pair<std::string_view, std::string_view>; // as typed, as written

constexpr Letters kHungarian[] = {{"ő", "ô"}, {"ű", "û"}, {"Ő", "Ô"}, {"Ű", "Û"}};
constexpr Letters kDutch[] = {{"ij", "ĳ"}, {"IJ", "Ĳ"}, {"Ij", "Ĳ"}};
// Serbian's files are written in Cyrillic, Croatian's in Latin letters: one
// language, letter for letter the same in either script, shown in Latin.
// The digraphs go first, so that "lj" is љ, not лј.
constexpr Letters kSerboCroat[] = {
    {"lj", "љ"}, {"nj", "њ"}, {"dž", "џ"}, {"Lj", "Љ"}, {"LJ", "Љ"}, {"Nj", "Њ"}, {"NJ", "Њ"},
    {"Dž", "Џ"}, {"DŽ", "Џ"}, {"a", "а"},  {"b", "б"},  {"v", "в"},  {"g", "г"},  {"d", "д"},
    {"đ", "ђ"},  {"e", "е"},  {"ž", "ж"},  {"z", "з"},  {"i", "и"},  {"j", "ј"},  {"k", "к"},
    {"l", "л"},  {"m", "м"},  {"n", "н"},  {"o", "о"},  {"p", "п"},  {"r", "р"},  {"s", "с"},
    {"t", "т"},  {"ć", "ћ"},  {"u", "у"},  {"f", "ф"},  {"h", "х"},  {"c", "ц"},  {"č", "ч"},
    {"š", "ш"},  {"A", "А"},  {"B", "Б"},  {"V", "В"},  {"G", "Г"},  {"D", "Д"},  {"Đ", "Ђ"},
    {"E", "Е"},  {"Ž", "Ж"},  {"Z", "З"},  {"I", "И"},  {"J", "Ј"},  {"K", "К"},  {"L", "Л"},
    {"M", "М"},  {"N", "Н"},  {"O", "О"},  {"P", "П"},  {"R", "Р"},  {"S", "С"},  {"T", "Т"},
    {"Ć", "Ћ"},  {"U", "У"},  {"F", "Ф"},  {"H", "Х"},  {"C", "Ц"},  {"Č", "Ч"},  {"Š", "Ш"}};

std::span<const Letters> lettersOf(std::string_view language)
{
    if (language == "hungarian")
        return kHungarian;
    if (language == "dutch")
        return kDutch;
    if (language == "serbo_croat")
        return kSerboCroat;
    return {};
}

std::string replaced(std::string_view text, std::span<const Letters> letters, bool toWritten)
{
    std::string out(text);
    for (const auto &[typed, written] : letters) {
        const std::string_view from = toWritten ? typed : written;
        const std::string_view to = toWritten ? written : typed;
        for (std::size_t at = out.find(from); at != std::string::npos;
             at = out.find(from, at + to.size()))
            out.replace(at, from.size(), to);
    }
    return out;
}

// The German and English files write a verb with stand-ins for its objects
// ("etw. hören", "hear sth.", "listen to sb./sth."): the verb is the words
// around them. A text of stand-ins alone stays.
bool isPlaceholder(std::string_view language, std::string_view word)
{
    constexpr std::string_view kGerman[] = {"etw", "jdn", "jdm", "jds"};
    constexpr std::string_view kEnglish[] = {"sth", "sb", "sb's", "sth's"};
    const std::span<const std::string_view> known =
        language == "german" ? std::span(kGerman) : std::span(kEnglish);
    // Each of "jdm./etw." is one.
    for (std::size_t at = 0; at <= word.size();) {
        std::size_t end = word.find('/', at);
        if (end == std::string_view::npos)
            end = word.size();
        std::string_view part = word.substr(at, end - at);
        if (part.ends_with('.'))
            part.remove_suffix(1);
        if (std::find(known.begin(), known.end(), part) == known.end())
            return false;
        at = end + 1;
    }
    return true;
}

// The German files put the stand-ins first ("jdm. etw. geben"), the English
// ones last ("listen to sb./sth."); one inside a phrase ("von jdm./etw.
// hören") is part of it.
std::string withoutPlaceholders(std::string_view language, std::string text)
{
    if (language != "german" && language != "english")
        return text;
    std::vector<std::string_view> words;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find(' ', at);
        if (end == std::string::npos)
            end = text.size();
        words.push_back(std::string_view(text).substr(at, end - at));
        at = end + 1;
    }
    std::size_t first = 0, last = words.size();
    if (language == "german")
        while (first < last && isPlaceholder(language, words[first]))
            ++first;
    else
        while (last > first && isPlaceholder(language, words[last - 1]))
            --last;
    if (first == last || last - first == words.size())
        return text;
    std::string kept(words[first]);
    for (std::size_t i = first + 1; i < last; ++i)
        kept += " " + std::string(words[i]);
    return kept;
}

} // namespace

std::string DataSpelling::asWritten(std::string_view language, std::string_view word)
{
    return replaced(word, lettersOf(language), true);
}

std::string DataSpelling::mended(std::string_view language, std::string_view text)
{
    return withoutPlaceholders(language, replaced(text, lettersOf(language), false));
}

} // namespace vorlinda::site
