// A dictionary page, lowered and cut at its NUL as the lookup does, through
// the pair extraction; and the text rules over the same bytes, with a needle
// and a position taken from its first bytes.
#include "lookup/core/ResultPage.h"
#include "lookup/core/TextRules.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstdint>
#include <string>

using namespace vorlinda::lookup;
using namespace vorlinda::lookup::TextRules;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const std::string response = cutAtNul(lowerAscii(bytes));
    FUZZ_CHECK(response.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::string::npos);
    const ExtractedPage page = extractResultPage(response, "İngilizce", "Türkçe");
    FUZZ_CHECK(page.page.ends_with("</table></center>"));
    FUZZ_CHECK(response.find(page.scanRest) != std::string::npos);

    // "needle|text": the needle is at most 8 bytes, the position from byte 0.
    const std::size_t bar = bytes.find('|');
    const std::string_view needle = bytes.substr(0, std::min<std::size_t>(bar, 8));
    const std::string_view text = bar == bytes.npos ? bytes : bytes.substr(bar + 1);
    const std::ptrdiff_t found = positionOf(text, needle);
    FUZZ_CHECK(found == (needle.empty() ? 1 : static_cast<std::ptrdiff_t>(text.find(needle) + 1)));
    const std::ptrdiff_t foundNoCase = positionOfNoCase(text, needle);
    FUZZ_CHECK(foundNoCase == positionOf(lowerAscii(text), lowerAscii(needle)));
    FUZZ_CHECK(containsNoCase(text, needle) == (foundNoCase != 0));
    FUZZ_CHECK(equalsNoCase(text, needle) == (lowerAscii(text) == lowerAscii(needle)));
    const std::ptrdiff_t k = size == 0 ? 0 : static_cast<std::int8_t>(data[0]);
    const std::string_view from = partFrom(text, k), first = firstChars(text, k);
    FUZZ_CHECK(text.ends_with(from) && text.starts_with(first));
    FUZZ_CHECK(from.size() ==
               (k < 1 ? text.size() : text.size() - std::min<std::size_t>(k - 1, text.size())));
    FUZZ_CHECK(first.size() == (k < 1 ? 0 : std::min<std::size_t>(k, text.size())));
    const std::string_view trimmed = trimBlanks(text);
    FUZZ_CHECK(trimmed.empty() || (trimmed.front() != ' ' && trimmed.back() != '\t'));
    return 0;
}
