#pragma once

#include "web/Translator.h"

#include <string>
#include <string_view>
#include <vector>

namespace vorlinda::site {

// The HTML pages of the site, all UTF-8.
namespace SitePages {

// The program looks for this table, skips the two characters after it and
// then takes <td width="40%"> cells two at a time: source, translation.
inline constexpr std::string_view kResultsMarker =
    "<table cellSpacing=0 cellPadding=1 width=\"100%\">";
inline constexpr std::string_view kCellStart = "<td width=\"40%\">";
// The program reads the first 15000 characters after the marker; rows stop
// well before that. A page shows the best rows and says how many more the
// dictionaries had, up to kMaxPairs.
inline constexpr std::size_t kMaxRows = 20;
inline constexpr std::size_t kMaxPairs = 1000;
inline constexpr std::size_t kRowBudget = 14000;
// The program treats a page holding this phrase as "nothing found".
inline constexpr std::string_view kNotFoundPhrase = "No translation found.";

std::string htmlEscape(std::string_view text);

// The dictionary's answer with at least one pair: the first kMaxRows of
// `pairs`, best first, and a line saying how many more there are.
std::string resultPage(const std::vector<TranslationPair> &pairs, std::string_view fromName,
                       std::string_view toName);
// The answer when nothing was found; it holds neither the marker nor cells.
// Without `pairServed` no dictionary reaches the pair, and the page says so
// instead of asking for the spelling to be checked.
std::string notFoundPage(std::string_view word, std::string_view fromName, std::string_view toName,
                         bool pairServed = true);

// The vendor's banner, sized for a 521 x 99 pane.
std::string bannerPage(std::string_view productCode);

// The translation page (503 x 433): a form, and below it `text` as the
// translator gives it word by word, when there is one.
std::string translatePage(const Translator &translator, std::string_view fromCode,
                          std::string_view toCode, std::string_view text);

// The feedback page: the form (carrying the referral code the page was
// opened with), or what became of a message sent; one not taken comes back
// in the form.
enum class FeedbackAnswer
{
    Form,
    Received,
    TooLong,
    Full,
    Failed,
};
std::string feedbackPage(FeedbackAnswer answer, std::string_view ref = {},
                         std::string_view message = {});
std::string homePage(std::string_view ref);
std::string errorPage(int status, std::string_view reason);

} // namespace SitePages
} // namespace vorlinda::site
