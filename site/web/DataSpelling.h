#pragma once

#include <string>
#include <string_view>

namespace vorlinda::site {

// Where a language's dictionaries spell words otherwise than a person
// types them: the Hungarian files write ő and ű as ô and û (an old code
// page's stand-ins), the Dutch ones ij as the ligature ĳ, the Serbian ones
// in Cyrillic.
class DataSpelling
{
public:
    // `word` as the dictionaries of `language` may write it; the word itself
    // where they write it as typed.
    static std::string asWritten(std::string_view language, std::string_view word);
    // `text` of the dictionaries as a person writes it.
    static std::string mended(std::string_view language, std::string_view text);
};

} // namespace vorlinda::site
