#pragma once

#include <QWidget>

namespace platform {

struct FormImpl;

// The application keeps count of loaded windows and ends the event loop
// when the last one is unloaded.
void formLoaded(FormImpl& form);
void formGone(FormImpl& form);

// The first window loaded that is still loaded: the program's main window.
QWidget* mainWindow();

}  // namespace platform
