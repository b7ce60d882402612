// A reminder is heard: the desktop's event sound for an alarm, in the
// user's sound theme, through libcanberra. The library is loaded when first
// needed, so that the program runs without it; with no library, no sound
// server or no theme, the reminder comes silently.
#include <canberra.h>
#include <dlfcn.h>

#include "platform/hooks.h"
#include "platform/qt/impl.h"
#include "platform/system.h"

namespace platform {

namespace {

struct Canberra {
    int (*changeProps)(ca_context*, ...) = nullptr;
    int (*play)(ca_context*, std::uint32_t, ...) = nullptr;
    ca_context* context = nullptr;
};

template <typename F>
F symbol(void* library, const char* name) {
    return reinterpret_cast<F>(dlsym(library, name));
}

Canberra* canberra() {
    static Canberra* loaded = []() -> Canberra* {
        void* library = dlopen("libcanberra.so.0", RTLD_LAZY | RTLD_LOCAL);
        if (!library) return nullptr;
        static Canberra c;
        const auto create = symbol<int (*)(ca_context**)>(library, "ca_context_create");
        c.changeProps = symbol<decltype(c.changeProps)>(library, "ca_context_change_props");
        c.play = symbol<decltype(c.play)>(library, "ca_context_play");
        if (!create || !c.changeProps || !c.play || create(&c.context) != CA_SUCCESS)
            return nullptr;
        c.changeProps(c.context, CA_PROP_APPLICATION_NAME, "Tockmere", CA_PROP_APPLICATION_ID,
                      "tockmere", CA_PROP_APPLICATION_ICON_NAME, "tockmere", nullptr);
        return &c;
    }();
    return loaded;
}

}  // namespace

void soundReminder() {
    if (soundWatcher()) return soundWatcher()();
    // The desktop's settings are read at each reminder: the user may have
    // turned event sounds off, or chosen another theme, since the last.
    const auto settings = qt::x11EventSounds();
    if (settings && !settings->enabled) return;
    Canberra* c = canberra();
    if (!c) return;
    if (settings && !settings->theme.empty())
        c->changeProps(c->context, CA_PROP_CANBERRA_XDG_THEME_NAME, settings->theme.c_str(),
                       nullptr);
    for (const char* id : {"alarm-clock-elapsed", "message", "bell"}) {
        if (c->play(c->context, 0, CA_PROP_EVENT_ID, id, CA_PROP_EVENT_DESCRIPTION, "提醒",
                    nullptr) != CA_ERROR_NOTFOUND)
            return;
    }
}

}  // namespace platform
