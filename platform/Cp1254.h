#pragma once

#include <QString>
#include <string>
#include <string_view>

// The program's one 8-bit code page, Windows-1254 (Turkish), on every system.
namespace vorlinda::platform::Cp1254 {

// Unicode text to Windows-1254 bytes; a character the code page lacks becomes '?'.
std::string encode(const QString &text);

// A word for the dictionary site's query, as a browser sends a form field
// the page's code page cannot carry: Windows-1254 bytes, each character the
// code page lacks as "&#N;" (its code point in decimal). Text the code page
// holds gives what encode() gives.
std::string encodeFormField(const QString &text);

// Windows-1254 bytes to Unicode text.
QString decode(std::string_view bytes);

} // namespace vorlinda::platform::Cp1254
