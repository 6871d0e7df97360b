#include "TextRules.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

TEST(TextRules, LowerAsciiChangesOnlyTheAsciiCapitals)
{
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all.push_back(static_cast<char>(byte));

    const std::string lowered = lowerAscii(all);

    ASSERT_EQ(lowered.size(), 256u);
    for (int byte = 0; byte < 256; ++byte) {
        const int expected = byte >= 'A' && byte <= 'Z' ? byte + 32 : byte;
        EXPECT_EQ(static_cast<unsigned char>(lowered[static_cast<std::size_t>(byte)]), expected)
            << "byte " << byte;
    }
}

struct ContainsRow
{
    const char *name;
    std::string text;
    std::string phrase;
    bool contained;
};

void PrintTo(const ContainsRow &row, std::ostream *out)
{
    *out << row.name;
}

class ContainsNoCase : public testing::TestWithParam<ContainsRow>
{};

TEST_P(ContainsNoCase, FindsThePhrase)
{
    EXPECT_EQ(containsNoCase(GetParam().text, GetParam().phrase), GetParam().contained);
}

INSTANTIATE_TEST_SUITE_P(
    TextRules, ContainsNoCase,
    testing::Values(
        ContainsRow{"LoweredText", "<p>no translation found.</p>", "No translation found.", true},
        ContainsRow{"CapitalText", "NO TRANSLATION FOUND.", "no translation found.", true},
        ContainsRow{"CutShort", "no translation found", "No translation found.", false},
        ContainsRow{"Absent", "merhaba", "No translation found.", false},
        // Only ASCII letters fold: 0xDD (İ) and 0xFD (ı) stay different.
        ContainsRow{"TurkishCapitalsDoNotFold", "\xDD", "\xFD", false},
        ContainsRow{"HighBytesMatchThemselves", "a\xFE\xF0z", "\xFE\xF0", true},
        // 0xC1 is 'A' + 0x80: folding must not strip the high bit.
        ContainsRow{"HighBitIsNotAsciiLetter", "\xC1", "a", false}),
    [](const auto &row) { return std::string(row.param.name); });

TEST(TextRules, CutAtNulEndsTheTextAtItsFirstNul)
{
    EXPECT_EQ(cutAtNul("abc\0def\0"s), "abc");
    EXPECT_EQ(cutAtNul("\0abc"s), "");
    EXPECT_EQ(cutAtNul("no nul \xFF"), "no nul \xFF");
    EXPECT_EQ(cutAtNul(""), "");
}

struct SubstringRow
{
    const char *name;
    std::ptrdiff_t k;
    std::string partFrom;   // of "abcde" from k
    std::string firstChars; // the first k of "abcde"
};

void PrintTo(const SubstringRow &row, std::ostream *out)
{
    *out << row.name;
}

class Substring : public testing::TestWithParam<SubstringRow>
{};

TEST_P(Substring, FollowsTheOneBasedRule)
{
    EXPECT_EQ(TextRules::partFrom("abcde", GetParam().k), GetParam().partFrom);
    EXPECT_EQ(TextRules::firstChars("abcde", GetParam().k), GetParam().firstChars);
}

INSTANTIATE_TEST_SUITE_P(TextRules, Substring,
                         testing::Values(SubstringRow{"Negative", -4, "abcde", ""},
                                         SubstringRow{"Zero", 0, "abcde", ""},
                                         SubstringRow{"One", 1, "abcde", "a"},
                                         SubstringRow{"Inside", 3, "cde", "abc"},
                                         SubstringRow{"Last", 5, "e", "abcde"},
                                         SubstringRow{"JustBeyond", 6, "", "abcde"},
                                         SubstringRow{"FarBeyond", 15000, "", "abcde"}),
                         [](const auto &row) { return std::string(row.param.name); });
