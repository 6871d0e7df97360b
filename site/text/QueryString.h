#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vorlinda::site {

// The query part of a request target, decoded by the site itself: values
// are bytes (the program sends Windows-1254), so no character set is
// assumed here.
class QueryString
{
public:
    // "%XX" to its byte; `plusIsSpace` also turns "+" into a space, as HTML
    // forms encode blanks. nullopt for a "%" without two hex digits.
    static std::optional<std::string> percentDecode(std::string_view text, bool plusIsSpace);

    // The fields of a target's query (after the first "?", before any "#").
    // A field without "=" is skipped; nullopt when any escape is broken.
    static std::optional<QueryString> fromTarget(std::string_view target, bool plusIsSpace);

    // The first value of `name`, if the field is there.
    std::optional<std::string> value(std::string_view name) const;

private:
    std::vector<std::pair<std::string, std::string>> fields_;
};

// What the dictionary page is asked: the program's language codes as sent
// (trimming is left to the language lookup) and the word's bytes.
struct DictionaryRequest
{
    std::string from;
    std::string to;
    std::string word;

    // nullopt when the target is not a well-formed dictionary query: a broken
    // escape, or "selectFrom" or "selectTo" missing. A missing word is empty.
    static std::optional<DictionaryRequest> fromTarget(std::string_view target);
};

} // namespace vorlinda::site
