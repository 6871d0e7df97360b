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
