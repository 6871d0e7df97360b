// The window's one-time scaling to the screen.

#include "Scaling.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <gtest/gtest.h>

namespace {

struct MulDivRow
{
    const char *name;
    int value, numerator, denominator, expected;
};

class MulDiv : public testing::TestWithParam<MulDivRow>
{};

TEST_P(MulDiv, RoundsToTheNearest)
{
    const MulDivRow &row = GetParam();
    EXPECT_EQ(Scaling::mulDiv(row.value, row.numerator, row.denominator), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, MulDiv,
                         testing::Values(MulDivRow{"font_at_120dpi", 11, 120, 96, 14},
                                         MulDivRow{"half_rounds_up", 13, 1, 2, 7},
                                         MulDivRow{"negative_left_edge", -9, 17, 13, -12},
                                         MulDivRow{"negative_half_away_from_zero", -13, 1, 2, -7},
                                         MulDivRow{"unchanged", 495, 13, 13, 495},
                                         MulDivRow{"client_width_at_16", 495, 16, 13, 609}),
                         [](const auto &row) { return std::string(row.param.name); });

QFont windowFont()
{
    QFont font;
    font.setFamilies({"MS Sans Serif", "DejaVu Sans"});
    return font;
}

QImage deviceAt(int dpi)
{
    QImage image(1, 1, QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    return image;
}

TEST(Scaling, TheDesignFontKeepsTheDesignedSize)
{
    const QImage device = deviceAt(96);
    const Scaling::Plan plan = Scaling::plan(windowFont(), 96, &device);
    EXPECT_EQ(plan.fontPixels, 11);
    EXPECT_EQ(plan.textHeight, 13);
    EXPECT_FALSE(plan.scales());
    EXPECT_EQ(Scaling::scaled(QRect(-9, 80, 496, 123), plan), QRect(-9, 80, 496, 123));
}

TEST(Scaling, A120DpiScreenGrowsTheFontAndEveryPlace)
{
    const QImage device = deviceAt(96); // measured in pixels of the font's own size
    const Scaling::Plan plan = Scaling::plan(windowFont(), 120, &device);
    EXPECT_EQ(plan.fontPixels, 14);
    ASSERT_TRUE(plan.scales());
    EXPECT_GT(plan.textHeight, 13);
    const int h = plan.textHeight;
    EXPECT_EQ(Scaling::scaled(495, plan), Scaling::mulDiv(495, h, 13));
    EXPECT_EQ(Scaling::scaled(QRect(-9, 80, 496, 123), plan),
              QRect(Scaling::mulDiv(-9, h, 13), Scaling::mulDiv(80, h, 13),
                    Scaling::mulDiv(496, h, 13), Scaling::mulDiv(123, h, 13)));
}

} // namespace

int main(int argc, char **argv)
{
    // Also when ctest lists the tests at build time, without a display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
