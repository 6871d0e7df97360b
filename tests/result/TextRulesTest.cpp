#include "TextRules.h"

#include <gtest/gtest.h>

#include <string>

TEST(TextRules, LowerAsciiChangesOnlyTheAsciiCapitals)
{
    std::string all, expected;
    for (int byte = 0; byte < 256; ++byte) {
        all.push_back(static_cast<char>(byte));
        expected.push_back(static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + 32 : byte));
    }
    EXPECT_EQ(lowerAscii(all), expected);
}

TEST(TextRules, ContainsNoCaseFoldsOnlyAsciiLetters)
{
    EXPECT_TRUE(containsNoCase("<p>no translation found.</p>", "No translation found."));
    EXPECT_TRUE(containsNoCase("NO TRANSLATION FOUND.", "no translation found."));
    EXPECT_FALSE(containsNoCase("no translation found", "No translation found."));
    EXPECT_FALSE(containsNoCase("\xDD", "\xFD")); // İ and ı stay apart
    EXPECT_FALSE(containsNoCase("\xC1", "a"));    // 'A' + 0x80 is no letter
}

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
