#include "text/CharacterReferences.h"

#include "text/TextFolding.h"

#include <utility>

namespace vorlinda::site {
namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;

int digitValue(char c, int base)
{
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

// The character of the reference at the start of `text` and the reference's
// length; 0 for the length when there is none there.
std::pair<char32_t, std::size_t> referenceAt(std::string_view text)
{
    if (!text.starts_with("&#"))
        return {0, 0};
    std::size_t i = 2;
    int base = 10;
    if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    }
    const std::size_t digits = i;
    char32_t value = 0;
    for (int digit = 0; i < text.size() && (digit = digitValue(text[i], base)) >= 0; ++i) {
        // Past the last code point it only needs to stay past it.
        if (value <= kMaxCodePoint)
            value = value * static_cast<char32_t>(base) + static_cast<char32_t>(digit);
    }
    if (i == digits || i == text.size() || text[i] != ';')
        return {0, 0};
    if (value == 0 || value > kMaxCodePoint || (value >= 0xD800 && value <= 0xDFFF))
        return {0, 0};
    return {value, i + 1};
}

} // namespace

std::string decodeCharacterReferences(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        const std::size_t amp = utf8.find('&');
        out += utf8.substr(0, amp);
        if (amp == std::string_view::npos)
            break;
        utf8.remove_prefix(amp);
        const auto [codePoint, length] = referenceAt(utf8);
        if (length == 0) {
            out += '&';
            utf8.remove_prefix(1);
        } else {
            appendUtf8(out, codePoint);
            utf8.remove_prefix(length);
        }
    }
    return out;
}

} // namespace vorlinda::site
