#include "ui/Scaling.h"

#include <QFontMetrics>
#include <cstdlib>

namespace vorlinda::ui {

namespace Scaling {

int mulDiv(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = std::llabs(static_cast<long long>(denominator)) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    const long long magnitude = (std::llabs(product) + half) / std::llabs(denominator);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

Plan plan(QFont font, int dpi, const QPaintDevice *device)
{
    Plan result;
    if (dpi != kDesignDpi)
        result.fontPixels = mulDiv(kDesignFontPixels, dpi, kDesignDpi);
    font.setPixelSize(result.fontPixels);
    // The cell height of the font, as a text height of "0" is measured.
    const QFontMetrics metrics =
        device ? QFontMetrics(font, const_cast<QPaintDevice *>(device)) : QFontMetrics(font);
    result.textHeight = metrics.height();
    return result;
}

int scaled(int value, const Plan &plan)
{
    return plan.scales() ? mulDiv(value, plan.textHeight, kDesignTextHeight) : value;
}

QRect scaled(const QRect &rect, const Plan &plan)
{
    return QRect(scaled(rect.left(), plan), scaled(rect.top(), plan), scaled(rect.width(), plan),
                 scaled(rect.height(), plan));
}

} // namespace Scaling

} // namespace vorlinda::ui
