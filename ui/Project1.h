#pragma once

#include <functional>

namespace vorlinda::ui {

class TForm1;

// The program's entry: sets up the application, builds the main window, shows
// it and runs the message loop. Returns the process's exit code.
int Project1(int argc, char *argv[]);

// Builds the main window with `createWindow` and runs its create event. A
// failure while the window is built shows the "Application Error" box and
// gives false: the program must then end with exit code 1.
bool createMainWindow(const std::function<TForm1 *()> &createWindow);

// Whether the web engine can start; if not, says why in the application's
// error box (the engine itself would end the program with a line on stderr).
bool engineCanStart();

} // namespace vorlinda::ui
