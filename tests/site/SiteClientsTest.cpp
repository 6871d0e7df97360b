// vorlinda-site against clients that hold, trickle, overfill or never read,
// and a stop in the middle of answering: each row of the shared table starts
// its own site with shortened waits and tells what its client saw.
#include "tests/support/HostileClients.h"
#include "tests/support/RowName.h"

#include <gtest/gtest.h>

namespace {

class SiteClients : public testing::TestWithParam<HostileClient>
{
protected:
    static void SetUpTestSuite() { dir_ = hostileDictionaries(); }
    static void TearDownTestSuite() { std::filesystem::remove_all(dir_); }
    static inline std::filesystem::path dir_;
};

TEST_P(SiteClients, Behaves)
{
    SiteProcess site(VORLINDA_SITE, hostileArguments(GetParam(), dir_), 0, kHostileFileLimit);
    ASSERT_NE(site.port(), 0) << site.output();
    EXPECT_EQ(GetParam().run(site), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Site, SiteClients, testing::ValuesIn(hostileClients()), rowName);

} // namespace

void PrintTo(const HostileClient &row, std::ostream *out)
{
    *out << row.name;
}
