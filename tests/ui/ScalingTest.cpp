// The window's one-time scaling to the screen.

#include "ui/Scaling.h"
#include "tests/support/RowName.h"

#include <gtest/gtest.h>

using namespace vorlinda::ui;

namespace {

struct Row
{
    const char *name;
    int value, numerator, denominator, expected;
};

const Row rows[] = {
    {"FontAt120Dpi", 11, 120, 96, 14},     {"HalfUp", 13, 1, 2, 7},
    {"NegativeLeftEdge", -9, 17, 13, -12}, {"NegativeHalf", -13, 1, 2, -7},
    {"Unchanged", 495, 13, 13, 495},       {"ClientWidthAt16", 495, 16, 13, 609},
};

using ScalingRow = testing::TestWithParam<Row>;

TEST_P(ScalingRow, MulDivRoundsHalfAwayFromZero)
{
    const Row &row = GetParam();
    EXPECT_EQ(Scaling::mulDiv(row.value, row.numerator, row.denominator), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, ScalingRow, testing::ValuesIn(rows), rowName);

} // namespace
