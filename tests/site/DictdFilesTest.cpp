// Reading dictd files: index numbers and lines, dictzip chunks, whole gzip
// and plain text, and one real installed dictionary.
#include "DictFixture.h"
#include "DictZipFile.h"
#include "DictdIndex.h"
#include "Translator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

using namespace vorlinda::site;

namespace {

struct NumberRow
{
    const char *name;
    const char *digits;
    std::optional<std::uint64_t> value;
};

class SiteIndexNumber : public testing::TestWithParam<NumberRow>
{};

TEST_P(SiteIndexNumber, Decodes)
{
    EXPECT_EQ(DictdIndex::decodeNumber(GetParam().digits), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Rows, SiteIndexNumber,
                         testing::Values(NumberRow{"Zero", "A", 0}, NumberRow{"LastDigit", "/", 63},
                                         NumberRow{"PlusIs62", "+", 62},
                                         NumberRow{"DigitsAfterLetters", "0", 52},
                                         NumberRow{"TwoDigits", "BA", 64},
                                         NumberRow{"RealOffset", "HPwV", 1899541},
                                         NumberRow{"Empty", "", std::nullopt},
                                         NumberRow{"ForeignCharacter", "A=", std::nullopt},
                                         NumberRow{"TooLong", "AAAAAAAAAAA", std::nullopt}),
                         [](const auto &row) { return std::string(row.param.name); });

TEST(SiteDictdIndex, SkipsBrokenAndDatabaseLinesAndFindsDuplicatesInFileOrder)
{
    const DictdIndex index = DictdIndex::parse("00databaseinfo\tA\tB\n"
                                               "run\tBA\tK\r\n"
                                               "broken line without tabs\n"
                                               "bad\t!!\tA\n"
                                               "Run\tZ\tC\textra column\n"
                                               "apple\tA\tB",
                                               false);
    EXPECT_EQ(index.size(), 3u);
    const auto found = index.find("RUN");
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].headword, "run");
    EXPECT_EQ(found[0].offset, 64u);
    EXPECT_EQ(found[0].length, 10u);
    EXPECT_EQ(found[1].headword, "Run");
    EXPECT_EQ(found[1].offset, 25u);
    EXPECT_EQ(index.find("apple").size(), 1u); // last line without a line end
    EXPECT_TRUE(index.find("00databaseinfo").empty());
    EXPECT_TRUE(index.find("bad").empty());
}

// Every range of a text spread over many small chunks, with the chunk
// boundaries inside, at and across entries.
TEST(SiteDictZip, ChunkedReadsMatchTheText)
{
    std::string text;
    for (int i = 0; i < 60; ++i)
        text += "entry " + std::to_string(i) + " çeviri ş ğ ı\n";
    const DictZipFile file = DictZipFile::fromBytes(DictFixture::dictzip(text, 50));
    ASSERT_TRUE(file.hasChunkTable());
    for (std::size_t offset : {0u, 1u, 49u, 50u, 51u, 99u, 100u, 777u}) {
        for (std::size_t length : {1u, 49u, 50u, 51u, 160u}) {
            EXPECT_EQ(file.read(offset, length), text.substr(offset, length))
                << "offset " << offset << " length " << length;
        }
    }
    EXPECT_EQ(file.read(text.size() - 3, 100), text.substr(text.size() - 3));
    EXPECT_EQ(file.read(text.size() + 10, 5), "");
}

TEST(SiteDictZip, PlainGzipAndUncompressedTextAreReadToo)
{
    const std::string text = "alpha\nbeta\ngamma\n";
    const DictZipFile gz = DictZipFile::fromBytes(DictFixture::gzip(text));
    EXPECT_FALSE(gz.hasChunkTable());
    EXPECT_EQ(gz.read(6, 4), "beta");
    EXPECT_EQ(DictZipFile::fromBytes(text).read(11, 5), "gamma");
}

TEST(SiteDictZip, CorruptDataIsAnErrorNotACrash)
{
    std::string bytes = DictFixture::dictzip(std::string(200, 'x') + "tail", 64);
    // Scribble over the compressed data after the header.
    for (std::size_t i = bytes.size() - 30; i < bytes.size() - 8; ++i)
        bytes[i] = static_cast<char>(0xFF);
    const DictZipFile file = DictZipFile::fromBytes(bytes);
    EXPECT_THROW(file.read(0, 204), std::runtime_error);
    EXPECT_THROW(DictZipFile::fromBytes(std::string("\x1F\x8B\x08\x04", 4) + "abcdef\xFF\xFF"),
                 std::runtime_error);
}

struct InstalledRow
{
    const char *name;
    const char *from;
    const char *to;
    const char *word;
    const char *translation; // a part of one of the translations, any case
};

class SiteInstalledDictionary : public testing::TestWithParam<InstalledRow>
{};

// "kitap" is not in the small Turkish-English dictionary; it is found
// backwards in the English-Turkish one.
TEST_P(SiteInstalledDictionary, Translates)
{
    const InstalledRow &row = GetParam();
    const std::filesystem::path dir = "/usr/share/dictd";
    if (!std::filesystem::exists(dir / "freedict-eng-tur.index"))
        GTEST_SKIP() << "dict-freedict-eng-tur is not installed";
    const Translator translator(dir);
    const auto pairs = translator.translate(row.from, row.to, row.word, 40);
    const bool found = std::any_of(pairs.begin(), pairs.end(), [&](const TranslationPair &p) {
        std::string lowered = p.translation;
        std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return p.source == row.word && lowered.find(row.translation) != std::string::npos;
    });
    EXPECT_TRUE(found);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SiteInstalledDictionary,
    testing::Values(InstalledRow{"HelloIsMerhaba", "english", "turkish", "hello", "merhaba"},
                    InstalledRow{"KitapIsBook", "turkish", "english", "kitap", "book"}),
    [](const auto &row) { return std::string(row.param.name); });

} // namespace
