#include "ui/TLabel.h"

#include <QMouseEvent>

namespace vorlinda::ui {

void TLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

} // namespace vorlinda::ui
