#pragma once

#include <QString>
#include <exception>
#include <functional>

class QWidget;

namespace vorlinda::ui {

// The application's error box: what a failure that escapes an event handler
// shows before the program goes on.
namespace ErrorBox {

inline const QString applicationTitle = QStringLiteral("Vorlinda Sozluk");

// The message with "." appended when it is not empty and its last character
// comes after "." in the character table.
QString text(const QString &message);

// The failure's message as the box shows it (before the "." rule).
QString messageOf(const std::exception &failure);

// Shows the box: stop icon, one OK button, caption the application title,
// modal over the program's windows.
void show(const QString &message);

// Tells the user an address could not be opened, for lack of a browser, and
// shows it so that it can be copied.
void showUnopenedAddress(const QString &address);

// Runs one handler and shows whatever failure escapes it; returns whether it
// ran to its end.
bool guard(const std::function<void()> &handler);

// The text of the box shown when the window cannot be built:
// "Exception %s in module %s at %p.\r\n%s%s\r\n", with the code address of
// the failure; without one (null) the " at %p" is left out.
QString applicationErrorText(const QString &className, const QString &module, const void *address,
                             const QString &message);

// Shows that box ("Application Error", stop icon, OK).
void showApplicationError(const QString &text);

} // namespace ErrorBox

} // namespace vorlinda::ui
