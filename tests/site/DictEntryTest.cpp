// Cutting FreeDict entries of the shapes the installed dictionaries use.
#include "DictEntry.h"

#include <gtest/gtest.h>

using namespace vorlinda::site;

namespace {

struct EntryRow
{
    const char *name;
    const char *text;
    const char *headword;
    std::vector<std::string> translations;
};

class SiteDictEntry : public testing::TestWithParam<EntryRow>
{};

TEST_P(SiteDictEntry, Parses)
{
    const DictEntry entry = DictEntry::parse(GetParam().text);
    EXPECT_EQ(entry.headword, GetParam().headword);
    EXPECT_EQ(entry.translations, GetParam().translations);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SiteDictEntry,
    testing::Values(
        EntryRow{"NumberedSensesWithNotes",
                 "a /ˈeɪ/\n1. ingiliz alfabesinin ilk harfi\n3. (müz.) la notası, la perdesi\n"
                 "4. (A.B.D.) en yüksek not.\n",
                 "a",
                 {"ingiliz alfabesinin ilk harfi", "la notası", "la perdesi", "en yüksek not"}},
        EntryRow{"SentencesSplit",
                 "hello /həlˈəʊ/\n1. (ünlem) Alo. Merhaba Günaydın. (nad.) Yahu, nedir bu ?\n",
                 "hello",
                 {"Alo", "Merhaba Günaydın", "Yahu", "nedir bu ?"}},
        EntryRow{"GrammarMarksExamplesSynonymsDropped",
                 "Haus /hˈaʊs/ <neut, n, sg>\n [adm.] establishment <n>, institution <n>\n"
                 "      \"ein Haus bauen\"  - build a house\n   Synonyms: {Einrichtung}\n\n"
                 " see: {Häuser}\n",
                 "Haus",
                 {"establishment", "institution"}},
        EntryRow{"InlineSenseNumbersAndDuplicates",
                 "dom /dɔ̃m/ <n>\n1. house, home 2.\n2. home, house 2.\n",
                 "dom",
                 {"house", "home"}},
        EntryRow{"PlainLine",
                 "domo /dˈomo/\nhouse, villa; building\n",
                 "domo",
                 {"house", "villa", "building"}},
        EntryRow{"LongDefinitionLeftOut",
                 "x\nshort, "
                 "a definition that runs on and on well past anything a translation cell "
                 "should hold in the list\n",
                 "x",
                 {"short"}},
        EntryRow{"HeadwordOnly", "lonely\n", "lonely", {}}, EntryRow{"Empty", "", "", {}}),
    [](const auto &row) { return std::string(row.param.name); });

} // namespace
