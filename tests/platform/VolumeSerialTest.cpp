#include "VolumeSerial.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

struct SerialRow
{
    const char *name;
    std::uint32_t serial;
    std::string text;
};

void PrintTo(const SerialRow &row, std::ostream *out)
{
    *out << row.name;
}

class FormatSerial : public testing::TestWithParam<SerialRow>
{};

TEST_P(FormatSerial, UnsignedDecimal)
{
    EXPECT_EQ(VolumeSerial::formatSerial(GetParam().serial), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(VolumeSerial, FormatSerial,
                         testing::Values(SerialRow{"Zero", 0, "0"},
                                         SerialRow{"NoLeadingZeros", 0x0000ABCD, "43981"},
                                         SerialRow{"TopBitSet", 0x80000000u, "2147483648"},
                                         SerialRow{"Largest", 0xFFFFFFFFu, "4294967295"}),
                         [](const auto &row) { return std::string(row.param.name); });

TEST(VolumeSerial, MachineIdentifierIsStableDigits)
{
    const std::string first = VolumeSerial::machineIdentifier();

    EXPECT_EQ(VolumeSerial::machineIdentifier(), first);
    EXPECT_EQ(first, VolumeSerial::formatSerial(VolumeSerial::systemVolumeSerial()));
}
