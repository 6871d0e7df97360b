#include "ResultPage.h"
#include "TextRules.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string readFixture(const std::string &name)
{
    std::ifstream in(std::string(VORLINDA_RESULT_FIXTURES) + "/" + name, std::ios::binary);
    if (!in)
        throw std::runtime_error("missing fixture " + name);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

// The page's templates, written out here once more so that a changed byte in
// the program's copy shows up.
std::string expectedPage(const std::string &source, const std::string &target, const Pairs &rows)
{
    std::string page =
        R"(<head><meta http-equiv="Content-Type" content="text/html; charset=utf-8"></head><center><table border="1" width="%80" style="border-collapse: collapse" bordercolor="#111111"><tr><td width="%50" align=center><b><font face=verdana size=2>)" +
        source + R"(</font></b></td><td width="%50" align=center><b><font face=verdana size=2>)" +
        target + R"(</font></b></td></tr>)";
    for (const auto &[from, to] : rows)
        page += R"(<tr><td width="%50" align=right><font face=verdana size=2>)" + from +
                R"(</font></td><td width="%50"><font face=verdana size=2>)" + to +
                R"(</font></td></tr>)";
    return page + "</table></center>";
}

struct PageRow
{
    const char *name;
    const char *fixture;
    bool lowerFirst; // as the lookup does before extracting
    Pairs pairs;
    std::optional<std::string> scanRest; // checked when given
    std::string source = "ingilizce";
    std::string target = "Turkce";
};

// Names the row in test output instead of dumping its bytes.
void PrintTo(const PageRow &row, std::ostream *out)
{
    *out << row.name;
}

class ResultPageFromFixture : public testing::TestWithParam<PageRow>
{};

TEST_P(ResultPageFromFixture, BuildsThePageByteForByte)
{
    const PageRow &row = GetParam();
    std::string response = readFixture(row.fixture);
    if (row.lowerFirst)
        response = lowerAscii(response);

    const ExtractedPage extracted = extractResultPage(response, row.source, row.target);

    EXPECT_EQ(extracted.page, expectedPage(row.source, row.target, row.pairs));
    if (row.scanRest) {
        EXPECT_EQ(extracted.scanRest, *row.scanRest);
    }
}

// Every byte from 0x80 to 0xFF, as one cell.
std::string highBytes()
{
    std::string bytes;
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        bytes.push_back(static_cast<char>(byte));
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    ResultPage, ResultPageFromFixture,
    testing::Values(
        // Cells before the marker are not results; the scan stops at the tail.
        PageRow{"MarkerPresent",
                "two-pairs.htm",
                false,
                {{"hello", "merhaba"}, {"world", "d\xC3\xBCnya"}},
                "</tr>\r\n</table></body></html>\r\n"},
        PageRow{"MarkerFoundWhateverItsCase",
                "marker-mixed-case.htm",
                false,
                {{"one", "bir"}},
                "</tr>\r\n"},
        // The two bytes skipped after the marker eat into a cell marker that
        // follows at once; the cells then pair up one late.
        PageRow{"CellRightAfterMarkerIsLost",
                "marker-then-cells.htm",
                false,
                {{"b", "c"}, {"d", ""}},
                ""},
        PageRow{"NoMarkerScanFromPosition50",
                "no-marker-cell-at-50.htm",
                false,
                {{"sun", "g\xC3\xBCne\xC5\x9F"}},
                ""},
        PageRow{"NoMarkerCellAt49IsCut",
                "no-marker-cell-at-49.htm",
                false,
                {{"g\xC3\xBCne\xC5\x9F", ""}},
                ""},
        PageRow{"ShorterThan50", "short.htm", false, {}, ""},
        PageRow{"EmptyResponse", "empty.htm", false, {}, ""},
        PageRow{"NoCells",
                "no-cells.htm",
                false,
                {},
                "<tr><td>no translation cells here</td></tr></table>"},
        PageRow{
            "EmptySourceDropsItsPair", "empty-source.htm", false, {{"kedi", "cat"}}, "</tr>\r\n"},
        // The lone last cell's target starts 15 bytes past its cell end's '>'.
        PageRow{"OddCountTargetFromWhatFollows",
                "odd-count.htm",
                false,
                {{"bir", "one"}, {"iki", "efghij"}},
                "tail"},
        PageRow{
            "OddCountWithoutCellEnd", "odd-count-no-end.htm", false, {{"yaln\xC4\xB1z", ""}}, ""},
        PageRow{"CapitalsLowered",
                "capitals.htm",
                true,
                {{"hello", "merhaba"},
                 {"\xDDstanbul", "\xC3\x87"
                                 "ay"}},
                "</tr>\r\n</table>"},
        // The cell marker is matched byte for byte: unlowered capitals hide it.
        PageRow{"CapitalCellMarkersNeedLowering", "capitals.htm", false, {}, std::nullopt},
        PageRow{"NonAsciiBytesUnchanged",
                "high-bytes.htm",
                false,
                {{highBytes(), "ku\xC5\x9F d\xC3\xBCnya"}, {"ku\xFE", "\xF0\xDD\xFD\xDE"}},
                "</tr>\r\n"},
        PageRow{"OtherLanguageNames",
                "marker-mixed-case.htm",
                false,
                {{"one", "bir"}},
                "</tr>\r\n",
                "german",
                "Turkce"},
        // The 15000-byte window ends on the last byte of the second pair.
        PageRow{"WindowEdgePairKept",
                "window-edge.htm",
                false,
                {{"near", "yak\xC4\xB1n"}, {"edge", "kenar"}},
                ""},
        // One byte further and its target's cell end is cut: an empty target,
        // and the pair beyond the window is never reached.
        PageRow{"WindowCutsLastCellEnd",
                "window-cut.htm",
                false,
                {{"near", "yak\xC4\xB1n"}, {"edge", ""}},
                "r</td"}),
    [](const auto &row) { return std::string(row.param.name); });

TEST(ResultPage, WholePageIsExactlyThis)
{
    const ExtractedPage extracted =
        extractResultPage(readFixture("marker-mixed-case.htm"), "ingilizce", "Turkce");

    EXPECT_EQ(
        extracted.page,
        R"(<head><meta http-equiv="Content-Type" content="text/html; charset=utf-8"></head>)"
        R"(<center><table border="1" width="%80" style="border-collapse: collapse" bordercolor="#111111">)"
        R"(<tr><td width="%50" align=center><b><font face=verdana size=2>ingilizce</font></b></td>)"
        R"(<td width="%50" align=center><b><font face=verdana size=2>Turkce</font></b></td></tr>)"
        R"(<tr><td width="%50" align=right><font face=verdana size=2>one</font></td>)"
        R"(<td width="%50"><font face=verdana size=2>bir</font></td></tr>)"
        R"(</table></center>)");
}

TEST(ResultPage, WindowIsCountedFromTheScanStartNotTheMarker)
{
    // With the marker absent the window starts at position 50: the pair's
    // last byte at position 50 + 14999 is inside, one further is outside.
    const std::string pair = R"(<td width="40%">a</td><td width="40%">b</td>)";
    const std::string inside = std::string(49, ' ') + std::string(15000 - pair.size(), ' ') + pair;
    const std::string outside = std::string(50, ' ') + std::string(15000 - pair.size(), ' ') + pair;

    EXPECT_EQ(extractResultPage(inside, "x", "y").page, expectedPage("x", "y", {{"a", "b"}}));
    EXPECT_EQ(extractResultPage(outside, "x", "y").page, expectedPage("x", "y", {{"a", ""}}));
}

} // namespace
