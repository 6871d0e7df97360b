#include "ModalCatcher.h"

#include <QAbstractButton>
#include <QApplication>

ModalCatcher::ModalCatcher()
{
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &ModalCatcher::poll);
    m_timer.start();
}

void ModalCatcher::poll()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    Seen seen{box->windowTitle(), box->text(), box->icon(), {}};
    for (QAbstractButton *button : box->buttons())
        seen.buttons << button->text();
    m_seen.push_back(seen);
    if (QAbstractButton *button =
            box->defaultButton() ? box->defaultButton() : box->buttons().value(0))
        button->click();
    else
        box->close();
}
