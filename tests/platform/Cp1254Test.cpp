#include "Cp1254.h"

#include <gtest/gtest.h>

#include <string>

TEST(Cp1254, EncodesKus)
{
    EXPECT_EQ(Cp1254::encode(QStringLiteral(u"kuş")), "\x6B\x75\xFE");
}

TEST(Cp1254, TurkishLettersBothWays)
{
    const QString letters = QStringLiteral(u"ÇçĞğİıÖöŞşÜü");
    const std::string bytes = "\xC7\xE7\xD0\xF0\xDD\xFD\xD6\xF6\xDE\xFE\xDC\xFC";

    EXPECT_EQ(Cp1254::encode(letters), bytes);
    EXPECT_EQ(Cp1254::decode(bytes), letters);
}

TEST(Cp1254, SpecialsBetween80And9F)
{
    const QString specials = QStringLiteral(u"€‚ƒ„…†‡ˆ‰Š‹Œ‘’“”•–—˜™š›œŸ");
    const std::string bytes = "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C"
                              "\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9F";

    EXPECT_EQ(Cp1254::encode(specials), bytes);
    EXPECT_EQ(Cp1254::decode(bytes), specials);
}

TEST(Cp1254, EveryByteSurvivesDecodeThenEncode)
{
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all.push_back(static_cast<char>(byte));

    const QString decoded = Cp1254::decode(all);

    EXPECT_EQ(decoded.size(), 256);
    EXPECT_EQ(Cp1254::encode(decoded), all);
}

TEST(Cp1254, UndefinedBytesDecodeToTheSameCodePoint)
{
    for (const unsigned char byte : {0x81, 0x8D, 0x8E, 0x8F, 0x90, 0x9D, 0x9E}) {
        const QString decoded = Cp1254::decode(std::string(1, static_cast<char>(byte)));
        ASSERT_EQ(decoded.size(), 1);
        EXPECT_EQ(decoded.at(0).unicode(), byte);
    }
}

struct MissingRow
{
    const char *name;
    QString text;
    std::string bytes;
};

void PrintTo(const MissingRow &row, std::ostream *out)
{
    *out << row.name;
}

class Cp1254Missing : public testing::TestWithParam<MissingRow>
{};

TEST_P(Cp1254Missing, BecomesQuestionMark)
{
    EXPECT_EQ(Cp1254::encode(GetParam().text), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Cp1254, Cp1254Missing,
                         testing::Values(MissingRow{"Cjk", QStringLiteral(u"a日b"), "a?b"},
                                         // One character outside the BMP is one '?', not two.
                                         MissingRow{"Emoji", QStringLiteral(u"a😀b"), "a?b"},
                                         // Latin-1 letters that Windows-1254 gave to Turkish ones.
                                         MissingRow{"Eth", QStringLiteral(u"Ððýþ"), "????"},
                                         MissingRow{"LatinKept", QStringLiteral(u"é£ÿ"),
                                                    "\xE9\xA3\xFF"}),
                         [](const auto &row) { return std::string(row.param.name); });
