#include "platform/Cp1254.h"
#include "lookup/core/DictionaryQuery.h"
#include "tests/support/RowName.h"

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

struct FormFieldRow
{
    const char *name;
    const char16_t *word;
    const char *target; // what the query's word field holds
};

// The word as the dictionary query sends it: letters the code page carries
// byte for byte as ever, every other character as "&#N;", percent-encoded.
const FormFieldRow formFieldRows[] = {
    {"codePageWord", u"kuş ?", "ku%FE%20%3F"},
    {"referencesOnly", u"łódź", "%26%23322%3B%F3d%26%23378%3B"},
    {"mixed", u"iść kůň", "i%26%23347%3B%26%23263%3B%20k%26%23367%3B%26%23328%3B"},
    {"beyondTheBasicPlane", u"a😀", "a%26%23128512%3B"},
    {"loneSurrogate",
     u"a\xD83D"
     "b",
     "a%3Fb"},
};

using Cp1254FormField = testing::TestWithParam<FormFieldRow>;

TEST_P(Cp1254FormField, GoesIntoTheQueryAsABrowserSendsIt)
{
    const FormFieldRow &row = GetParam();
    const std::string word = Cp1254::encodeFormField(QString::fromUtf16(row.word));
    EXPECT_EQ(vorlinda::lookup::DictionaryQuery::requestTarget(11, 1, word),
              std::string("/index.php?selectFrom=polish&selectTo=english&txtLang=") + row.target +
                  "&submitButton=Search");
}

INSTANTIATE_TEST_SUITE_P(Rows, Cp1254FormField, testing::ValuesIn(formFieldRows), rowName);
