#pragma once

#include <string>
#include <string_view>

// Text helpers of the site: the program sends words as Windows-1254 bytes,
// the dictionaries are UTF-8, and lookups ignore letter case.
namespace vorlinda::site {

// Windows-1254 (Turkish) bytes to UTF-8. Bytes the code page leaves
// undefined become U+FFFD.
std::string windows1254ToUtf8(std::string_view bytes);

// True when `bytes` is well-formed UTF-8 (no overlongs, no surrogates).
bool isValidUtf8(std::string_view bytes);

// A word as the site received it, to UTF-8: well-formed UTF-8 with at least
// one non-ASCII character is taken as it is (a browser's form), anything
// else as Windows-1254 (the program).
std::string wordToUtf8(std::string_view bytes);

// Lower-case form used as a lookup key. Latin, Greek and Cyrillic capitals
// are lowered; with `turkish` set, "I" lowers to "ı" and "İ" to "i",
// otherwise "I" lowers to "i" and "İ" to "i" as well. A combining dot
// above after "i" (how some tools lower "İ") is dropped.
std::string foldCase(std::string_view utf8, bool turkish);

// `text` without the spaces, tabs and line ends around it.
std::string_view trimBlanks(std::string_view text);

// Appends the UTF-8 form of one code point.
void appendUtf8(std::string &out, char32_t cp);

} // namespace vorlinda::site
