#include "ModalCatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

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
    QAbstractButton *button = box->defaultButton();
    if (!button)
        button = box->buttons().value(0);
    if (button)
        button->click();
    else
        box->close();
}
