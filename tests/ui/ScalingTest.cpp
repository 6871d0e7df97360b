// The window's one-time scaling to the screen.

#include "ui/Scaling.h"

#include <gtest/gtest.h>

using namespace vorlinda::ui;

namespace {

TEST(Scaling, MulDivRoundsHalfAwayFromZero)
{
    struct Row
    {
        const char *name;
        int value, numerator, denominator, expected;
    };
    for (const Row &row :
         {Row{"font at 120 dpi", 11, 120, 96, 14}, Row{"half up", 13, 1, 2, 7},
          Row{"negative left edge", -9, 17, 13, -12}, Row{"negative half", -13, 1, 2, -7},
          Row{"unchanged", 495, 13, 13, 495}, Row{"client width at 16", 495, 16, 13, 609}}) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Scaling::mulDiv(row.value, row.numerator, row.denominator), row.expected);
    }
}

} // namespace
