#include "platform/Cp1254.h"

#include <array>
#include <cstdint>

namespace vorlinda::platform {

namespace {

// Code points of bytes 0x80..0x9F. The seven bytes Windows-1254 leaves
// undefined map to the C1 control of the same value, so that every byte
// survives a decode and encode.
constexpr std::array<char16_t, 32> kSpecials{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x008E, 0x008F, // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x009E, 0x0178, // 98
};

char16_t codePointOf(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return kSpecials[byte - 0x80];
    // Windows-1254 is Latin-1 above 0x9F but for six Turkish letters.
    switch (byte) {
    case 0xD0:
        return u'Ğ';
    case 0xDD:
        return u'İ';
    case 0xDE:
        return u'Ş';
    case 0xF0:
        return u'ğ';
    case 0xFD:
        return u'ı';
    case 0xFE:
        return u'ş';
    default:
        return byte;
    }
}

// The reverse table, built once: a code point below 0x10000 to its byte, or
// to '?' when the code page lacks it: one look-up per character instead of a
// scan of the 256 codes.
struct EncodeTable
{
    std::array<char, 0x10000> bytes{};
    EncodeTable()
    {
        bytes.fill('?');
        for (int byte = 255; byte >= 0; --byte)
            bytes[codePointOf(static_cast<unsigned char>(byte))] = static_cast<char>(byte);
    }
    char byteFor(char16_t codePoint) const { return bytes[codePoint]; }
};

} // namespace

namespace Cp1254 {

namespace {

// `lacking` writes a character the code page lacks: its code point, or 0
// for a lone surrogate, which is no character at all.
template <typename Lacking> std::string encodeWith(const QString &text, Lacking lacking)
{
    static const EncodeTable kTable;
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        if (unit < 0x80) {
            bytes.push_back(static_cast<char>(unit));
        } else if (QChar::isSurrogate(unit)) {
            // A pair is one character outside the code page.
            char32_t codePoint = 0;
            if (QChar::isHighSurrogate(unit) && i + 1 < text.size() &&
                text.at(i + 1).isLowSurrogate()) {
                codePoint = QChar::surrogateToUcs4(unit, text.at(i + 1).unicode());
                ++i;
            }
            lacking(bytes, codePoint);
        } else if (const char byte = kTable.byteFor(unit); byte != '?') {
            bytes.push_back(byte);
        } else {
            lacking(bytes, unit);
        }
    }
    return bytes;
}

} // namespace

std::string encode(const QString &text)
{
    return encodeWith(text, [](std::string &bytes, char32_t) { bytes.push_back('?'); });
}

std::string encodeFormField(const QString &text)
{
    return encodeWith(text, [](std::string &bytes, char32_t codePoint) {
        if (codePoint == 0) {
            bytes.push_back('?');
            return;
        }
        bytes += "&#";
        bytes += std::to_string(static_cast<std::uint32_t>(codePoint));
        bytes += ';';
    });
}

QString decode(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char byte : bytes)
        text.append(QChar(codePointOf(static_cast<unsigned char>(byte))));
    return text;
}

} // namespace Cp1254

} // namespace vorlinda::platform
