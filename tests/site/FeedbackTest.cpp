// The feedback page and what it keeps: the answer to each form sent, the
// rows committed, the caps, a store that cannot be written, and the lines
// the operator reads them by.
#include "tests/support/RowName.h"
#include "tests/support/TempDir.h"
#include "web/FeedbackStore.h"
#include "web/SitePages.h"
#include "web/SiteResponder.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace vorlinda::site;
using Answer = SitePages::FeedbackAnswer;

namespace {

// The store's one message as "ref|text"; "" when there is none.
std::string kept(const std::filesystem::path &file)
{
    if (!std::filesystem::exists(file))
        return "";
    const auto messages = FeedbackStore::read(file);
    return messages.size() == 1 ? messages[0].ref + "|" + messages[0].text : "(not one)";
}

struct FormRow
{
    const char *name;
    const char *method;
    std::string target, body;
    int status;
    Answer answer;
    std::string ref, givenBack; // what the page shows
    std::string kept;           // "ref|text", or nothing
};

std::string letters(std::size_t n, const std::string &letter)
{
    std::string out;
    while (n-- > 0)
        out += letter;
    return out;
}

void PrintTo(const FormRow &row, std::ostream *out)
{
    *out << row.name;
}

using SiteFeedbackForm = testing::TestWithParam<FormRow>;

TEST_P(SiteFeedbackForm, AnswersAfterTheRowIsKept)
{
    const FormRow &row = GetParam();
    const TempDir dir("vorlinda-feedback");
    const auto store = std::make_shared<FeedbackStore>(dir / "state" / "f.sqlite");
    const SiteResponder site(nullptr, store);
    const SiteResponse got = site.respond(row.method, row.target, "", row.body);
    EXPECT_EQ(got.status, row.status);
    if (row.status != 400 && row.status != 405) {
        EXPECT_EQ(got.body, SitePages::feedbackPage(row.answer, row.ref, row.givenBack));
    }
    EXPECT_EQ(got.body.find("<b>x"), std::string::npos) << "markup given back unescaped";
    EXPECT_EQ(kept(dir / "state" / "f.sqlite"), row.kept);
}

const std::string k2000 = letters(2000, "ğ"), k2001 = letters(2001, "ğ");
const std::string markup = letters(700, "<b>x"), longRef = letters(70, "r");
const FormRow kFormRows[] = {
    {"FormCarriesTheReferral", "GET", "/feedback.asp?ref=vrl10", "", 200, Answer::Form, "vrl10", "",
     ""},
    {"PostedFormIsKept", "POST", "/feedback.asp",
     "ref=vrl10&msg=+G%C3%BCzel+program%0D%0Aama+%27%3B+DROP+TABLE+feedback%3B--+", 200,
     Answer::Received, "vrl10", "", "vrl10|Güzel program\r\nama '; DROP TABLE feedback;--"},
    {"AddressMessageInWindows1254", "GET", "/feedback.asp?msg=te%FE%FEekk%FCrler", "", 200,
     Answer::Received, "", "", "|teşşekkürler"},
    {"LongReferralIsCut", "GET", "/feedback.asp?msg=a&ref=" + longRef, "", 200, Answer::Received,
     longRef, "", longRef.substr(0, 64) + "|a"},
    {"TwoThousandCharacters", "POST", "/feedback.asp", "msg=" + k2000, 200, Answer::Received, "",
     "", "|" + k2000},
    {"OneMoreIsGivenBack", "POST", "/feedback.asp", "msg=" + k2001, 413, Answer::TooLong, "", k2001,
     ""},
    {"MarkupGivenBackEscaped", "POST", "/feedback.asp", "msg=" + markup, 413, Answer::TooLong, "",
     markup, ""},
    {"BlankShowsTheForm", "POST", "/feedback.asp", "msg=+%0A+", 200, Answer::Form, "", " \n ", ""},
    {"BrokenEscape", "POST", "/feedback.asp", "msg=%ZZ", 400, Answer::Form, "", "", ""},
};
INSTANTIATE_TEST_SUITE_P(Rows, SiteFeedbackForm, testing::ValuesIn(kFormRows), rowName);

// Full: the insert that would pass the size is refused, the rows before it
// stay. A folder that cannot be made: an honest failure, then the store is
// opened anew once it can be.
TEST(SiteFeedbackStore, FullAndFailedStoresSaySo)
{
    const TempDir dir("vorlinda-feedback");
    FeedbackStore small(dir / "small.sqlite", 64 * 1024);
    const std::string message = letters(2000, "x");
    int kept = 0;
    while (small.add(message, "") == FeedbackStore::Outcome::Stored)
        ++kept;
    EXPECT_GT(kept, 10);
    EXPECT_EQ(small.add(message, ""), FeedbackStore::Outcome::Full);
    EXPECT_EQ(FeedbackStore::read(dir / "small.sqlite").size(), static_cast<std::size_t>(kept));
    const SiteResponse full =
        SiteResponder(nullptr, std::shared_ptr<FeedbackStore>(&small, [](auto *) {}))
            .respond("GET", "/feedback.asp?msg=a", "");
    EXPECT_EQ(full.status, 507);
    EXPECT_EQ(full.body, SitePages::feedbackPage(Answer::Full, "", "a"));

    std::ofstream(dir / "blocked") << "a file where the folder should be";
    std::vector<std::string> log;
    const auto blocked =
        std::make_shared<FeedbackStore>(dir / "blocked" / "f.sqlite", FeedbackStore::kMaxBytes,
                                        [&log](const std::string &line) { log.push_back(line); });
    const SiteResponse failed =
        SiteResponder(nullptr, blocked).respond("GET", "/feedback.asp?msg=a", "");
    EXPECT_EQ(failed.status, 500);
    EXPECT_EQ(failed.body, SitePages::feedbackPage(Answer::Failed, "", "a"));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].starts_with("vorlinda-site: feedback not kept in " + dir.string()))
        << log[0];
    std::filesystem::remove(dir / "blocked");
    EXPECT_EQ(blocked->add("b", ""), FeedbackStore::Outcome::Stored);
}

