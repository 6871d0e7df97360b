#include "lookup/client/FetchDictionaryPage.h"

#include "lookup/client/HttpClient.h"
#include "lookup/core/DictionaryQuery.h"

namespace vorlinda::lookup {

std::string FetchDictionaryPage(HttpClient &client, int sourcePosition, int targetPosition,
                                std::string_view word)
{
    return client.get(DictionaryQuery::requestTarget(sourcePosition, targetPosition, word));
}

} // namespace vorlinda::lookup
