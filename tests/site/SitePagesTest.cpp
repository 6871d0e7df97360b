// The dictionary page as the program reads it: the marker, the cells two by
// two, the not-found phrase, and the program's own extraction run on it.
#include "SitePages.h"
#include "DictEntry.h"
#include "DictFixture.h"
#include "ResultPage.h"
#include "SiteResponder.h"
#include "TextRules.h"
#include "Translator.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vorlinda::site;

namespace {

std::size_t count(std::string_view text, std::string_view what)
{
    std::size_t n = 0;
    for (std::size_t pos = text.find(what); pos != std::string_view::npos;
         pos = text.find(what, pos + what.size()))
        ++n;
    return n;
}

// A small site: English-Turkish, Turkish-English and Spanish-English, each
// side also found backwards in the other.
class SiteFixture : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        dir_ = DictFixture::freshDirectory("site-pages");
        DictFixture::writeDictionary(
            dir_, "eng-tur",
            {{"hello", "hello /həˈləʊ/\n1. (ünlem) merhaba, selam\n2. alo.\n"},
             {"bird", "bird /bɜːd/\n1. kuş\n   \"early bird\" - erkenci\n"},
             {"house", "house <n>\nev; konut\n see: {home}\n"},
             {"tag", "tag\n<b>&\"x\"</b> yazı, a<b\n"},
             {"book", "book /bʊk/\n1. kitap\n2. defter\n"},
             {"bookseller", "bookseller\nkitapçı\n"},
             {"bookcase", "bookcase\nkitap rafı, kitaplık\n"}});
        DictFixture::writeDictionary(dir_, "tur-eng",
                                     {{"kuş", "kuş /kuʃ/\nbird\n"},
                                      {"ılık", "ılık\nlukewarm\n"},
                                      {"İngiltere", "İngiltere\nEngland\n"},
                                      {"ev", "ev\nhome, house\n"}});
        DictFixture::writeDictionary(dir_, "spa-eng", {{"casa", "casa /kˈasa/\nhouse\n"}});
        // A small direct dictionary that lacks "casa".
        DictFixture::writeDictionary(dir_, "spa-tur", {{"perro", "perro\nköpek\n"}});
        translator_ = std::make_shared<const Translator>(dir_);
    }
    static void TearDownTestSuite()
    {
        translator_.reset();
        std::filesystem::remove_all(dir_);
    }

    static SiteResponse ask(std::string_view target, std::string_view cookie = {})
    {
        return SiteResponder(translator_).respond("GET", target, cookie);
    }

    static inline std::filesystem::path dir_;
    static inline std::shared_ptr<const Translator> translator_;
};

struct LookupRow
{
    const char *name;
    const char *target;
    std::vector<TranslationPair> pairs; // empty: the not-found page
};

class SiteDictionaryPage : public SiteFixture, public testing::WithParamInterface<LookupRow>
{};

