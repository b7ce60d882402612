#pragma once

#include <QProcessEnvironment>

namespace platform {

// Settles, before Qt starts, how the program meets the desktop session: it
// never has a D-Bus daemon started for it, and on a Wayland session with an
// X server it runs on X11 unless the user chose a platform.
void prepareSession();

// The environment the program was started with, for the programs it starts.
QProcessEnvironment startingEnvironment();

}  // namespace platform
