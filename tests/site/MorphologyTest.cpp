// Inflected words found through their dictionary forms, over the FreeDict,
// Hunspell and WordNet files Debian installs (scripts/install-deps.sh).
#include "morph/Morphology.h"
#include "morph/TurkishSuffixes.h"
#include "tests/support/DictFixture.h"
#include "tests/support/RowName.h"
#include "text/TextFolding.h"
#include "web/Translator.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vorlinda::site;

namespace {

constexpr const char *kDictionaries = "/usr/share/dictd";

// `source`: what the first pair must translate ("" for nothing found); an
// exact hit shows what the site without morphology shows.
struct FormRow
{
    const char *name, *from, *to, *word, *source;
    bool exact;
};
const FormRow kFormRows[] = {
    // clang-format off
        {"EnglishPlural", "english", "turkish", "dogs", "dog", false},
        {"EnglishComparative", "english", "turkish", "colder", "cold", false},
        {"EnglishPluralFromWordNet", "english", "turkish", "knives", "knife", false},
        {"IrregularWithAnEntryOfItsOwn", "english", "turkish", "went", "went", true},
        {"NewsIsNotNew", "english", "french", "news", "news", true},
        {"GlassesIsNotGlass", "english", "french", "glasses", "glasses", true},
        {"NoStemAtAll", "english", "turkish", "qwzxv", "", false},
        {"TurkishPluralBackwards", "turkish", "english", "masalar", "masa", false},
        {"TurkishCapitals", "turkish", "english", "MASALARDA", "masa", false},
        {"TurkishPhraseOfTheFormLosesToTheStem", "turkish", "english", "evden", "ev", false},
        {"TurkishVerbByItsInfinitive", "turkish", "english", "geldi", "gelmek", false},
        {"TurkishSoftenedConsonantGuessed", "turkish", "english", "kitabı", "kitap", false},
        {"TurkishVerbEndingsGuessed", "turkish", "english", "gidiyorum", "gitmek", false},
        {"TurkishNarrowedVowelGuessed", "turkish", "english", "istiyorum", "istemek", false},
        {"TurkishGuessInAPhraseOnlyIsNoHit", "turkish", "english", "bilmiyorum", "bilmek", false},
        {"TurkishNoStem", "turkish", "english", "qwzxv", "", false},
        {"FrenchPlural", "french", "english", "chiens", "chien", false},
        {"ItalianPlural", "italian", "english", "cani", "cane", false},
        {"SpanishThroughEnglish", "spanish", "turkish", "perros", "perro", false},
        {"PolishLatin2Dictionary", "polish", "english", "książki", "książka", false},
    // clang-format on
};

using SiteMorphologyForm = testing::TestWithParam<FormRow>;

TEST_P(SiteMorphologyForm, FindsItsDictionaryForm)
{
    // Read once where the rows run in one process: Hunspell takes a while.
    static const Translator site(kDictionaries);
    static const Translator bare(kDictionaries, "/nonexistent", "/nonexistent");
    const FormRow &row = GetParam();
    const auto pairs = site.translate(row.from, row.to, row.word, 40);
    ASSERT_EQ(pairs.empty(), *row.source == '\0');
    if (pairs.empty())
        return;
    EXPECT_EQ(foldCase(pairs.front().source, std::string_view(row.from) == "turkish"), row.source);
    if (row.exact) {
        EXPECT_EQ(pairs, bare.translate(row.from, row.to, row.word, 40));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, SiteMorphologyForm, testing::ValuesIn(kFormRows), rowName);

// German over a small dictionary of its own: the real English-German one
// takes seconds to read backwards.
TEST(SiteMorphology, GermanNounsAndVerbs)
{
    const auto dir = DictFixture::dictionaries(
        {{"deu-eng", {{"Hund", "Hund\ndog\n"}, {"machen", "machen\nmake, do\n"}}}});
    const Translator site(dir);
    EXPECT_EQ(site.translate("german", "english", "HUNDES", 40),
              (std::vector<TranslationPair>{{"Hund", "dog"}}));
    EXPECT_EQ(site.translate("german", "english", "machte", 40),
              (std::vector<TranslationPair>{{"machen", "make"}, {"machen", "do"}}));
}

TEST(SiteMorphology, WithoutMorphologyFilesOnlyExactWordsAreFound)
{
    const Translator bare(kDictionaries, "/nonexistent", "/nonexistent");
    EXPECT_TRUE(bare.translate("english", "turkish", "dogs", 40).empty());
    EXPECT_TRUE(bare.translate("english", "turkish", "knives", 40).empty());
    EXPECT_FALSE(bare.translate("english", "turkish", "dog", 40).empty());
}

// In the site every language is read on a worker from the start; a word
// asked for before its language is read waits for it, and gets its stems.
TEST(SiteMorphology, ReadFromTheStartAWordWaitsForItsLanguage)
{
    const Morphology morphology("/usr/share/hunspell", "/usr/share/wordnet",
                                Morphology::Loading::Background);
    EXPECT_EQ(morphology.stems("english", "dogs"), std::vector<std::string>{"dog"});
    EXPECT_EQ(morphology.stems("turkish", "masalar"), std::vector<std::string>{"masa"});
    EXPECT_EQ(morphology.guesses("swahili", "kunywa"), std::vector<std::string>{"nywa"});
}

TEST(SiteTurkishSuffixes, RealWordsLeadToTheirStems)
{
    using Candidate = TurkishSuffixes::Candidate;
    const std::vector<std::pair<const char *, Candidate>> rows = {
        {"kitaplarımızdan", {"kitap", false}}, {"kitabı", {"kitap", false}},
        {"çocuğu", {"çocuk", false}},          {"ağacı", {"ağaç", false}},
        {"gidiyorum", {"git", true}},          {"konuşuyoruz", {"konuş", true}},
        {"söylüyorum", {"söyle", true}},       {"bilmiyorum", {"bil", true}},
        {"arabayla", {"araba", false}},        {"Masalar", {"masa", false}}};
    for (const auto &[word, stem] : rows) {
        const auto candidates = TurkishSuffixes::candidates(word);
        EXPECT_NE(std::find(candidates.begin(), candidates.end(), stem), candidates.end())
            << word << " -> " << stem.stem;
    }
    EXPECT_TRUE(TurkishSuffixes::candidates("ev").empty());
    EXPECT_EQ(TurkishSuffixes::infinitive("gel"), "gelmek");
    EXPECT_EQ(TurkishSuffixes::infinitive("oku"), "okumak");
}

} // namespace
