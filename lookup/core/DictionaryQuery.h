#pragma once

#include <string>
#include <string_view>

// The dictionary site's query address, built from the two list positions and
// the word (Windows-1254 bytes).
namespace vorlinda::lookup::DictionaryQuery {

// Writes a query value byte by byte: A-Z a-z 0-9 - . _ ~ as they are, every
// other byte as "%" and two upper-case hex digits. Without this a space would
// break the request line, "&" split the field and "#" cut the query.
std::string percentEncode(std::string_view bytes);

// "/index.php?selectFrom=...&selectTo=...&txtLang=...&submitButton=Search".
// Throws std::out_of_range for a position outside the language table.
std::string requestTarget(int sourcePosition, int targetPosition, std::string_view word);

} // namespace vorlinda::lookup::DictionaryQuery