// What the operator's terminal gets: nothing a message holds can move the
// cursor, colour the screen, reorder the line or start another.
struct PrintedRow
{
    const char *name;
    FeedbackMessage message;
    std::string line;
};
const PrintedRow kPrintedRows[] = {
    {"Plain",
     {"2026-12-07T19:10:00Z", "vrl10", "Güzel, çok güzel"},
     "2026-12-07T19:10:00Z\tvrl10\tGüzel, çok güzel"},
    {"NoReferral", {"T", "", "a"}, "T\t-\ta"},
    {"LineBreaksAndTabs", {"T", "r\tx", "a\r\nb\tc\\n"}, "T\tr\\tx\ta\\r\\nb\\tc\\\\n"},
    {"EscapeSequences",
     {"T", "",
      "\x1b[2J\x07\x7f\xc2\x9b"
      "31m"},
     "T\t-\t\\u001B[2J\\u0007\\u007F\\u009B31m"},
    {"ReorderingMarks",
     {"T", "",
      "a\xe2\x80\xae"
      "b\xe2\x81\xa6\xe2\x80\xa8"},
     "T\t-\ta\\u202Eb\\u2066\\u2028"},
    {"BytesNotUtf8",
     {"T", "", std::string("\xff\xc3(\xed\xa0\x80\0z", 8)},
     "T\t-\t\\xFF\\xC3(\\xED\\xA0\\x80\\u0000z"},
};

using SiteFeedbackPrinted = testing::TestWithParam<PrintedRow>;

TEST_P(SiteFeedbackPrinted, EscapesWhatATerminalWouldObey)
{
    EXPECT_EQ(FeedbackStore::printable(GetParam().message), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(Rows, SiteFeedbackPrinted, testing::ValuesIn(kPrintedRows), rowName);

} // namespace
