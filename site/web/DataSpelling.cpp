#include "web/DataSpelling.h"

#include <span>
#include <utility>

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

} // namespace

std::string DataSpelling::asWritten(std::string_view language, std::string_view word)
{
    return replaced(word, lettersOf(language), true);
}

std::string DataSpelling::mended(std::string_view language, std::string_view text)
{
    return replaced(text, lettersOf(language), false);
}

} // namespace vorlinda::site
