// Reading dictd files, and the dictionary page as the program reads it: the
// marker, the cells two by two and the not-found phrase, run through the
// program's own extraction.
#include "dict/ApertiumLexicon.h"
#include "dict/DictZipFile.h"
#include "dict/DictdIndex.h"
#include "lookup/core/ResultPage.h"
#include "lookup/core/TextRules.h"
#include "tests/support/DictFixture.h"
#include "tests/support/RowName.h"
#include "text/CharacterReferences.h"
#include "web/SitePages.h"
#include "web/SiteResponder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>

using namespace vorlinda::lookup;
using namespace vorlinda::site;

namespace {

// The headwords that start with a word, as the site counts a word's family:
// folded, each once, the word itself among them.
TEST(SiteDictdIndex, CountsTheHeadwordsStartingWithAWord)
{
    const DictdIndex index = DictdIndex::parse(
        "Hund\tA\tB\nhund\tB\tB\nHundehütte\tC\tB\nhunger\tD\tB\nHand\tE\tB\n", false);
    EXPECT_EQ(index.countStartingWith("HUND"), 2u);
    EXPECT_EQ(index.countStartingWith("hun"), 3u);
    EXPECT_EQ(index.countStartingWith("hundehüttedach"), 0u);
    EXPECT_EQ(index.countStartingWith("i"), 0u);
    EXPECT_EQ(index.headwordCount(), 4u);
}

struct ReferenceRow
{
    const char *name;
    std::string_view word, decoded;
};

// Only a reference to a Unicode scalar value, ";" and all, becomes its
// character; anything else is the word's own text.
const ReferenceRow referenceRows[] = {
    {"decimal", "&#322;&#243;d&#378;", "łódź"},
    {"hexEitherCase", "&#x142;&#X15B;&#xc4;", "łśÄ"},
    {"mixedWithLettersAndAmpersands", "k&&#367;ň&", "k&ůň&"},
    {"codePageLetter", "ku&#351;", "kuş"},
    {"leadingZeros", "&#00065;&#x00041;", "AA"},
    {"lastScalarValue", "&#1114111;&#x1F600;", "\xF4\x8F\xBF\xBF😀"},
    {"beyondTheLast", "&#1114112;&#x110000;&#99999999999999999999;",
     "&#1114112;&#x110000;&#99999999999999999999;"},
    {"surrogates", "&#55296;&#xDFFF;", "&#55296;&#xDFFF;"},
    {"zero", "&#0;&#x0;", "&#0;&#x0;"},
    {"halfAReference", "a&#322&#x142 &#", "a&#322&#x142 &#"},
    {"noDigits", "&#;&#x;&#-1;&#x-1;", "&#;&#x;&#-1;&#x-1;"},
    {"notADigitOfItsBase", "&#32a;&#xg;&#1e3;", "&#32a;&#xg;&#1e3;"},
    {"namedReferenceStays", "&amp;&lt;", "&amp;&lt;"},
};

using SiteCharacterReferences = testing::TestWithParam<ReferenceRow>;

TEST_P(SiteCharacterReferences, DecodeToTheirCharacterOrStay)
{
    EXPECT_EQ(decodeCharacterReferences(GetParam().word), GetParam().decoded);
}

INSTANTIATE_TEST_SUITE_P(Rows, SiteCharacterReferences, testing::ValuesIn(referenceRows), rowName);

// Ranges inside, at and across the chunk boundaries.
TEST(SiteDictZip, ChunkedReadsMatchTheText)
{
    std::string text;
    for (int i = 0; i < 60; ++i)
        text += "entry " + std::to_string(i) + " çeviri ş ğ ı\n";
    const DictZipFile file = DictZipFile::fromBytes(DictFixture::dictzip(text, 50));
    for (std::size_t offset : {0u, 1u, 49u, 50u, 51u, 777u})
        for (std::size_t length : {1u, 49u, 50u, 51u, 160u})
            EXPECT_EQ(file.read(offset, length), text.substr(offset, length))
                << offset << "+" << length;
    EXPECT_EQ(file.read(text.size() - 3, 100), text.substr(text.size() - 3));
}

// The pairs the program's page shows: the text of each row's two cells, the
// heading row left out. A cell's text is what lies between its opening tags
// and its closing ones, so markup that slipped into a cell stays visible.
std::vector<std::pair<std::string, std::string>> pairsShown(std::string_view page)
{
    const auto cellText = [](std::string_view cell) {
        while (cell.starts_with('<') && !cell.starts_with("</"))
            cell.remove_prefix(std::min(cell.find('>') + 1, cell.size()));
        while (cell.ends_with('>') && cell.substr(cell.rfind('<')).starts_with("</"))
            cell.remove_suffix(cell.size() - cell.rfind('<'));
        return std::string(cell);
    };
    std::vector<std::pair<std::string, std::string>> pairs;
    std::vector<std::string> cells;
    for (auto at = page.find("<td"); at != page.npos; at = page.find("<td", at + 1))
        cells.push_back(cellText(page.substr(at, page.find("</td>", at) - at)));
    for (std::size_t i = 2; i + 1 < cells.size(); i += 2)
        pairs.push_back({cells[i], cells[i + 1]});
    return pairs;
}

struct PageRow
{
    const char *name, *query;           // from, to, word
    std::vector<TranslationPair> pairs; // empty: the not-found page
};

const PageRow kPageRows[] = {
    // clang-format off
    {"SensesSplitMarksDropped", "english&selectTo=turkish&txtLang=Hello", {{"hello", "merhaba"}, {"hello", "selam"}, {"hello", "alo"}}},
    {"ExamplesAndSeeAlsoLeftOut", "english&selectTo=turkish&txtLang=bird", {{"bird", "kuş"}}},
    {"MarkupEscaped", "english&selectTo=turkish&txtLang=tag", {{"tag", "&amp;&quot;x&quot; yazı"}, {"tag", "a"}}},
    {"Windows1254Word", "turkish&selectTo=english&txtLang=KU%FE", {{"kuş", "bird"}}},
    {"TurkishDotlessI", "turkish&selectTo=english&txtLang=ILIK", {{"ılık", "lukewarm"}}},
    {"TurkishDottedI", "turkish&selectTo=english&txtLang=%DDNG%DDLTERE", {{"İngiltere", "England"}}},
    {"CodesAndWordTrimmed", "%20english%20&selectTo=turkish&txtLang=%20bird%20", {{"bird", "kuş"}}},
    {"ThroughEnglishWhenThePairLacksTheWord", "spanish&selectTo=turkish&txtLang=casa", {{"casa", "ev"}, {"casa", "konut"}}},
    {"FoundOnlyBackwards", "turkish&selectTo=english&txtLang=kitap", {{"kitap", "book"}, {"kitap rafı", "bookcase"}}},
    {"BothWaysCommonerFirstNoDuplicates", "turkish&selectTo=english&txtLang=EV", {{"ev", "house"}, {"ev", "home"}}},
    {"ReferencesAmongCodePageBytes", "polish&selectTo=english&txtLang=%26%23322%3B%F3d%26%23378%3B", {{"łódź", "boat"}}},
    {"RowsBeyondTheCodePage", "english&selectTo=czech&txtLang=horse", {{"horse", "kůň"}}},
    {"RowsBeyondTheCodePageOneLetter", "english&selectTo=hungarian&txtLang=he", {{"he", "ő"}}},
    {"PartOfAWordIsNoMatch", "turkish&selectTo=english&txtLang=kita", {}},
    {"UnknownWord", "english&selectTo=turkish&txtLang=zzz", {}},
    {"NoDictionaryForThePair", "rumanian&selectTo=turkish&txtLang=casa", {}},
    // clang-format on
};

// English-Turkish, Turkish-English, Spanish-English and a small
// Spanish-Turkish that lacks "casa"; each opposite pair is also read backwards.
using SiteDictionaryPage = testing::TestWithParam<PageRow>;

TEST_P(SiteDictionaryPage, ProgramExtractsThePairs)
{
    const PageRow &row = GetParam();
    const auto dir = DictFixture::dictionaries(
        {{"eng-tur",
          {{"hello", "hello /həˈləʊ/\n1. (ünlem) merhaba, selam\n2. alo.\n"},
           {"bird", "bird /bɜːd/\n1. kuş\n   \"early bird\" - erkenci\n see: {fowl}\n"},
           {"house", "house <n>\nev; konut\n"},
           {"tag", "tag\n<b>&\"x\"</b> yazı, a<b\n"},
           {"book", "book /bʊk/\n1. kitap\n2. defter\n"},
           {"bookseller", "bookseller\nkitapçı\n"},
           {"bookcase", "bookcase\nkitap rafı, kitaplık\n"}}},
         {"tur-eng",
          {{"kuş", "kuş /kuʃ/\nbird\n"},
           {"ılık", "ılık\nlukewarm\n"},
           {"İngiltere", "İngiltere\nEngland\n"},
           {"ev", "ev\nhome, house\n"}}},
         {"spa-eng", {{"casa", "casa /kˈasa/\nhouse\n"}}},
         {"spa-tur", {{"perro", "perro\nköpek\n"}}},
         {"pol-eng", {{"łódź", "łódź\nboat\n"}}},
         {"eng-ces", {{"horse", "horse\nkůň\n"}}},
         {"eng-hun", {{"he", "he\nő\n"}}}});
    const SiteResponder site(std::make_shared<const Translator>(dir));
    const SiteResponse response =
        site.respond("GET", std::string("/index.php?selectFrom=") + row.query, "");
    ASSERT_EQ(response.status, 200);
    const std::string lowered = TextRules::lowerAscii(response.body);
    EXPECT_EQ(lowered.find("no translation found.") != lowered.npos, row.pairs.empty());
    // A pair no dictionary reaches says so, rather than hint at a typo.
    EXPECT_EQ(response.body.find("Bu dil çifti için sözlüğümüz yok.") != std::string::npos,
              std::string_view(row.name) == "NoDictionaryForThePair");
    std::vector<std::pair<std::string, std::string>> expected;
    for (const auto &[source, translation] : row.pairs)
        expected.push_back({TextRules::lowerAscii(source), TextRules::lowerAscii(translation)});
    EXPECT_EQ(pairsShown(extractResultPage(lowered, "a", "b").page), expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, SiteDictionaryPage, testing::ValuesIn(kPageRows), rowName);

// The program starts its scan 50 characters after the marker's start and
// reads 15000 characters from there; the page shows the first 20 rows and
// says, outside the cells, how many more there were.
TEST(SiteResultPage, RowsStartRightAfterTheMarkerAndAllFitTheProgramsWindow)
{
    const std::string page = SitePages::resultPage({60, {"w", std::string(400, 'x')}}, "a", "b");
    const std::string_view scan = std::string_view(page).substr(
        page.find("<table cellSpacing=0 cellPadding=1 width=\"100%\">") + 50);
    EXPECT_TRUE(scan.starts_with("<tr><td width=\"40%\">w</td>")) << scan.substr(0, 30);
    std::size_t cells = 0, inWindow = 0;
    for (auto at = scan.find("<td width=\"40%\">"); at != scan.npos; at = scan.find("<td ", at + 1))
        ++cells, inWindow += at < 15000;
    EXPECT_EQ(cells, 40u);
    EXPECT_EQ(inWindow, cells);
    EXPECT_NE(page.find("</table>\n<p class=\"muted\">İlk 20 karşılık gösterildi; 40 karşılık "
                        "daha var.</p>"),
              page.npos);

    const std::string all = SitePages::resultPage({20, {"w", "x"}}, "a", "b");
    EXPECT_EQ(all.find("karşılık daha var"), all.npos);

    // Rows long enough stop at the window before the twentieth.
    const std::string longRows =
        SitePages::resultPage({60, {"w", std::string(1000, 'x')}}, "a", "b");
    const std::size_t table = longRows.find("<table cellSpacing=0");
    EXPECT_LT(longRows.find("</table>") - table, 15000u);
    EXPECT_NE(longRows.find("İlk 13 karşılık gösterildi; 47 karşılık daha var."), longRows.npos);
}

// lt-print's listing: a section with a loop is a pattern, not words; every
// path of the others is a headword and a translation, without tags or "#".
TEST(SiteApertiumLexicon, ListingBecomesFreeDictEntries)
{
    const std::string listing = "0\t1\tx\tx\t0.000000\t\n1\t0\ty\ty\t0.000000\t\n1\t0.000000\n--\n"
                                "0\t1\tcasă\tcasa\t0.000000\t\n"
                                "1\t2\t<n>\t<n>\t0.000000\t\n"
                                "2\t9\tε\tε\t0.000000\t\n"
                                "2\t3\t<f>\t<f>\t0.000000\t\n"
                                "3\t9\tε\tε\t0.000000\t\n"
                                "0\t4\tieși#\tsalir#\t0.000000\t\n"
                                "4\t5\t \t \t0.000000\t\n"
                                "5\t6\tla iveală\ta la luz\t0.000000\t\n"
                                "6\t9\t<vblex>\t<vblex>\t0.000000\t\n"
                                "0\t7\tmare\tgrande\t0.000000\t\n"
                                "7\t9\t<adj>\t<adj>\t0.000000\t\n"
                                "0\t8\tmare\tmar\t0.000000\t\n"
                                "8\t9\t<n>\t<n>\t0.000000\t\n"
                                "0\t10\tmare\tε\t0.000000\t\n"
                                "9\t0.000000\n";
    std::string entries;
    for (const ApertiumLexicon::Entry &entry : ApertiumLexicon::fromListing(listing))
        entries += ApertiumLexicon::entryText(entry);
    EXPECT_EQ(entries, "casă <n>\ncasa\nieși la iveală <v>\nsalir a la luz\nmare <adj>\ngrande\n"
                       "mare <n>\nmar\n");
}

// Romanian has no FreeDict dictionary: Apertium's Spanish-Romanian lexicon,
// as the site makes it into dictionaries, answers it both ways, with
// Turkish and English through Spanish.
struct RomanianRow
{
    const char *name, *query, *expected; // the expected among the first three rows
};

const RomanianRow kRomanianRows[] = {
    {"RomanianToTurkish", "rumanian&selectTo=turkish&txtLang=c%E2ine", "köpek"},
    {"TurkishToRomanian", "turkish&selectTo=rumanian&txtLang=k%F6pek", "câine"},
    {"RomanianToEnglishByReference", "rumanian&selectTo=english&txtLang=cas%26%23259%3B", "house"},
    {"EnglishToRomanian", "english&selectTo=rumanian&txtLang=book", "carte"},
    {"RomanianWithTheTurkishCedilla", "rumanian&selectTo=english&txtLang=ora%FE", "city"},
};

class SiteApertiumRomanian : public testing::TestWithParam<RomanianRow>
{
protected:
    // The lexicons made into dictionaries are kept between runs, as the
    // site keeps them in its cache: lt-print reads a whole lexicon.
    static void SetUpTestSuite()
    {
        const auto lexicons = std::filesystem::temp_directory_path() / "vorlinda-test-apertium";
        auto translator = std::make_shared<Translator>("/usr/share/dictd");
        ApertiumLexicon::prepare(
            "/usr/share/apertium", lexicons, [](auto, auto) { return true; },
            [](const std::string &why) { ADD_FAILURE() << why; }, ApertiumLexicon::ltPrint);
        translator->addDictionaries(lexicons);
        site_ = std::make_unique<SiteResponder>(translator);
    }
    static void TearDownTestSuite() { site_.reset(); }
    static inline std::unique_ptr<SiteResponder> site_;
};

TEST_P(SiteApertiumRomanian, AnswersBothWays)
{
    const RomanianRow &row = GetParam();
    const SiteResponse response =
        site_->respond("GET", std::string("/index.php?selectFrom=") + row.query, "");
    const auto pairs = pairsShown(extractResultPage(response.body, "a", "b").page);
    const auto firstThree =
        pairs.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(pairs.size(), 3));
    EXPECT_TRUE(std::any_of(pairs.begin(), firstThree, [&](const auto &pair) {
        return pair.second == row.expected;
    })) << response.body;
}

INSTANTIATE_TEST_SUITE_P(Rows, SiteApertiumRomanian, testing::ValuesIn(kRomanianRows), rowName);

} // namespace
