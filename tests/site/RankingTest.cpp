// Which translation comes first, over the FreeDict, WordNet and SCOWL files
// Debian installs (scripts/install-deps.sh), and how entries are cleaned.
#include "dict/DictEntry.h"
#include "server/IndexCache.h"
#include "server/SiteOptions.h"
#include "tests/support/RowName.h"
#include "web/SitePages.h"
#include "web/Translator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace vorlinda::site;

namespace {

// The installed dictionaries as the site reads them: through the indexes its
// --build-index run made for this build (the site_answer_indexes test); a
// missing index leaves its dictionary read as it is, answering the same.
const Translator &installed()
{
    static const std::unique_ptr<Translator> translator = [] {
        SiteOptions options;
        options.dictionaries = "/usr/share/dictd";
        options.cache = VORLINDA_ANSWER_INDEXES;
        auto opened = std::make_unique<Translator>(options.dictionaries);
        IndexCache::open(*opened, options.indexDirectory(),
                         [](const std::string &why) { ADD_FAILURE() << why; });
        return opened;
    }();
    return *translator;
}

// The installed dictionaries read as they are: what the cleaning of their
// entries keeps, which an index holds as the build that made it read it.
const Translator &readWhole()
{
    static const Translator translator("/usr/share/dictd");
    return translator;
}

std::vector<std::string> translations(const char *from, const char *to, const char *word)
{
    std::vector<std::string> out;
    for (const TranslationPair &pair : installed().translate(from, to, word, SitePages::kMaxPairs))
        out.push_back(pair.translation);
    return out;
}

std::ptrdiff_t rowOf(const std::vector<std::string> &rows, std::string_view text)
{
    const auto at = std::find(rows.begin(), rows.end(), text);
    return at == rows.end() ? -1 : at - rows.begin();
}

// `first`: the rows the answer starts with, in order; `earlier`: a row that
// must be there, `later` one that must stand after it where given.
struct FirstRow
{
    const char *name, *from, *to, *word;
    std::vector<std::string> first;
    const char *earlier = nullptr, *later = nullptr;
};
const FirstRow kFirstRows[] = {
    // clang-format off
    // Read backwards: the first word of the other entry's first sense,
    // and the commoner English headword among equals.
    {"BackwardsCommonHeadwordFirst", "turkish", "english", "ev", {"house"}},
    {"BackwardsLaterWordOfACommonWordBeatsARareOne", "turkish", "english", "çocuk", {"child"}},
    {"BackwardsFirstSenseBeatsALaterOne", "turkish", "english", "kapı", {"door"}},
    {"BackwardsVerbByTheVerbsCount", "turkish", "english", "gitmek", {"go"}, "go", "buzz"},
    {"AlphabeticalSenseWordsRankedByUse", "turkish", "english", "soğuk", {"cold"}},
    {"OwnAndBackwardsRankedTogether", "turkish", "english", "yıldız", {"star"}},
    // A row the own entry lacks comes after its rows, however common:
    // "ekmek" is bread, and "plant" (to sow) is read backwards.
    {"OwnRowsBeforeCommonerOnesReadBackwards", "turkish", "english", "ekmek", {"bread"}},
    {"AffixAfterTheWord", "turkish", "english", "eski", {"old"}, "old", "ex‐"},
    // Read forwards: the commoner use of the word, the main entry; the
    // word a longer translation holds ("cevap" of "cevap vermek") first.
    {"NounBeforeTheVerb", "english", "turkish", "book", {"kitap"}},
    {"VerbBeforeTheNounWhereTheVerbIsCommoner", "english", "turkish", "go", {"gitmek"}},
    {"VerbEntryBeforeTheNounsWhereCommoner", "english", "turkish", "drink", {"içmek"}, "yutmak", "içki"},
    {"MainEntryBeforeARareOne", "english", "turkish", "road", {"yol"}},
    {"FirstWordOfEachUseFirst", "english", "turkish", "answer", {"cevap", "cevap vermek"}},
    {"PlainWordBeforeItsDescription", "french", "turkish", "bouleau", {"huş"}},
    {"AbbreviationAfterTheSenses", "english", "turkish", "din", {"gürültü"}, "gürültü etmek", "Deutsche Industrienor men Alman Sanayi Standartları"},
    {"OneSenseEntriesByTheTranslationsUse", "german", "turkish", "rot", {"kırmızı"}},
    // A word that heads a family of headwords ("Jahr": Jahrbuch, jährlich)
    // before a rarer one ("Jahrgangsstufe").
    {"CommonWordByItsFamily", "english", "german", "year", {"Jahr"}},
    {"ThroughEnglishRankedToo", "spanish", "turkish", "casa", {"ev"}},
    // The opposite dictionary read for each candidate: German "Blatt"
    // means leaf first, "Hand" hand.
    {"OppositeEntryTellsTheMeaning", "english", "german", "hand", {}, "Hand", "Blatt"},
    // After an own entry of twenty phrases ("write") too.
    // The opposite entry in alphabetical order tells no first word: "hand"
    // is the first of ouvrier's seven, and main's only one.
    {"OppositeWordsInAlphabeticalOrderTellNoFirst", "english", "french", "hand", {"main"}},
    {"OppositeRowsJoinALongOwnEntry", "english", "turkish", "write", {}, "yazmak", "kolayca yazmak"},
    // Through English, the candidate whose own entry shares the English
    // words ("bread", "loaf") beats the first English word's ("plant").
    {"PivotTakesTheAgreeingMeaning", "turkish", "czech", "ekmek", {"chléb"}},
    // A Turkish verb asks for a verb's form: "içmek" (smoke, drink) gives
    // pít before kouř (smoke, the noun).
    {"PivotVerbAsksForAVerbsForm", "turkish", "czech", "içmek", {}, "pít", "kouř"},
    {"PivotMarkedVerbAsksForAVerbsForm", "german", "french", "trinken", {"boire"}},
    {"PivotNounOfAnInfinitivesFormKeepsItsNouns", "turkish", "dutch", "ekmek", {}, "brood", "planten"},
    // A noun's first English word meets the candidate's first: "çocuk"
    // (child, boy, …) gives dítě before mládenec (youngster, lad, boy,
    // child); not so for a verb, whose entry may start with a narrower
    // sense, told by its entry ("ír": to do, to write) or by its form.
    {"PivotFirstMeaningsMeet", "turkish", "czech", "çocuk", {"dítě"}},
    {"PivotVerbsFirstWordNotItsMeaning", "hungarian", "turkish", "ír", {"yazmak"}},
    {"PivotInfinitivesFirstWordNotItsMeaning", "dutch", "turkish", "schrijven", {"yazmak"}},
    // Of candidates that agree alike, the commoner: Hund before
    // Gerüstklammer (a scaffold's dog).
    {"PivotCommonerOfEqualsFirst", "french", "german", "chien", {"Hund"}},
    // Turkish to Swedish has only Swedish–Turkish read backwards, where
    // väga and komma both give "gelmek" first: the commoner comes first.
    {"BackwardsAloneCommonerFirst", "turkish", "swedish", "gelmek", {"komma"}},
    {"PivotWhereTheOwnGivesOnlyPhrases", "turkish", "italian", "görmek", {"vedere"}},
    // The word other candidates are compounds of: Dutch "zon" before
    // "zonneschijn" and "zonneglans".
    {"PivotTakesTheWordItsCompoundsShare", "turkish", "dutch", "güneş", {}, "zon", "zonneschijn"},
    // The Hungarian files list one-word senses in no order of use:
    // "alszik" gives "to lie dormant", "to doss", "to kip" before "to
    // sleep"; through English all of such a list is read ("apa":
    // parent, governor, begetter, father).
    {"FlatListRankedByUse", "hungarian", "english", "alszik", {"to sleep"}},
    {"PivotReadsAllOfAFlatList", "hungarian", "turkish", "apa", {"baba"}},
    {"PivotReadsAllOfALongFlatList", "hungarian", "turkish", "ház", {"ev"}},
    // Elsewhere only the first few: their later words vote for rarer senses.
    {"PivotFollowsTheFirstWordsOfAnOrderedEntry", "turkish", "finnish", "kapı", {"ovi"}},
    // Into Hungarian, "house" is thirty one-word senses with "ház" 22nd:
    // the word five others are compounds of ("lakóház", "színház") comes
    // first; a short list of one-word senses keeps its order.
    {"FlatListTakesTheWordOfItsCompounds", "english", "hungarian", "house", {"ház"}},
    {"WordItsCompoundsShareFirst", "english", "dutch", "sun", {"zon"}},
    // Read backwards, a flat list's sense is weighed with how common its
    // headword is: "to see" is lát's fourth sense, belát's first.
    {"FlatListReadBackwardsByUse", "english", "hungarian", "see", {}, "lát", "belát"},
    {"ShortListKeepsItsOrder", "english", "spanish", "fire", {"fuego"}},
    // Hungarian–English alone names the verb, as "to write".
    {"EnglishVerbFoundAsItsGloss", "english", "hungarian", "write", {}, "ír", "lefirkant"},
    // Where that file tells the verb's gloss ("to go") from the noun's
    // ("go"), the commoner use by WordNet's counts comes first.
    {"VerbGlossForACommonVerb", "english", "hungarian", "go", {}, "megy", "alku"},
    {"PlainGlossForACommonNoun", "english", "hungarian", "book", {}, "könyv", "lefoglal"},
    // Where the entries mark their part of speech: "fish" is mostly a noun,
    // so fiŝo before fiŝi (to fish).
    {"MarkedUseOfTheCommonerKindFirst", "english", "esperanto", "fish", {"fiŝo"}},
    // The data's spellings: Hungarian ô/û, Dutch ĳ, Swahili verb stems.
    {"HungarianCircumflexAsTyped", "english", "hungarian", "year", {}, "esztendő", nullptr},
    {"CircumflexElsewhereUntouched", "english", "french", "coast", {}, "côte", nullptr},
    {"DutchLigatureReadAsTyped", "dutch", "english", "schrijven", {}, "write", "write upon"},
    {"DutchWithoutIjUntouched", "dutch", "english", "lezen", {"read"}},
    {"SwahiliInfinitiveFindsItsStem", "swahili", "english", "kunywa", {"drink"}},
    {"SwahiliAdjectiveFindsItsStem", "swahili", "english", "nyekundu", {"red"}},
    {"SwahiliKuOfTheStemItselfKept", "swahili", "english", "kuku", {}, "chicken", nullptr},
    // Serbian written in Cyrillic and Croatian in Latin: one word, shown in
    // Latin, its votes together ("пас" and "pas").
    {"SerbianCyrillicShownInLatin", "turkish", "serbo_croat", "köpek", {"pas", "budala"}},
    // The English–Croatian file lists a word's forms beside it ("glava,
    // glave, glavi"): through English they vote for the word.
    {"PivotFormsGiveTheWordTheirVotes", "turkish", "serbo_croat", "baş", {"glava"}},
    // A pointer is followed; an inflected form's stem before phrases.
    {"PointerFollowed", "english", "turkish", "children", {}, "çocuk", nullptr},
    {"StemBeforePhrasesHoldingTheForm", "turkish", "english", "kitaplar", {"book"}},
    // A definition in the entry's own language comes after the
    // translations; a word both languages write alike does not.
    {"DefinitionAfterTheTranslations", "english", "finnish", "eat", {"syödä"}, "aterioida", "cause to worry"},
    {"WordOfBothLanguagesKept", "english", "czech", "bookshelves", {"police"}},
    // clang-format on
};

using SiteRankingFirst = testing::TestWithParam<FirstRow>;

TEST_P(SiteRankingFirst, ExpectedTranslationComesFirst)
{
    const FirstRow &row = GetParam();
    const std::vector<std::string> got = translations(row.from, row.to, row.word);
    ASSERT_GE(got.size(), row.first.size());
    EXPECT_EQ(std::vector(got.begin(), got.begin() + std::ptrdiff_t(row.first.size())), row.first);
    if (row.earlier != nullptr) {
        EXPECT_GE(rowOf(got, row.earlier), 0) << row.earlier;
    }
    if (row.later != nullptr) {
        EXPECT_GT(rowOf(got, row.later), rowOf(got, row.earlier)) << row.later;
    }
}
INSTANTIATE_TEST_SUITE_P(Rows, SiteRankingFirst, testing::ValuesIn(kFirstRows), rowName);

// Rows of real entries that the cleaning must mend, and rows it must keep.
struct CleanRow
{
    const char *name, *word, *source, *translation;
    bool shown;
    const char *to = "turkish";
};
const CleanRow kCleanRows[] = {
    // clang-format off
    {"PluralNoteDropped", "child", "child", "-children bebek", false},
    {"PluralNoteLeavesTheWord", "child", "child", "bebek", true},
    {"IrregularPluralDropped", "man", "man", "men adam", false},
    {"IrregularPluralLeavesTheWord", "man", "man", "adam", true},
    {"CompoundIsARowOfItsOwn", "door", "doorbell", "kapı zili", true},
    {"CompoundNotRunIntoTheCell", "door", "door", "doorbell kapı zili", false},
    {"PhraseWithItsOwnHeadword", "house", "house arrest", "evde göz hapsi", true},
    {"MarkLeftoverIsNoCompound", "door", "door", "paspas", false},
    {"LabelTakenOffTheTranslation", "cat", "cat", "adam", true},
    {"LabelOnlyRowDropped", "cat", "cat", "ABD", false},
    {"DescriptionKept", "blue", "blue", "mavi renk", true},
    {"PointerIsNoTranslation", "children", "children", "child", false},
    // "etw. hören": the verb without the stand-ins of its objects.
    {"ObjectStandInsTakenOff", "hear", "hear", "etw. hören", false, "german"},
    {"VerbWithoutItsStandInsShown", "hear", "hear", "hören", true, "german"},
    {"CircumflexStandInMended", "year", "year", "esztendô", false, "hungarian"},
    // "house /haustʃɑːdʒ/ servicio" is "house charge" cut short; letters
    // read out by name sound longer than they are written.
    {"CutHeadwordDropped", "house", "house", "servicio", false, "spanish"},
    {"LettersReadOutKept", "mho", "mho", "iletkenlik birimi", true},
    // clang-format on
};

using SiteRankingClean = testing::TestWithParam<CleanRow>;

TEST_P(SiteRankingClean, RealRowsCleaned)
{
    const CleanRow &row = GetParam();
    const auto pairs = readWhole().translate("english", row.to, row.word, SitePages::kMaxPairs);
    const bool shown = std::find(pairs.begin(), pairs.end(),
                                 TranslationPair{row.source, row.translation}) != pairs.end();
    EXPECT_EQ(shown, row.shown);
}
INSTANTIATE_TEST_SUITE_P(Rows, SiteRankingClean, testing::ValuesIn(kCleanRows), rowName);

// What a parse makes of an entry's lines.
TEST(SiteDictEntry, ParsesSensesMarksAndCompounds)
{
    const std::unordered_set<std::string> labels = {"abd", "kdili"};
    DictEntry::Context context{
        &labels,
        [](std::string_view word) { return word == "door" || word == "keeper" || word == "el"; },
        [](std::string_view word) { return word == "el"; },
        true,
        {}};
    using T = DictEntry::Translation;
    using S = DictEntry::SubEntry;
    const struct
    {
        const char *name, *text;
        std::vector<T> translations;
        std::vector<S> subEntries;
        DictEntry::PartOfSpeech partOfSpeech = DictEntry::PartOfSpeech::Unknown;
        bool secondary = false;
    } rows[] = {
        // clang-format off
        {"SensesAndPlaces", "door\n1. kapı, giriş\n2. eşik\n", {{"kapı", 0, 0}, {"giriş", 0, 1}, {"eşik", 1, 0}}, {}},
        {"UnopenedNoteEndsTheNote", "door\n1. (çoğ.) doors) kapı, giriş\n", {{"kapı", 0, 0}, {"giriş", 0, 1}}, {}},
        {"WrittenLabelTakenOff", "door\n1. ABD kapı\n2. K.dili. giriş\n", {{"kapı", 0, 0}, {"giriş", 1, 0}}, {}},
        {"LabelWordWrittenPlainStays", "door\n1. abd kapı\n", {{"abd kapı", 0, 0}}, {}},
        {"CompoundsSplitOff", "door\n1. kapı. doorbell  kapı zili. door keeper kapıcı\n", {{"kapı", 0, 0}}, {{"doorbell", "kapı zili"}, {"door keeper", "kapıcı"}}},
        {"ShortTranslationWordEndsNoPhrase", "door\n1. door keeper el feneri\n", {}, {{"door keeper", "el feneri"}}},
        {"TranslationBeforeAPhraseKept", "door\n1. kapı açık door keeper kapıcı\n", {{"kapı açık", 0, 0}}, {{"door keeper", "kapıcı"}}},
        {"HeadwordBeforeATranslationIsNoPhrase", "door\n1. kapı, door paspas\n", {{"kapı", 0, 0}, {"door paspas", 0, 1}}, {}},
        {"HeadwordAloneIsNoTranslation", "door\n1. kapı, door\n", {{"kapı", 0, 0}}, {}},
        {"AlphabeticalWordsShareThePlace", "door\n1. giriş, kapı\n", {{"giriş", 0, 0}, {"kapı", 0, 0}}, {}},
        {"TurkishInfinitiveMarksAVerb", "door\n1. kapıyı açmak\n", {{"kapıyı açmak", 0, 0}}, {}, DictEntry::PartOfSpeech::Verb},
        {"MarkedPartOfSpeech", "door <n>\n1. kapı\n", {{"kapı", 0, 0}}, {}, DictEntry::PartOfSpeech::Noun},
        {"AbbreviationIsSecondary", "d\n1. (kıs.) kapı\n", {{"kapı", 0, 0}}, {}, {}, true},
        {"AffixIsSecondary", "door-\n1. kapı\n", {{"kapı", 0, 0}}, {}, {}, true},
        {"AbbreviationAloneIsNoTranslation", "give\njdm. schenken, etw., etwas geben\n", {{"schenken", 0, 0}, {"etwas geben", 0, 1}}, {}},
        {"ShortWordEndingTheLineStays", "door\n1. kapı, ev.\n", {{"kapı", 0, 0}, {"ev", 0, 1}}, {}},
        {"VerbGlossLosesItsPastForms", "megy\n1. to walk\n2. to go, went, gone\n", {{"to walk", 0, 0}, {"to go", 1, 0}}, {}},
        {"VerbGlossesSideBySideKept", "megy\n1. to walk, to go\n", {{"to walk", 0, 0}, {"to go", 0, 1}}, {}},
        // clang-format on
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const DictEntry entry = DictEntry::parse(row.text, context);
        EXPECT_EQ(entry.translations, row.translations);
        EXPECT_EQ(entry.subEntries, row.subEntries);
        EXPECT_EQ(entry.partOfSpeech, row.partOfSpeech);
        EXPECT_EQ(entry.secondary, row.secondary);
    }
}

TEST(SiteDictEntry, LabelsAreTheDottedMarksInParenthesesUsedOften)
{
    std::string text;
    for (int i = 0; i < 20; ++i)
        text += "w\n1. (A.B.D.) x (argo) y (bot.) z (mat.) v\n";
    text += "w\n1. (mat) (bot.)\n";
    const auto labels = DictEntry::labelsIn(text);
    EXPECT_EQ(labels, (std::unordered_set<std::string>{"abd", "bot", "mat"}));
}

// The translation page: the longest run of words a dictionary has as a
// headword is one piece ("good morning"); words no phrase holds stay apart.
TEST(SiteRanking, TextTakesTheLongestPhrase)
{
    std::vector<std::string> pieces;
    for (const TranslatedPiece &piece :
         installed().translateText("english", "german", "good morning, my friend"))
        pieces.push_back(piece.text + (piece.translation ? "=" : ""));
    EXPECT_EQ(pieces, (std::vector<std::string>{"good morning=", ", ", "my=", " ", "friend="}));
}

} // namespace
