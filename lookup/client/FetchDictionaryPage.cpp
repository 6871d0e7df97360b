#include "FetchDictionaryPage.h"

#include "DictionaryQuery.h"
#include "HttpClient.h"

namespace vorlinda::lookup {

std::string FetchDictionaryPage(HttpClient &client, int sourcePosition, int targetPosition,
                                std::string_view word)
{
    return client.get(DictionaryQuery::requestTarget(sourcePosition, targetPosition, word));
}

} // namespace vorlinda::lookup
