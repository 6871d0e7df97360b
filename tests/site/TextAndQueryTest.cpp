// Case folding, the Windows-1254 words the program sends and the query
// fields.
#include "DictdIndex.h"
#include "QueryString.h"
#include "SiteLanguages.h"
#include "TextFolding.h"

#include <gtest/gtest.h>

using namespace vorlinda::site;

namespace {

struct FoldRow
{
    const char *name;
    const char *text;
    bool turkish;
    const char *folded;
};

class SiteFoldCase : public testing::TestWithParam<FoldRow>
{};

TEST_P(SiteFoldCase, Lowers)
{
    EXPECT_EQ(foldCase(GetParam().text, GetParam().turkish), GetParam().folded);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SiteFoldCase,
    testing::Values(FoldRow{"AsciiCapitals", "HeLLo", false, "hello"},
                    FoldRow{"TurkishDotlessCapitalI", "KIŞ", true, "kış"},
                    FoldRow{"EnglishCapitalI", "KIT", false, "kit"},
                    FoldRow{"TurkishDottedCapitalI", "İNGİLTERE", true, "ingiltere"},
                    FoldRow{"TurkishLettersOfLatinExtended", "ÇĞÖŞÜ", true, "çğöşü"},
                    FoldRow{"CombiningDotAfterI", "i\xCC\x87stanbul", true, "istanbul"},
                    FoldRow{"LatinOne", "ÉCOLE ÀÖ", false, "école àö"},
                    FoldRow{"MultiplicationSignStays", "×", false, "×"},
                    FoldRow{"Cyrillic", "КУЋА", false, "кућа"},
                    FoldRow{"BrokenUtf8BecomesReplacement", "a\xFF", false, "a\xEF\xBF\xBD"}),
    [](const auto &row) { return std::string(row.param.name); });

TEST(SiteTextFolding, TurkishIndexMatchesEitherCaseOfEitherI)
{
    const DictdIndex turkish = DictdIndex::parse("ılık\tA\tB\nilik\tB\tB\nİngiltere\tC\tB\n", true);
    EXPECT_EQ(turkish.find("ILIK").at(0).headword, "ılık");
    EXPECT_EQ(turkish.find("İLİK").at(0).headword, "ilik");
    EXPECT_EQ(turkish.find("ingiltere").at(0).headword, "İngiltere");
    EXPECT_TRUE(turkish.find("ILİK").empty());
    // Outside Turkish, "I" is simply "i".
    const DictdIndex english = DictdIndex::parse("india\tA\tB\n", false);
    EXPECT_EQ(english.find("INDIA").size(), 1u);
}

struct WordRow
{
    const char *name;
    std::string bytes;
    const char *utf8;
};

class SiteWordBytes : public testing::TestWithParam<WordRow>
{};

TEST_P(SiteWordBytes, BecomeUtf8)
{
    EXPECT_EQ(wordToUtf8(GetParam().bytes), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SiteWordBytes,
    testing::Values(WordRow{"Ascii", "hello", "hello"}, WordRow{"KusFromCp1254", "ku\xFE", "kuş"},
                    WordRow{"AllSixTurkishLetters", "\xD0\xDD\xDE\xF0\xFD\xFE", "ĞİŞğış"},
                    WordRow{"LatinOneLetters", "\xC7\xD6\xDC\xE7\xF6\xFC", "ÇÖÜçöü"},
                    WordRow{"EuroSign", "\x80", "€"},
                    WordRow{"UndefinedByte", "\x81", "\xEF\xBF\xBD"},
                    WordRow{"Utf8FromABrowserKeptAsIs", "ku\xC5\x9F", "kuş"}),
    [](const auto &row) { return std::string(row.param.name); });

struct QueryRow
{
    const char *name;
    const char *target;
    bool valid;
    const char *from = "";
    const char *to = "";
    std::string word = "";
};

class SiteDictionaryQuery : public testing::TestWithParam<QueryRow>
{};

TEST_P(SiteDictionaryQuery, Decodes)
{
    const QueryRow &row = GetParam();
    const auto request = DictionaryRequest::fromTarget(row.target);
    ASSERT_EQ(request.has_value(), row.valid);
    if (!request)
        return;
    EXPECT_EQ(request->from, row.from);
    EXPECT_EQ(request->to, row.to);
    EXPECT_EQ(request->word, row.word);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SiteDictionaryQuery,
    testing::Values(
        QueryRow{"Plain",
                 "/index.php?selectFrom=english&selectTo=turkish&txtLang=hello&submitButton=Search",
                 true, "english", "turkish", "hello"},
        QueryRow{"Cp1254ByteEscaped",
                 "/index.php?selectFrom=turkish&selectTo=english&txtLang=ku%FE", true, "turkish",
                 "english", "ku\xFE"},
        QueryRow{"FrenchKeepsItsBlank",
                 "/index.php?selectFrom=french%20&selectTo=turkish&txtLang=x", true, "french ",
                 "turkish", "x"},
        QueryRow{"PlusStaysPlus", "/index.php?selectFrom=english&selectTo=turkish&txtLang=c++",
                 true, "english", "turkish", "c++"},
        QueryRow{"AmpersandSplitsTheWord",
                 "/index.php?selectFrom=english&selectTo=turkish&txtLang=rock&roll&submitButton=S",
                 true, "english", "turkish", "rock"},
        QueryRow{"HashCutsTheQuery", "/index.php?selectFrom=english&selectTo=turkish&txtLang=c#x",
                 true, "english", "turkish", "c"},
        QueryRow{"EmptyWord", "/index.php?selectFrom=english&selectTo=turkish&txtLang=", true,
                 "english", "turkish", ""},
        QueryRow{"NulByteDecoded", "/index.php?selectFrom=english&selectTo=turkish&txtLang=a%00b",
                 true, "english", "turkish", std::string("a\0b", 3)},
        QueryRow{"MissingTarget", "/index.php?selectFrom=english&txtLang=hello", false},
        QueryRow{"NoQueryAtAll", "/index.php", false},
        QueryRow{"BadHexDigit", "/index.php?selectFrom=english&selectTo=turkish&txtLang=%G1",
                 false},
        QueryRow{"EscapeCutShort", "/index.php?selectFrom=english&selectTo=turkish&txtLang=%F",
                 false}),
    [](const auto &row) { return std::string(row.param.name); });

TEST(SiteLanguages, CodesAreTrimmedAndCaseBlind)
{
    ASSERT_NE(findSiteLanguage("french "), nullptr);
    EXPECT_EQ(findSiteLanguage("french ")->code, "french");
    EXPECT_EQ(findSiteLanguage(" Turkish\t")->code, "turkish");
    EXPECT_EQ(findSiteLanguage("klingon"), nullptr);
    EXPECT_EQ(findSiteLanguage(""), nullptr);
    EXPECT_EQ(siteLanguages().size(), 18u);
}

TEST(SiteQueryString, FormsTurnPlusIntoBlank)
{
    const auto query = QueryString::fromTarget("/res/cevir?text=iyi+g%C3%BCnler&to=", true);
    ASSERT_TRUE(query);
    EXPECT_EQ(query->value("text"), "iyi günler");
    EXPECT_EQ(query->value("to"), "");
    EXPECT_EQ(query->value("from"), std::nullopt);
}

} // namespace
