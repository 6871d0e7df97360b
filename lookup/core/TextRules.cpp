#include "lookup/core/TextRules.h"

#include <algorithm>
#include <array>

namespace vorlinda::lookup {

namespace {

char lowerByte(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalNoCase(char a, char b)
{
    return lowerByte(a) == lowerByte(b);
}

std::ptrdiff_t toPosition(std::string_view::size_type index)
{
    return index == std::string_view::npos ? 0 : static_cast<std::ptrdiff_t>(index) + 1;
}

} // namespace

namespace TextRules {

std::string lowerAscii(std::string_view text)
{
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(), lowerByte);
    return lowered;
}

bool containsNoCase(std::string_view text, std::string_view phrase)
{
    return phrase.empty() || positionOfNoCase(text, phrase) != 0;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), equalNoCase);
}

std::string_view trimBlanks(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string cutAtNul(std::string_view text)
{
    return std::string(text.substr(0, text.find('\0')));
}

std::ptrdiff_t positionOf(std::string_view text, std::string_view needle)
{
    return toPosition(text.find(needle));
}

std::ptrdiff_t positionOfNoCase(std::string_view text, std::string_view needle)
{
    // Boyer-Moore-Horspool over lowered bytes: the not-found phrase is looked
    // for in the whole response, megabytes of it at times, and this steps
    // over it by up to the needle's length where a plain search takes every
    // byte. Alignments are tried from the left, so the first match is the
    // first occurrence.
    const std::size_t m = needle.size();
    if (m == 0)
        return 1;
    const auto key = [](char c) { return static_cast<unsigned char>(lowerByte(c)); };
    std::array<std::size_t, 256> skip;
    skip.fill(m);
    for (std::size_t i = 0; i + 1 < m; ++i)
        skip[key(needle[i])] = m - 1 - i;
    for (std::size_t at = 0; at + m <= text.size(); at += skip[key(text[at + m - 1])]) {
        std::size_t i = m;
        while (i > 0 && equalNoCase(text[at + i - 1], needle[i - 1]))
            --i;
        if (i == 0)
            return static_cast<std::ptrdiff_t>(at) + 1;
    }
    return 0;
}

std::string_view partFrom(std::string_view text, std::ptrdiff_t k)
{
    if (k < 1)
        return text;
    const auto index = static_cast<std::size_t>(k - 1);
    return index >= text.size() ? std::string_view{} : text.substr(index);
}

std::string_view firstChars(std::string_view text, std::ptrdiff_t n)
{
    if (n <= 0)
        return {};
    return text.substr(0, static_cast<std::size_t>(n));
}

} // namespace TextRules

} // namespace vorlinda::lookup
