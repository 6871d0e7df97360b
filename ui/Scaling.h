#pragma once

#include <QFont>
#include <QRect>

class QPaintDevice;

namespace vorlinda::ui {

// The window is laid out in pixels for 96 dpi and a text height of 13 pixels,
// and scaled once at start when the screen differs.
namespace Scaling {

inline constexpr int kDesignDpi = 96;
inline constexpr int kDesignTextHeight = 13;
inline constexpr int kDesignFontPixels = 11;

struct Plan
{
    int fontPixels = kDesignFontPixels; // the window font's character height
    int textHeight = kDesignTextHeight; // measured height of "0" in that font
    bool scales() const { return textHeight != kDesignTextHeight; }
};

// value * numerator / denominator, rounded to the nearest integer (halves
// away from zero).
int mulDiv(int value, int numerator, int denominator);

// The window font's size at `dpi` and the text height it measures on `device`.
Plan plan(QFont font, int dpi, const QPaintDevice *device = nullptr);

int scaled(int value, const Plan &plan);
QRect scaled(const QRect &rect, const Plan &plan);

} // namespace Scaling

} // namespace vorlinda::ui
