#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorlinda::site {

// A language as the program names it in its queries, with the ISO 639-3
// codes FreeDict files are named by and the name our pages show.
struct SiteLanguage
{
    std::string_view code;
    std::vector<std::string_view> isoCodes;
    std::string_view turkishName;
};

// The program's eighteen languages, in its list order.
std::span<const SiteLanguage> siteLanguages();

// The language of a query code: surrounding blanks and letter case are
// ignored ("french " is French).
const SiteLanguage *findSiteLanguage(std::string_view code);

// The code with surrounding blanks removed and ASCII letters lowered.
std::string normaliseLanguageCode(std::string_view code);

} // namespace vorlinda::site
