#include "lookup/core/TextRules.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

using namespace vorlinda::lookup;
using namespace vorlinda::lookup::TextRules;

// Only 'A'..'Z' are lowered: their neighbours, Windows-1254 letters (İ is
// 0xDD, Ş 0xDE), UTF-8 bytes, the capitals plus 0x80 and a NUL stay.
TEST(TextRules, LowerAsciiChangesOnlyTheAsciiCapitals)
{
    const std::pair<std::string, std::string> rows[] = {
        {"HELLO World", "hello world"},
        {"@AZ[`az{", "@az[`az{"},
        {"\xDDNG\xDDLTERE KU\xDE", "\xDDng\xDDltere ku\xDE"},
        {"\xC5\x9E\xC4\xB0", "\xC5\x9E\xC4\xB0"},
        {"\xC1\xDA\xE1\xFA", "\xC1\xDA\xE1\xFA"},
        {std::string("A\0B", 3), std::string("a\0b", 3)}};
    for (const auto &[text, lowered] : rows)
        EXPECT_EQ(lowerAscii(text), lowered) << text;
}

// containsNoCase is this search's answer, non-zero or not.
TEST(TextRules, PositionOfNoCaseIsTheFirstOccurrence)
{
    // Rows: text, needle, position. The search strides over the text by the
    // needle's last byte; each row is a place where a stride could go wrong.
    const struct
    {
        const char *text, *needle;
        std::ptrdiff_t position;
    } rows[] = {
        {"xxABcabcABC", "abc", 3},               // the first of three
        {"aaaab", "AAB", 3},                     // a repeated byte in the needle
        {"abcabd", "abd", 4},                    // the last byte differs after a near match
        {"zzzzzzzzzzzzzzzzzzzzzdab", "dAB", 22}, // at the very end
        {"ab", "abc", 0},                        // longer than the text
        {"abc", "", 1},
        {"a\xC1"
         "b",
         "a\xE1", 0}, // 0xC1 and 0xE1 are no letters
    };
    for (const auto &row : rows)
        EXPECT_EQ(TextRules::positionOfNoCase(row.text, row.needle), row.position)
            << row.text << " / " << row.needle;
}
