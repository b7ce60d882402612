// The windows loaded and not yet unloaded, in the order they were loaded.
// The first is the program's main window; each backend ends its event loop
// when the last one goes.
#pragma once

namespace platform {

struct FormImpl;

void formLoaded(FormImpl& form);
// Whether that was the last loaded window.
bool lastFormGone(FormImpl& form);
// The first window loaded that is still loaded; none when none is.
FormImpl* mainForm();

}  // namespace platform
