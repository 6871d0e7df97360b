#include "Cp1254.h"

#include <gtest/gtest.h>

#include <string>

using namespace vorlinda::platform;

TEST(Cp1254, TurkishLettersAndTheSpecialsGoBothWays)
{
    const QString text = QStringLiteral(u"kuşÇçĞğİıÖöŞşÜü€‚ƒ„…†‡ˆ‰Š‹Œ‘’“”•–—˜™š›œŸé£ÿ");
    const std::string bytes = "ku\xFE\xC7\xE7\xD0\xF0\xDD\xFD\xD6\xF6\xDE\xFE\xDC\xFC"
                              "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C"
                              "\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9F\xE9\xA3\xFF";

    EXPECT_EQ(Cp1254::encode(text), bytes);
    EXPECT_EQ(Cp1254::decode(bytes), text);
}

// The bytes the code page leaves undefined decode to the C1 control of
// the same value, so that every byte survives.
TEST(Cp1254, EveryByteSurvivesDecodeThenEncode)
{
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all.push_back(static_cast<char>(byte));

    EXPECT_EQ(Cp1254::encode(Cp1254::decode(all)), all);
}

// Ð ð ý þ are Latin-1 letters whose bytes went to Turkish ones; an emoji is
// one character, so one '?'.
TEST(Cp1254, ACharacterTheCodePageLacksBecomesOneQuestionMark)
{
    EXPECT_EQ(Cp1254::encode(QStringLiteral(u"a日b😀cÐðýþ")), "a?b?c????");
}
