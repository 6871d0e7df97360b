#pragma once

#include <QApplication>

namespace vorlinda::ui {

// The application object. A failure that escapes an event handler lands here
// and is shown in the application's error box; the program then goes on.
class TApplication : public QApplication
{
    Q_OBJECT
public:
    TApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace vorlinda::ui
