#include "VolumeSerial.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <sys/statvfs.h>

// The banner address carries the low 32 bits of the root file system's id, as
// unsigned decimal: a serial with the top bit set must not turn negative.
TEST(VolumeSerial, IdentifierIsTheRootFileSystemIdsLow32BitsUnsigned)
{
    struct statvfs info
    {};
    ASSERT_EQ(::statvfs("/", &info), 0);

    EXPECT_EQ(VolumeSerial::machineIdentifier(),
              std::to_string(static_cast<std::uint32_t>(info.f_fsid & 0xFFFFFFFFu)));
    EXPECT_EQ(VolumeSerial::formatSerial(0x80000000u), "2147483648");
}
