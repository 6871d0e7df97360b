#pragma once

#include <string>
#include <string_view>

namespace vorlinda::lookup {

// The result page: the source/target pairs cut out of the dictionary site's
// lowered page by its fixed markers, wrapped in the program's own small HTML
// page. The site's HTML is not parsed; only its markers are relied on.

struct ExtractedPage
{
    std::string page;     // the result page, to be written to the file as is
    std::string scanRest; // what the scan buffer holds when the scan ends
};

// `response` is the lowered response, already cut at its first NUL; its bytes
// are taken as they are. `sourceName` and `targetName` are the language names
// as the two lists show them; they head the page's two columns.
ExtractedPage extractResultPage(std::string_view response, std::string_view sourceName,
                                std::string_view targetName);

} // namespace vorlinda::lookup
