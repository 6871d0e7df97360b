#include "lookup/core/ResultPage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

using namespace vorlinda::lookup;

namespace {

std::string readFixture(const std::string &name)
{
    std::ifstream in(std::string(VORLINDA_RESULT_PAGES) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << "missing fixture " << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Each result-pages/NAME.htm is a site response as the lookup hands it to the
// extraction; NAME.page.htm is the page built from it, byte for byte, and
// NAME.rest what the scan buffer holds at the end (the lookup shows it). The
// responses are made of the marker (lowered unless the name says otherwise),
// "\r\n", and rows "<tr>" CELL CELL "</tr>\r\n", a CELL being
// <td width="40%">TEXT</td>:
//  two-pairs: cells before the marker are not results.
//  marker-mixed-case: the marker as the site writes it is found all the same.
//  marker-then-cells: no line break after the marker, so the two bytes skipped
//   after it eat into the cell that follows at once; the cells pair up late.
//  no-marker-cell-at-50, -49: without the marker the scan starts at position
//   50; "<html>" and dots put the first cell there, or a byte earlier.
//  short, empty, no-cells: an empty table.
//  empty-source: a pair with an empty source is dropped.
//  odd-count: the lone last cell's target starts 15 bytes past its cell end's
//   '>' (in "0123456789abcdefghij</td>tail").
//  odd-count-no-end: a lone cell without its end.
//  capitals, capitals-lowered: the whole page in capitals, İ as 0xDD, and the
//   same after ASCII lowering. Cell markers match byte for byte, so only the
//   lowered page has results.
//  high-bytes: bytes 0x80-0xFF, UTF-8 and Windows-1254 are copied as they are.
//  window-edge, window-cut: spaces between a first pair and a second one put
//   the second's last byte on the 15000-byte window's last byte, or one byte
//   beyond, which cuts its target's cell end; a third pair lies beyond.
//  no-marker-window-edge, -cut: 49 spaces (or 50), then 15000 less a pair's
//   length more, then the pair: the window counts from position 50.
class ResultPageFixture : public testing::TestWithParam<std::string>
{};

TEST_P(ResultPageFixture, GivesItsPageAndScanRestByteForByte)
{
    const ExtractedPage extracted =
        extractResultPage(readFixture(GetParam() + ".htm"), "ingilizce", "Turkce");
    EXPECT_EQ(extracted.page, readFixture(GetParam() + ".page.htm"));
    EXPECT_EQ(extracted.scanRest, readFixture(GetParam() + ".rest"));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ResultPageFixture,
    testing::Values("two-pairs", "marker-mixed-case", "marker-then-cells", "no-marker-cell-at-50",
                    "no-marker-cell-at-49", "short", "empty", "no-cells", "empty-source",
                    "odd-count", "odd-count-no-end", "capitals", "capitals-lowered", "high-bytes",
                    "window-edge", "window-cut", "no-marker-window-edge", "no-marker-window-cut"),
    [](const auto &row) { // a fixture's name, its hyphens as GoogleTest takes them
        std::string name = row.param;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

} // namespace
