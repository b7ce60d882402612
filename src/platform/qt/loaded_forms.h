#pragma once

namespace platform {

struct FormImpl;

// The application keeps count of loaded windows and ends the event loop
// when the last one is unloaded.
void formLoaded(FormImpl& form);
void formGone(FormImpl& form);

}  // namespace platform
