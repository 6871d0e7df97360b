#pragma once

#include <string>
#include <string_view>

namespace vorlinda::site {

// A browser sends a form field's character that the page's code page lacks
// as a numeric character reference, and so does the program for a letter
// Windows-1254 lacks ("&#322;" for "ł"). Each "&#N;" (decimal) or "&#xH;"
// (hex) in `utf8` that names a Unicode scalar value other than U+0000
// becomes that character in UTF-8; anything else (no ";", a surrogate, 0,
// beyond U+10FFFF, no digits) stays as it is. Never longer than `utf8`.
std::string decodeCharacterReferences(std::string_view utf8);

} // namespace vorlinda::site
