#include "text/TextFolding.h"

#include <array>
#include <cstdint>

namespace vorlinda::site {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// 0x80..0x9F of Windows-1254; zero marks a byte the code page leaves out.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0,      0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0,      0x0178};

char32_t windows1254CodePoint(unsigned char b)
{
    if (b < 0x80)
        return b;
    if (b < 0xA0) {
        const char32_t cp = kHighControls[b - 0x80];
        return cp != 0 ? cp : kReplacement;
    }
    // Latin-1 except the six Turkish letters.
    switch (b) {
    case 0xD0:
        return 0x011E; // Ğ
    case 0xDD:
        return 0x0130; // İ
    case 0xDE:
        return 0x015E; // Ş
    case 0xF0:
        return 0x011F; // ğ
    case 0xFD:
        return 0x0131; // ı
    case 0xFE:
        return 0x015F; // ş
    default:
        return b;
    }
}

// Decodes one code point at `i`, advancing it; malformed input yields
// U+FFFD and advances by one byte.
char32_t decodeAt(std::string_view s, std::size_t &i)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        cp = b0 & 0x1F;
        minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        cp = b0 & 0x0F;
        minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        cp = b0 & 0x07;
        minimum = 0x10000;
    } else {
        ++i;
        return kReplacement;
    }
    if (i + extra >= s.size()) {
        ++i;
        return kReplacement;
    }
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += extra + 1;
    return cp;
}

char32_t lowerCodePoint(char32_t cp, bool turkish)
{
    if (cp >= 'A' && cp <= 'Z') {
        if (cp == 'I' && turkish)
            return 0x0131;
        return cp + 0x20;
    }
    if (cp < 0xC0)
        return cp;
    if (cp <= 0xDE)
        return cp == 0xD7 ? cp : cp + 0x20;
    if (cp == 0x0130)
        return 'i';
    if (cp >= 0x0100 && cp <= 0x0137)
        return cp | 1;
    if ((cp >= 0x0139 && cp <= 0x0148) || (cp >= 0x0179 && cp <= 0x017E))
        return (cp & 1) != 0 ? cp + 1 : cp;
    if (cp >= 0x014A && cp <= 0x0177)
        return cp | 1;
    if (cp == 0x0178)
        return 0xFF;
    if (cp >= 0x0391 && cp <= 0x03AB && cp != 0x03A2)
        return cp + 0x20;
    if (cp >= 0x0410 && cp <= 0x042F)
        return cp + 0x20;
    if (cp >= 0x0400 && cp <= 0x040F)
        return cp + 0x50;
    return cp;
}

} // namespace

void appendUtf8(std::string &out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string_view trimBlanks(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string windows1254ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes)
        appendUtf8(out, windows1254CodePoint(static_cast<unsigned char>(c)));
    return out;
}

bool isValidUtf8(std::string_view bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t start = i;
        const char32_t cp = decodeAt(bytes, i);
        // A real U+FFFD takes three bytes; a one-byte step means a bad sequence.
        if (cp == kReplacement && i - start != 3)
            return false;
    }
    return true;
}

std::string wordToUtf8(std::string_view bytes)
{
    if (isValidUtf8(bytes))
        return std::string(bytes);
    return windows1254ToUtf8(bytes);
}

std::string foldCase(std::string_view utf8, bool turkish)
{
    std::string out;
    out.reserve(utf8.size());
    char32_t previous = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t cp = decodeAt(utf8, i);
        if (cp == 0x0307 && previous == 'i')
            continue;
        previous = lowerCodePoint(cp, turkish);
        appendUtf8(out, previous);
    }
    return out;
}

} // namespace vorlinda::site
