#include "lookup/core/LanguageTable.h"

#include <array>
#include <stdexcept>

namespace vorlinda::lookup {

namespace {

struct Entry
{
    std::string_view name;
    std::string_view code;
};

// Source side. "french " keeps its trailing space: the site has always been
// sent the code that way.
constexpr std::array<Entry, LanguageTable::kSize> kSource{{
    {"ingilizce", "english"},
    {"Turkce", "turkish"},
    {"spanish", "spanish"},
    {"french ", "french "},
    {"german", "german"},
    {"italian", "italian"},
    {"dutch", "dutch"},
    {"portuguese", "portuguese"},
    {"rumanian", "rumanian"},
    {"swedish", "swedish"},
    {"danish", "danish"},
    {"polish", "polish"},
    {"czech", "czech"},
    {"serbo_croat", "serbo_croat"},
    {"hungarian", "hungarian"},
    {"finnish", "finnish"},
    {"esperanto", "esperanto"},
    {"swahili", "swahili"},
}};

const Entry &sourceEntry(int position)
{
    if (position < 0 || position >= LanguageTable::kSize)
        throw std::out_of_range("language position out of range");
    return kSource[static_cast<std::size_t>(position)];
}

// The target side differs only in its first two positions.
const Entry &targetEntry(int position)
{
    if (position == 0 || position == 1)
        return sourceEntry(1 - position);
    return sourceEntry(position);
}

} // namespace

namespace LanguageTable {

std::string_view sourceName(int position)
{
    return sourceEntry(position).name;
}
std::string_view sourceCode(int position)
{
    return sourceEntry(position).code;
}
std::string_view targetName(int position)
{
    return targetEntry(position).name;
}
std::string_view targetCode(int position)
{
    return targetEntry(position).code;
}

} // namespace LanguageTable

} // namespace vorlinda::lookup
