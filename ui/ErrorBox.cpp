#include "ui/ErrorBox.h"

#include <QApplication>
#include <QMessageBox>

namespace vorlinda::ui {

namespace ErrorBox {

QString text(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

QString messageOf(const std::exception &failure)
{
    return QString::fromUtf8(failure.what());
}

void show(const QString &message)
{
    QMessageBox box(QMessageBox::Critical, applicationTitle, text(message), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void showUnopenedAddress(const QString &address)
{
    QMessageBox box(QMessageBox::Warning, applicationTitle,
                    QStringLiteral("Bu adresi açacak bir web tarayıcısı bulunamadı. Adresi "
                                   "kopyalayıp tarayıcınıza yapıştırabilirsiniz:\n\n%1")
                        .arg(address),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

bool guard(const std::function<void()> &handler)
{
    try {
        handler();
        return true;
    } catch (const std::exception &failure) {
        show(messageOf(failure));
    } catch (...) {
        show(QString());
    }
    return false;
}

QString applicationErrorText(const QString &className, const QString &module, const void *address,
                             const QString &message)
{
    const QString period = message.endsWith(u'.') ? QString() : QStringLiteral(".");
    const QString at = address ? QString::asprintf(" at %p", address) : QString();
    return QStringLiteral("Exception %1 in module %2%3.\r\n%4%5\r\n")
        .arg(className, module, at, message, period);
}

void showApplicationError(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Application Error"), text,
                    QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace ErrorBox

} // namespace vorlinda::ui
