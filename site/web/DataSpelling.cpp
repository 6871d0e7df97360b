#include "web/DataSpelling.h"

#include <span>
#include <utility>

namespace vorlinda::site {
namespace {

using Letters = std::pair<std::string_view, std::string_view>; // as typed, as written

constexpr Letters kHungarian[] = {{"ő", "ô"}, {"ű", "û"}, {"Ő", "Ô"}, {"Ű", "Û"}};
constexpr Letters kDutch[] = {{"ij", "ĳ"}, {"IJ", "Ĳ"}, {"Ij", "Ĳ"}};

std::span<const Letters> lettersOf(std::string_view language)
{
    if (language == "hungarian")
        return kHungarian;
    if (language == "dutch")
        return kDutch;
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
