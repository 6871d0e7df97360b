#include "ui/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTransform>

namespace vorlinda::ui {

namespace Icons {

QImage draw(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);

    // Two pages of an open book.
    const QColor cover(0x1f, 0x4e, 0x9c);
    p.setPen(QPen(cover, 2));
    p.setBrush(QColor(0xf7, 0xf3, 0xe8));
    QPainterPath left;
    left.moveTo(24, 12);
    left.cubicTo(18, 8, 10, 8, 4, 10);
    left.lineTo(4, 40);
    left.cubicTo(10, 38, 18, 38, 24, 42);
    left.closeSubpath();
    // The right page is the left one mirrored about the spine at x 24.
    const QPainterPath right = QTransform(-1, 0, 0, 1, 48, 0).map(left);
    p.drawPath(left);
    p.drawPath(right);

    // Lines of text on the left page, a red "V" on the right one.
    p.setPen(QPen(QColor(0x8a, 0x8a, 0x8a), 1.5));
    for (int y = 17; y <= 33; y += 5)
        p.drawLine(QPointF(8, y), QPointF(20, y + 1));
    p.setPen(QPen(QColor(0xc8, 0x1e, 0x1e), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF{QPointF(28.5, 16), QPointF(34, 33), QPointF(39.5, 16)});
    return image;
}

QIcon applicationIcon()
{
    return QIcon(QPixmap::fromImage(draw(48)));
}

QIcon windowIcon()
{
    // The caption bar takes the 32-pixel image, a taskbar or window switcher
    // the application's 48-pixel one.
    QIcon icon(QPixmap::fromImage(draw(32)));
    icon.addPixmap(QPixmap::fromImage(draw(48)));
    return icon;
}

} // namespace Icons

} // namespace vorlinda::ui
