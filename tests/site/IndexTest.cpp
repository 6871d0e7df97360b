// The dictionaries' on-disk indexes: the answers they give against those of
// the dictionaries read as they are, and what a damaged or stale index does.
#include "dict/DictdIndex.h"
#include "server/IndexCache.h"
#include "server/SiteOptions.h"
#include "tests/support/DictFixture.h"
#include "tests/support/RowName.h"
#include "web/SitePages.h"
#include "web/Translator.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

using namespace vorlinda::site;

namespace {

void rewrite(const std::filesystem::path &file, const std::function<void(std::string &)> &change)
{
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    change(bytes);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// The first and then every nth headword of a dictionary, and the first word
// of the translations of a few of their entries.
std::vector<std::string> sample(const Translator &translator, const std::filesystem::path &index,
                                const std::string &from, const std::string &to, std::size_t n)
{
    std::vector<std::string> words;
    const std::vector<DictdIndex::Entry> entries = DictdIndex::load(index, false).entries();
    for (std::size_t i = 0; i < entries.size(); i += std::max<std::size_t>(1, entries.size() / n))
        words.push_back(entries[i].headword);
    for (std::size_t i = 0; i < words.size(); i += 3)
        for (const TranslationPair &pair : translator.translate(from, to, words[i], 2))
            words.push_back(pair.translation);
    return words;
}

void set(const char *name, const char *value)
{
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
}

// Every served pair, both ways and through English, headwords, their
// translations looked up backwards, inflected forms (stems and guesses),
// phrases, and the translate page: the same bytes from the index.
TEST(SiteIndex, AnswersAsTheDictionariesDo)
{
#if defined(VORLINDA_SANITIZED)
    GTEST_SKIP() << "reads every installed dictionary whole twice: the plain build runs it";
#endif
    const std::filesystem::path dictionaries = "/usr/share/dictd";
    const Translator plain(dictionaries);
    Translator indexed(dictionaries);
    SiteOptions options;
    options.dictionaries = dictionaries;
    options.cache = VORLINDA_ANSWER_INDEXES;
    IndexCache::build(indexed, options.indexDirectory(), [](const std::string &) {});
    ASSERT_TRUE(IndexCache::open(indexed, options.indexDirectory(), [](const std::string &why) {
        ADD_FAILURE() << "refused: " << why;
    }));

    std::vector<std::string> pairs = plain.directPairs();
    for (const char *pivot : {"spanish>turkish", "turkish>french", "dutch>german"})
        pairs.push_back(pivot);
    std::size_t compared = 0;
    for (const std::string &pair : pairs) {
        const std::string from = pair.substr(0, pair.find('>'));
        const std::string to = pair.substr(pair.find('>') + 1);
        std::vector<std::string> words = {"house", "ev",        "Haus",  "evler",   "kitabı",
                                          "dogs",  "ice cream", "geldi", "maisons", "xqzw"};
        for (const SiteLanguage &language : siteLanguages()) {
            if (language.code != from)
                continue;
            for (const std::string_view iso : language.isoCodes)
                for (const std::string_view other : {"eng", "tur"}) {
                    const auto index = dictionaries / ("freedict-" + std::string(iso) + "-" +
                                                       std::string(other) + ".index");
                    if (std::filesystem::exists(index))
                        for (std::string &word : sample(plain, index, from, to, 12))
                            words.push_back(std::move(word));
                }
        }
        for (const std::string &word : words) {
            ASSERT_EQ(plain.translate(from, to, word, SitePages::kMaxPairs),
                      indexed.translate(from, to, word, SitePages::kMaxPairs))
                << pair << " " << word;
            ++compared;
        }
        ASSERT_EQ(SitePages::translatePage(plain, from, to, "the house of kitap evler Haus"),
                  SitePages::translatePage(indexed, from, to, "the house of kitap evler Haus"))
            << pair;
    }
    EXPECT_GT(compared, 1000u);
}

// A stale, truncated or damaged index is refused, said so, and the answer
// is the dictionaries' own all the same.
struct DamageRow
{
    const char *name;
    std::function<void(const std::filesystem::path &dictionaries,
                       const std::filesystem::path &index)>
        damage;
    std::size_t refusedAtOpen; // indexes, the others on the first lookup
    bool refusedAtLookup;
};

void flip(const std::filesystem::path &file, long at, char bits)
{
    rewrite(file, [&](std::string &b) { b[at < 0 ? b.size() + at : at] ^= bits; });
}

const DamageRow kDamageRows[] = {
    {"Missing", [](auto &, auto &index) { std::filesystem::remove(index); }, 0, false},
    {"Truncated",
     [](auto &, auto &index) { rewrite(index, [](std::string &b) { b.resize(b.size() - 9); }); }, 1,
     false},
    {"HeaderByte", [](auto &, auto &index) { flip(index, 70, 1); }, 1, false},
    {"OtherVersion", [](auto &, auto &index) { rewrite(index, [](std::string &b) { b[8] = 9; }); },
     1, false},
    {"BodyByte", [](auto &, auto &index) { flip(index, -3, 0x20); }, 0, true},
    // Its headwords are also those of the opposite dictionary's index.
    {"DictionaryChanged",
     [](auto &dictionaries, auto &) {
         const auto index = dictionaries / "freedict-eng-tur.index";
         std::filesystem::last_write_time(index, std::filesystem::last_write_time(index) +
                                                     std::chrono::seconds(5));
     },
     2, false},
};

using SiteIndexDamage = testing::TestWithParam<DamageRow>;

TEST_P(SiteIndexDamage, IsRefusedAndTheDictionariesAnswer)
{
    const DamageRow &row = GetParam();
    const auto dir = DictFixture::dictionaries(
        {{"eng-tur",
          {{"book", "book\n1. kitap, defter\n2. (bot.) kayıt\n"}, {"house", "house\nev, konut\n"}}},
         {"tur-eng", {{"ev", "ev\nhome\n"}, {"kitap", "kitap\nbook, volume\n"}}}});
    const auto cache = dir / "cache";
    const Translator plain(dir, "/nonexistent", "/nonexistent", "/nonexistent");
    Translator indexed(dir, "/nonexistent", "/nonexistent", "/nonexistent");
    IndexCache::build(indexed, cache, [](const std::string &) {});
    row.damage(dir, cache / "freedict-eng-tur.vsi");
    std::vector<std::string> refusals;
    IndexCache::open(indexed, cache, [&](const std::string &why) { refusals.push_back(why); });
    EXPECT_EQ(refusals.size(), row.refusedAtOpen);
    for (const char *word : {"book", "house", "kitap", "ev"}) {
        EXPECT_EQ(indexed.translate("english", "turkish", word, 20),
                  plain.translate("english", "turkish", word, 20));
        EXPECT_EQ(indexed.translate("turkish", "english", word, 20),
                  plain.translate("turkish", "english", word, 20));
    }
    ASSERT_EQ(refusals.size(), row.refusedAtOpen + (row.refusedAtLookup ? 1 : 0));
    if (row.refusedAtLookup) {
        EXPECT_NE(refusals.back().find("damaged block"), std::string::npos) << refusals.back();
    }
    // Built anew, it is taken up again.
    IndexCache::build(indexed, cache, [](const std::string &) {});
    IndexCache::reopen(indexed);
    EXPECT_EQ(indexed.translate("english", "turkish", "book", 20),
              plain.translate("english", "turkish", "book", 20));
}

INSTANTIATE_TEST_SUITE_P(Rows, SiteIndexDamage, testing::ValuesIn(kDamageRows), rowName);

// Where the service, a user and a package's script find the indexes, and
// whether the system's are tried first.
struct CacheRow
{
    const char *name;
    std::vector<std::string_view> arguments;
    const char *service, *xdg, *home;
    const char *cache;
    bool build, system;
};

const CacheRow kCacheRows[] = {
    // clang-format off
    {"Service", {}, "/var/cache/vorlinda-site", "/x", "/h", "/var/cache/vorlinda-site", false, false},
    {"UserXdg", {}, nullptr, "/x", "/h", "/x/vorlinda-site", false, true},
    {"UserHome", {}, nullptr, nullptr, "/h", "/h/.cache/vorlinda-site", false, true},
    {"Build", {"--build-index"}, nullptr, nullptr, "/h", "/h/.cache/vorlinda-site", true, true},
    {"BuildInto", {"--build-index", "/srv/c", "-d", "/d"}, nullptr, nullptr, "/h", "/srv/c", true, true},
    {"BuildForDictionaries", {"--build-index", "--dictionaries", "/d"}, nullptr, "/x", "/h", "/x/vorlinda-site", true, true},
    {"BuildIntoOverService", {"--build-index=/srv/c"}, "/var/cache/v", nullptr, "/h", "/srv/c", true, false},
    {"SystemIndexItself", {"--system-index", "/var/cache/vorlinda-site"}, nullptr, "/var/cache", "/h", "/var/cache/vorlinda-site", false, false},
    // clang-format on
};

using SiteIndexFolder = testing::TestWithParam<CacheRow>;

TEST_P(SiteIndexFolder, FromTheCommandLineOrTheEnvironment)
{
    const CacheRow &row = GetParam();
    set("CACHE_DIRECTORY", row.service);
    set("XDG_CACHE_HOME", row.xdg);
    set("HOME", row.home);
    const SiteOptions options = SiteOptions::parse(row.arguments);
    EXPECT_EQ(options.cache, row.cache);
    EXPECT_EQ(options.buildIndex, row.build);
    EXPECT_EQ(options.indexDirectory().parent_path(), row.cache);
    EXPECT_EQ(options.systemIndexDirectory(),
              row.system ? std::optional(std::filesystem::path("/var/cache/vorlinda-site") /
                                         options.indexDirectory().filename())
                         : std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Rows, SiteIndexFolder, testing::ValuesIn(kCacheRows), rowName);

} // namespace
