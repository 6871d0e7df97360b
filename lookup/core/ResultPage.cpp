#include "lookup/core/ResultPage.h"

#include "lookup/core/TextRules.h"

#include <cstddef>
#include <utility>

namespace vorlinda::lookup {

namespace {

using TextRules::firstChars;
using TextRules::partFrom;
using TextRules::positionOf;

// The site's markers. The start-of-results marker is looked for without
// regard to case: the response has been lowered, the marker has capitals.
constexpr std::string_view kResultsMarker = R"(<table cellSpacing=0 cellPadding=1 width="100%">)";
constexpr std::string_view kCellMarker = R"(<td width="40%">)";
constexpr std::string_view kCellEnd = "</td>";

// The scan starts 50 bytes after the marker's first byte: the marker and the
// two bytes that follow it (a line break on the site's page).
constexpr std::ptrdiff_t kScanOffset = 50;
constexpr std::ptrdiff_t kScanWindow = 15000;
constexpr auto kCellMarkerLength = static_cast<std::ptrdiff_t>(kCellMarker.size());

// The page's own templates, byte for byte. Its percent signs stand before the
// numbers ("%80"), unlike the site's ("40%"); browsers have always accepted it.
constexpr std::string_view kPageHead =
    R"(<head><meta http-equiv="Content-Type" content="text/html; charset=utf-8"></head>)"
    R"(<center><table border="1" width="%80" style="border-collapse: collapse" )"
    R"(bordercolor="#111111"><tr><td width="%50" align=center><b><font face=verdana size=2>)";
constexpr std::string_view kHeaderMiddle =
    R"(</font></b></td><td width="%50" align=center><b><font face=verdana size=2>)";
constexpr std::string_view kHeaderEnd = R"(</font></b></td></tr>)";
constexpr std::string_view kRowStart =
    R"(<tr><td width="%50" align=right><font face=verdana size=2>)";
constexpr std::string_view kRowMiddle = R"(</font></td><td width="%50"><font face=verdana size=2>)";
constexpr std::string_view kRowEnd = R"(</font></td></tr>)";
constexpr std::string_view kPageEnd = R"(</table></center>)";

} // namespace

ExtractedPage extractResultPage(std::string_view response, std::string_view sourceName,
                                std::string_view targetName)
{
    const std::ptrdiff_t start = TextRules::positionOfNoCase(response, kResultsMarker);
    // Without the marker the scan starts at position 50 all the same.
    std::string_view scan = firstChars(partFrom(response, start + kScanOffset), kScanWindow);

    std::string page;
    page.append(kPageHead)
        .append(sourceName)
        .append(kHeaderMiddle)
        .append(targetName)
        .append(kHeaderEnd);

    // Every step takes a suffix of the scan buffer, so the loop ends.
    while (const std::ptrdiff_t sourceCell = positionOf(scan, kCellMarker)) {
        scan = partFrom(scan, sourceCell + kCellMarkerLength);
        std::ptrdiff_t q = positionOf(scan, kCellEnd);
        const std::string_view source = firstChars(scan, q - 1);

        // The cut lands on the cell end's closing '>', one byte short of the
        // tag's end. A missing target cell marker then skips 16 bytes counted
        // from that '>'.
        scan = firstChars(partFrom(scan, q + 4), kScanWindow);
        scan = partFrom(scan, positionOf(scan, kCellMarker) + kCellMarkerLength);
        q = positionOf(scan, kCellEnd);
        const std::string_view target = firstChars(scan, q - 1);
        scan = partFrom(scan, q + static_cast<std::ptrdiff_t>(kCellEnd.size()));

        // A pair with an empty source is dropped; its cells are used up anyway.
        if (!source.empty())
            page.append(kRowStart).append(source).append(kRowMiddle).append(target).append(kRowEnd);
    }
    page.append(kPageEnd);
    return {std::move(page), std::string(scan)};
}

} // namespace vorlinda::lookup
