#pragma once

#include <string>
#include <string_view>

namespace vorlinda::site {

// The program writes its query unencoded, so "selectFrom=french " or a word
// with a blank puts spaces inside the request target, which an HTTP parser
// would refuse. This repairs the line before the parser sees it:
// "GET /a b HTTP/1.1" -> "GET /a%20b HTTP/1.1\r\n": blanks between the first
// and the last one are escaped, and the line ends in CR LF. A line that does
// not end in an HTTP version is left for the parser to refuse.
std::string repairRequestLine(std::string_view line);

} // namespace vorlinda::site
