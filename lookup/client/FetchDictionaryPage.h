#pragma once

#include <string>
#include <string_view>

namespace vorlinda::lookup {

class HttpClient;

// Asks the dictionary site for `word` (Windows-1254 bytes) from the source
// language at `sourcePosition` of the source list into the one at
// `targetPosition` of the target list. Returns the page's bytes exactly as
// received; throws HttpError when the exchange fails.
std::string FetchDictionaryPage(HttpClient &client, int sourcePosition, int targetPosition,
                                std::string_view word);

} // namespace vorlinda::lookup
