#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <vector>

// Watches for modal message boxes while a test runs, records what each one
// showed and closes it with its default button, as a user pressing Enter.
class ModalCatcher
{
public:
    struct Seen
    {
        QString title, text;
        QMessageBox::Icon icon;
        QStringList buttons;
    };

    ModalCatcher()
    {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            QStringList buttons;
            for (const QAbstractButton *button : box->buttons())
                buttons << button->text();
            seen_.push_back({box->windowTitle(), box->text(), box->icon(), buttons});
            (box->defaultButton() ? box->defaultButton() : box->buttons().value(0))->click();
        });
        timer_.start(10);
    }
    const std::vector<Seen> &seen() const { return seen_; }

private:
    QTimer timer_;
    std::vector<Seen> seen_;
};
