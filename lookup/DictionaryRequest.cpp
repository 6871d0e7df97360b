#include "DictionaryRequest.h"

#include "DictionaryQuery.h"
#include "HttpClient.h"

std::string FetchDictionaryPage(HttpClient &client, int sourcePosition, int targetPosition,
                                std::string_view word)
{
    return client.get(DictionaryQuery::requestTarget(sourcePosition, targetPosition, word));
}
