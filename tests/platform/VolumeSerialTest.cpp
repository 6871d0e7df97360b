#include "platform/VolumeSerial.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

using namespace vorlinda::platform;

// The banner address carries the serial as unsigned decimal: with the top bit
// set it must not turn negative.
TEST(VolumeSerial, SerialsWithTheTopBitSetAreWrittenUnsigned)
{
    EXPECT_EQ(VolumeSerial::formatSerial(0x80000000u), "2147483648");
    EXPECT_EQ(VolumeSerial::formatSerial(0xFFFFFFFFu), "4294967295");
}

// The identifier is the first word of the root file system's id, which
// `stat -f` prints as sixteen hex digits, the first word first.
TEST(VolumeSerial, IdentifierIsTheFirstWordOfTheRootFileSystemId)
{
    std::FILE *stat = ::popen("stat -f -c %i /", "r");
    ASSERT_NE(stat, nullptr);
    char id[32] = {};
    const bool read = std::fgets(id, sizeof id, stat) != nullptr;
    ::pclose(stat);
    ASSERT_TRUE(read);
    const std::string digits = std::string(16, '0') + std::string(id, std::strcspn(id, "\n"));
    const std::string firstWord = digits.substr(digits.size() - 16, 8);

    EXPECT_EQ(VolumeSerial::machineIdentifier(),
              std::to_string(std::stoul(firstWord, nullptr, 16)));
}
