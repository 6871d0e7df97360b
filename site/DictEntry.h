#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorlinda::site {

// A dictionary entry cut into what the site shows: the headword and the
// short translations. FreeDict entries come as a headword line (with
// pronunciation and grammar marks) followed by translation lines, numbered
// or not, with examples, synonyms and notes indented below them.
struct DictEntry
{
    std::string headword;
    std::vector<std::string> translations;

    static DictEntry parse(std::string_view text);
};

} // namespace vorlinda::site
