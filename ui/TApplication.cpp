#include "TApplication.h"

#include "ErrorBox.h"

namespace vorlinda::ui {

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &failure) {
        ErrorBox::show(ErrorBox::messageOf(failure));
    } catch (...) {
        ErrorBox::show(QString());
    }
    return false;
}

} // namespace vorlinda::ui
