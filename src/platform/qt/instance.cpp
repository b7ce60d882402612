// One program per user and display. The first start holds a lock on a file
// in the user's runtime folder and listens on a socket beside it; a later
// start, finding the lock held, knocks on the socket and ends. The system
// drops the lock with the process that held it, so a program that was
// killed leaves nothing that stops the next start.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/instance.h"
#include "platform/test_seams.h"

namespace platform {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The desktop session: the Wayland display where there is one, else the X
// display without its screen number. Nothing in it may name a folder.
std::string sessionName() {
    std::string display = environment("WAYLAND_DISPLAY");
    if (display.empty()) {
        display = environment("DISPLAY");
        const auto colon = display.rfind(':');
        if (const auto dot = display.find('.', colon == std::string::npos ? 0 : colon);
            dot != std::string::npos)
            display.erase(dot);
    }
    for (char& c : display)
        if (c == '/') c = '_';
    return display;
}

// Where the lock and the socket live, without their endings.
std::string placeOf() {
    const std::string uid = std::to_string(getuid());
    std::string folder = environment("XDG_RUNTIME_DIR");
    struct stat st {};
    if (folder.empty() || stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) folder = "/tmp";
    const std::string key = instanceKeyOverride().empty() ? "tockmere-" + uid + "-" + sessionName()
                                                          : instanceKeyOverride();
    return folder + "/" + key;
}

bool addressOf(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size());
    return true;
}

}  // namespace

struct InstanceImpl {
    int lock = -1;
    int listener = -1;
    bool first = true;
    std::string socketPath;
    QSocketNotifier* knocks = nullptr;

    ~InstanceImpl() {
        delete knocks;
        if (listener >= 0) {
            close(listener);
            unlink(socketPath.c_str());
        }
        if (lock >= 0) close(lock);
    }
};

Instance::Instance() : d_(std::make_unique<InstanceImpl>()) {
    const std::string place = placeOf();
    d_->socketPath = place + ".socket";
    sockaddr_un address;
    const bool addressed = addressOf(d_->socketPath, address);
    // Where no lock can be had at all the program runs: a start is never
    // refused for want of a place to note it.
    d_->lock = open((place + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (d_->lock < 0) return;
    if (flock(d_->lock, LOCK_EX | LOCK_NB) != 0) {
        d_->first = false;
        const int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        // The connection is the knock: nothing is written on it.
        if (s >= 0 && addressed) connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
        if (s >= 0) close(s);
        return;
    }
    if (!addressed) return;
    unlink(d_->socketPath.c_str());  // left by a program that was killed
    d_->listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (d_->listener < 0) return;
    if (bind(d_->listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(d_->listener, 4) != 0) {
        close(d_->listener);
        d_->listener = -1;
        return;
    }
    d_->knocks = new QSocketNotifier(d_->listener, QSocketNotifier::Read);
    QObject::connect(d_->knocks, &QSocketNotifier::activated, [this] {
        const int s = accept4(d_->listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (s < 0) return;
        close(s);
        if (onStartAgain) onStartAgain();
    });
}

Instance::~Instance() = default;

bool Instance::first() const {
    return d_->first;
}

}  // namespace platform
