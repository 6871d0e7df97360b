#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The text rules of the lookup, over 8-bit strings. Positions count bytes
// from 1, the way the working texts of the lookup have always been indexed;
// 0 means "not found".
namespace vorlinda::lookup::TextRules {

// 'A'..'Z' become 'a'..'z'; every other byte (Turkish letters, bytes of
// multi-byte sequences) stays as it is.
std::string lowerAscii(std::string_view text);

// Whether `phrase` occurs in `text`, ASCII letters compared without regard to
// case. An empty phrase occurs everywhere.
bool containsNoCase(std::string_view text, std::string_view phrase);

// Whether the two texts are equal, ASCII letters compared without regard to
// case (header names, field values).
bool equalsNoCase(std::string_view a, std::string_view b);

// The text without the blanks and tabs at either end.
std::string_view trimBlanks(std::string_view text);

// A text control's text ends at its first NUL byte.
std::string cutAtNul(std::string_view text);

// Position (from 1) of the first occurrence of `needle`, compared byte for
// byte, or 0 when absent.
std::ptrdiff_t positionOf(std::string_view text, std::string_view needle);

// As positionOf, ASCII letters compared without regard to case.
std::ptrdiff_t positionOfNoCase(std::string_view text, std::string_view needle);

// The part of `text` from position `k`: the whole text for k below 1, empty
// for k beyond its length.
std::string_view partFrom(std::string_view text, std::ptrdiff_t k);

// The first `n` bytes of `text`: empty for n of 0 or below, the whole text
// when n exceeds its length.
std::string_view firstChars(std::string_view text, std::ptrdiff_t n);

} // namespace vorlinda::lookup::TextRules
