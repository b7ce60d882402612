#pragma once

#include <QWidget>

#include "platform/shared/loaded_forms.h"

namespace platform {

// The application ends the event loop when the last window is unloaded.
void formGone(FormImpl& form);

// The first window loaded that is still loaded: the program's main window.
QWidget* mainWindow();

}  // namespace platform
