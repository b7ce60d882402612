#include "platform/qt/session.h"

#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace platform {

namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// The variables set here, taken away again for the programs we start.
std::vector<std::string>& setHere() {
    static std::vector<std::string> names;
    return names;
}

void setForThisProgram(const char* name, const char* value) {
    if (setenv(name, value, 1) == 0) setHere().emplace_back(name);
}

bool userBusExists() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || *runtime == '\0') return false;
    struct stat info {};
    return stat((std::string(runtime) + "/bus").c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

}  // namespace

void prepareSession() {
    // Without a session bus, D-Bus would launch a daemon of its own (through
    // dbus-launch) that outlives the program. An address that leads nowhere
    // stops that; the tray then falls back to the X11 notification area or,
    // with none, to the task bar.
    if (!isSet("DBUS_SESSION_BUS_ADDRESS") && !userBusExists())
        setForThisProgram("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null/no-session-bus");
    // On Wayland a window can neither place itself nor stay on top; where
    // the session offers an X server too, the program runs there.
    const char* session = std::getenv("XDG_SESSION_TYPE");
    if (!isSet("QT_QPA_PLATFORM") && session != nullptr && std::string(session) == "wayland" &&
        isSet("DISPLAY"))
        setForThisProgram("QT_QPA_PLATFORM", "xcb");
}

QProcessEnvironment startingEnvironment() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const std::string& name : setHere()) environment.remove(QString::fromStdString(name));
    return environment;
}

}  // namespace platform