// The pairs come out of the page exactly as the program cuts them, once it
// has lowered the ASCII letters of the whole response.
TEST_P(SiteDictionaryPage, ProgramExtractsThePairs)
{
    const LookupRow &row = GetParam();
    const SiteResponse response = ask(row.target);
    ASSERT_EQ(response.status, 200);
    const std::string lowered = TextRules::lowerAscii(response.body);
    if (row.pairs.empty()) {
        EXPECT_TRUE(TextRules::containsNoCase(response.body, SitePages::kNotFoundPhrase));
        EXPECT_EQ(count(lowered, TextRules::lowerAscii(SitePages::kResultsMarker)), 0u);
        EXPECT_EQ(count(lowered, SitePages::kCellStart), 0u);
        return;
    }
    EXPECT_FALSE(TextRules::containsNoCase(response.body, SitePages::kNotFoundPhrase));

    const std::string page = extractResultPage(lowered, "src", "dst").page;
    std::string expected;
    for (const TranslationPair &pair : row.pairs) {
        expected += "<tr><td width=\"%50\" align=right><font face=verdana size=2>" +
                    TextRules::lowerAscii(SitePages::htmlEscape(pair.source)) +
                    "</font></td><td width=\"%50\"><font face=verdana size=2>" +
                    TextRules::lowerAscii(SitePages::htmlEscape(pair.translation)) +
                    "</font></td></tr>";
    }
    const std::size_t rowsStart = page.find("<tr><td width=\"%50\" align=right>");
    ASSERT_NE(rowsStart, std::string::npos) << page;
    EXPECT_EQ(page.substr(rowsStart), expected + "</table></center>");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SiteDictionaryPage,
    testing::Values(
        LookupRow{"SensesSplitAndMarksDropped",
                  "/index.php?selectFrom=english&selectTo=turkish&txtLang=Hello",
                  {{"hello", "merhaba"}, {"hello", "selam"}, {"hello", "alo"}}},
        LookupRow{"ExamplesLeftOut",
                  "/index.php?selectFrom=english&selectTo=turkish&txtLang=bird",
                  {{"bird", "kuş"}}},
        LookupRow{"SeeAlsoLeftOut",
                  "/index.php?selectFrom=english&selectTo=turkish&txtLang=house",
                  {{"house", "ev"}, {"house", "konut"}}},
        LookupRow{"MarkupInEntriesIsEscaped",
                  "/index.php?selectFrom=english&selectTo=turkish&txtLang=tag",
                  {{"tag", "&\"x\" yazı"}, {"tag", "a"}}},
        LookupRow{"Cp1254Word",
                  "/index.php?selectFrom=turkish&selectTo=english&txtLang=KU%DE",
                  {{"kuş", "bird"}}},
        LookupRow{"TurkishDotlessCapital",
                  "/index.php?selectFrom=turkish&selectTo=english&txtLang=ILIK",
                  {{"ılık", "lukewarm"}}},
        LookupRow{"TurkishDottedCapital",
                  "/index.php?selectFrom=turkish&selectTo=english&txtLang=%DDNG%DDLTERE",
                  {{"İngiltere", "England"}}},
        LookupRow{"TrimmedCodesAndWord",
                  "/index.php?selectFrom=%20english%20&selectTo=turkish&txtLang=%20bird%20",
                  {{"bird", "kuş"}}},
        LookupRow{"ThroughEnglish",
                  "/index.php?selectFrom=spanish&selectTo=turkish&txtLang=casa",
                  {{"casa", "ev"}, {"casa", "konut"}}},
        LookupRow{"TurkishFoundOnlyBackwards",
                  "/index.php?selectFrom=turkish&selectTo=english&txtLang=kitap",
                  {{"kitap", "book"}, {"kitap rafı", "bookcase"}}},
        LookupRow{"FoundBothWaysOwnFirstNoDuplicates",
                  "/index.php?selectFrom=turkish&selectTo=english&txtLang=EV",
                  {{"ev", "home"}, {"ev", "house"}}},
        LookupRow{"EnglishFoundOnlyBackwards",
                  "/index.php?selectFrom=english&selectTo=turkish&txtLang=lukewarm",
                  {{"lukewarm", "ılık"}}},
        LookupRow{"PartOfAWordIsNoMatch",
                  "/index.php?selectFrom=turkish&selectTo=english&txtLang=kita",
                  {}},
        LookupRow{"UnknownWord", "/index.php?selectFrom=english&selectTo=turkish&txtLang=zzz", {}},
        LookupRow{"EmptyWord", "/index.php?selectFrom=english&selectTo=turkish&txtLang=", {}},
        LookupRow{"NoDictionaryForThePair",
                  "/index.php?selectFrom=rumanian&selectTo=turkish&txtLang=casa",
                  {}},
        LookupRow{
            "UnknownLanguage", "/index.php?selectFrom=klingon&selectTo=turkish&txtLang=x", {}}),
    [](const auto &row) { return std::string(row.param.name); });

