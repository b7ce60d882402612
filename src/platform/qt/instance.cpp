// One program per user and display. The first start holds a lock on a file
// in a folder of the user's own and listens on a socket beside it; a later
// start, finding the lock held, knocks on the socket and ends. The system
// drops the lock with the process that held it and the next start replaces
// the socket, so a program that was killed leaves nothing that stops the
// next start; a program that ends removes both.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>

#include "platform/hooks.h"
#include "platform/instance.h"

namespace platform {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The desktop session: the Wayland display where there is one, else the X
// display. Names that mean the same X display give one name: the screen
// number and the host "unix" (the local socket) are left out. Nothing in it
// may name a folder.
std::string sessionName() {
    std::string display = environment("WAYLAND_DISPLAY");
    if (display.empty()) {
        display = environment("DISPLAY");
        if (display.starts_with("unix:")) display.erase(0, 4);
        const auto colon = display.rfind(':');
        if (const auto dot = display.find('.', colon == std::string::npos ? 0 : colon);
            dot != std::string::npos)
            display.erase(dot);
    }
    for (char& c : display)
        if (c == '/') c = '_';
    return display;
}

// A folder of the user's that no one else may write into.
bool ownFolder(const struct stat& st) {
    return S_ISDIR(st.st_mode) && st.st_uid == getuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// The user's runtime folder, where it is the user's own and usable.
std::optional<std::string> runtimeFolder() {
    const std::string folder = environment("XDG_RUNTIME_DIR");
    struct stat st {};
    if (!folder.starts_with('/') || stat(folder.c_str(), &st) != 0 || !ownFolder(st) ||
        access(folder.c_str(), W_OK | X_OK) != 0)
        return std::nullopt;
    return folder;
}

// Without one, a folder of the program's in the temporary folder, which
// other users may write to as well: made private (0700), and taken only as
// it stands, never through a link. A name another user took first is
// passed over for the next, in the same order at every start.
std::optional<std::string> privateFolder() {
    std::string base = environment("TMPDIR");
    if (!base.starts_with('/')) base = "/tmp";
    const std::string name = base + "/tockmere-" + std::to_string(getuid());
    for (int n = 1; n <= 4; ++n) {
        const std::string folder = n == 1 ? name : name + "-" + std::to_string(n);
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) continue;
        const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;  // a link, or not a folder
        struct stat st {};
        const bool own = fstat(fd, &st) == 0 && ownFolder(st);
        close(fd);
        if (own) return folder;
    }
    return std::nullopt;
}

bool addressOf(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size());
    return true;
}

// Where the lock and the socket live, without their endings.
std::optional<std::string> placeOf() {
    std::optional<std::string> folder = runtimeFolder();
    if (!folder) folder = privateFolder();
    if (!folder) return std::nullopt;
    const std::string key = instanceKeyOverride().empty()
                                ? "tockmere-" + std::to_string(getuid()) + "-" + sessionName()
                                : instanceKeyOverride();
    return *folder + "/" + key;
}

bool sameFile(int fd, const std::string& path) {
    struct stat held;
    struct stat there;
    return fstat(fd, &held) == 0 && lstat(path.c_str(), &there) == 0 &&
           held.st_dev == there.st_dev && held.st_ino == there.st_ino;
}

void waitMilliseconds(long milliseconds) {
    const timespec wait{0, milliseconds * 1000000};
    nanosleep(&wait, nullptr);
}

}  // namespace

struct InstanceImpl {
    int lock = -1;
    int listener = -1;
    bool first = true;
    std::string lockPath;
    std::string socketPath;
    QSocketNotifier* connectionNotifier = nullptr;

    bool claim(const sockaddr_un& address);
    void listen(const sockaddr_un& address);
    // Gives the place back: the socket, then the lock, both removed.
    void release();

    ~InstanceImpl() {
        delete connectionNotifier;
        release();
    }
};

namespace {
// The place of the program running, given back even where the program is
// ended by exit() from inside Qt (the X server gone), which unwinds nothing.
InstanceImpl* claimed = nullptr;
void releaseAtExit() {
    if (claimed) claimed->release();
}
}  // namespace

void InstanceImpl::release() {
    if (claimed == this) claimed = nullptr;
    if (listener >= 0) {
        close(listener);
        unlink(socketPath.c_str());
        listener = -1;
    }
    if (lock >= 0) {
        // Removed while still held: a start that opened it meanwhile finds
        // its lock on a file no longer there, and tries again.
        unlink(lockPath.c_str());
        close(lock);
        lock = -1;
    }
}

// Takes the lock, or knocks where a running program holds it. False when
// there is no lock to be had at all.
bool InstanceImpl::claim(const sockaddr_un& address) {
    // A program that is ending removes the lock and then the socket: a
    // start in that moment tries again.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (attempt > 0) waitMilliseconds(50);
        lock = open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (lock < 0) {
            std::perror(("tockmere: " + lockPath).c_str());
            return false;
        }
        if (flock(lock, LOCK_EX | LOCK_NB) == 0) {
            if (sameFile(lock, lockPath)) return true;
        } else {
            // The connection is the knock: nothing is written on it.
            const int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            const bool knocked = s >= 0 && connect(s, reinterpret_cast<const sockaddr*>(&address),
                                                   sizeof address) == 0;
            if (s >= 0) close(s);
            if (knocked) {
                close(lock);
                lock = -1;
                first = false;
                return true;
            }
            ++firstUnreached();
        }
        close(lock);
        lock = -1;
    }
    // Held, and no one answers: a program that cannot be reached; this
    // one runs rather than end unseen.
    std::fputs("tockmere: the program holding the lock does not answer; starting anyway\n", stderr);
    return false;
}

void InstanceImpl::listen(const sockaddr_un& address) {
    unlink(socketPath.c_str());  // left by a program that was killed
    listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener < 0) return;
    if (bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 4) != 0) {
        close(listener);
        listener = -1;
    }
}

Instance::Instance() : d_(std::make_unique<InstanceImpl>()) {
    const std::optional<std::string> place = placeOf();
    sockaddr_un address;
    if (place) {
        d_->lockPath = *place + ".lock";
        d_->socketPath = *place + ".socket";
    }
    // Where there is no safe place the program runs alone: a start is
    // never refused for want of one, and another user's files never stop it.
    if (!place || !addressOf(d_->socketPath, address)) {
        std::fputs(
            "tockmere: no private folder for the lock that keeps it to one program "
            "(XDG_RUNTIME_DIR, or the temporary folder); starting without it\n",
            stderr);
        return;
    }
    if (!d_->claim(address)) return;
    if (!d_->first) return;
    d_->listen(address);
    static const bool registered = (std::atexit(releaseAtExit), true);
    (void)registered;
    claimed = d_.get();
    if (d_->listener < 0) return;
    d_->connectionNotifier = new QSocketNotifier(d_->listener, QSocketNotifier::Read);
    QObject::connect(d_->connectionNotifier, &QSocketNotifier::activated, [this] {
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
