#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>
#include <vector>

// Watches for modal message boxes while a test runs, records what each one
// showed and closes it with its default button, as a user pressing Enter.
class ModalCatcher : public QObject
{
    Q_OBJECT
public:
    struct Seen
    {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QStringList buttons;
    };

    ModalCatcher();

    const std::vector<Seen> &seen() const { return m_seen; }

private:
    void poll();

    QTimer m_timer;
    std::vector<Seen> m_seen;
};