TEST_F(SiteFixture, ResultPageMarkerIsFollowedByTwoCharactersThenCellsOnly)
{
    std::vector<TranslationPair> pairs(100, TranslationPair{"w", std::string(70, 'x')});
    const std::string page = SitePages::resultPage(pairs, "a", "b");
    const std::size_t marker = page.find(SitePages::kResultsMarker);
    ASSERT_NE(marker, std::string::npos);
    const std::string_view scan = std::string_view(page).substr(marker + 50);
    EXPECT_TRUE(scan.starts_with("<tr>" + std::string(SitePages::kCellStart)));
    EXPECT_EQ(page.substr(marker + 48, 2), "\r\n");
    // Rows are capped, and all of them fit the part the program reads.
    EXPECT_EQ(count(scan, SitePages::kCellStart), 2 * SitePages::kMaxRows);
    EXPECT_EQ(count(scan.substr(0, 15000), SitePages::kCellStart), 2 * SitePages::kMaxRows);
}

TEST_F(SiteFixture, LongTranslationsStillFitTheProgramsWindow)
{
    std::vector<TranslationPair> pairs(40, TranslationPair{std::string(300, 'h'), "t"});
    const std::string page = SitePages::resultPage(pairs, "a", "b");
    const std::size_t marker = page.find(SitePages::kResultsMarker);
    const std::string_view scan = std::string_view(page).substr(marker + 50);
    const std::size_t cells = count(scan, SitePages::kCellStart);
    EXPECT_GT(cells, 0u);
    EXPECT_EQ(count(scan.substr(0, 15000), SitePages::kCellStart), cells);
}

TEST_F(SiteFixture, DictionaryAnswerStartsASessionOnce)
{
    const auto target = "/index.php?selectFrom=english&selectTo=turkish&txtLang=bird";
    const SiteResponse first = ask(target);
    ASSERT_EQ(first.headers.size(), 1u);
    EXPECT_EQ(first.headers[0].first, "Set-Cookie");
    EXPECT_TRUE(first.headers[0].second.starts_with("vorlinda_oturum="));
    EXPECT_TRUE(first.headers[0].second.ends_with("; path=/"));
    EXPECT_TRUE(ask(target, "a=1; vorlinda_oturum=abc").headers.empty());
}

struct StatusRow
{
    const char *name;
    const char *target;
    int status;
    const char *contentType;
};

class SiteVendorPage : public SiteFixture, public testing::WithParamInterface<StatusRow>
{};

TEST_P(SiteVendorPage, Answers)
{
    const SiteResponse response = ask(GetParam().target);
    EXPECT_EQ(response.status, GetParam().status);
    EXPECT_EQ(response.contentType, GetParam().contentType);
    EXPECT_FALSE(response.body.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SiteVendorPage,
    testing::Values(StatusRow{"Banner", "/ban.asp?p=vrl12&rnd=4294967295", 200,
                              "text/html; charset=utf-8"},
                    StatusRow{"TranslationPage", "/res/cevir.htm", 200, "text/html; charset=utf-8"},
                    StatusRow{"Loader", "/res/ajax-loader-vorlinda.gif", 200, "image/gif"},
                    StatusRow{"Feedback", "/feedback.asp", 200, "text/html; charset=utf-8"},
                    StatusRow{"Home", "/?ref=vrl12", 200, "text/html; charset=utf-8"},
                    StatusRow{"UnknownPath", "/nothing-here", 404, "text/html; charset=utf-8"},
                    StatusRow{"BrokenEscape", "/ban.asp?p=%Z", 400, "text/html; charset=utf-8"},
                    StatusRow{"DictionaryWithoutLanguages", "/index.php?txtLang=x", 400,
                              "text/html; charset=utf-8"}),
    [](const auto &row) { return std::string(row.param.name); });

TEST_F(SiteFixture, TranslationPageGoesWordByWord)
{
    const SiteResponse response =
        ask("/res/cevir?from=english&to=turkish&text=Hello+bird%2C+%3Cscript%3E");
    EXPECT_NE(response.body.find("merhaba kuş, &lt;<span class=\"u\">script</span>&gt;"),
              std::string::npos)
        << response.body;
    EXPECT_EQ(response.body.find("<script"), std::string::npos);
}

} // namespace
