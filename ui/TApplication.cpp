#include "ui/TApplication.h"

#include "ui/ErrorBox.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace vorlinda::ui {

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    // Qt's own texts (the boxes' buttons, the fields' menus) in Turkish,
    // whatever the system's language: the window is Turkish throughout.
    auto *qt = new QTranslator(this);
    if (qt->load(QLocale(QLocale::Turkish, QLocale::Turkey), QStringLiteral("qtbase"),
                 QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(qt);
}

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
