#include "platform/qt/zone.h"

#include <QSocketNotifier>
#include <QTimer>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/qt/impl.h"
#include "platform/shared/zone_file.h"

namespace platform {

namespace {

struct Identity {
    dev_t device;
    ino_t inode;
    off_t size;
    timespec modified;
    timespec changed;
    bool operator==(const Identity& o) const {
        return device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
               changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

std::optional<Identity> identityOf(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return {};
    return Identity{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

// What the C library was last given to read, and a changed file found not
// whole (none: missing), not looked at again until it changes once more.
bool started = false;
std::optional<Identity> taken;
std::optional<std::optional<Identity>> refused;

// The C library reads a file named by TZ only when TZ reads differently
// from the last time: the same file is named by turns in two ways.
void readAgain() {
    const char* tz = std::getenv("TZ");
    if (tz != nullptr && zoneFile()) {
        static std::string given = tz;
        static bool other = false;
        other = !other;
        std::string name = given;
        const std::size_t at = name[0] == ':' ? 1 : 0;
        name.insert(at, name[at] == '/' ? "/" : "./");
        // TZ is set already: its value is swapped in place, the
        // environment itself is not moved.
        setenv("TZ", (other ? name : given).c_str(), 1);
    }
    tzset();
}

// A changed file that is not yet whole is looked at again a little later,
// at growing intervals, until it is or the wait is over.
class Settling {
public:
    Settling() {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            refused.reset();
            takeSettledZone();
            if (!refused) return;
            if (waited_ < 6400) return look(waited_);
            std::fprintf(stderr,
                         "tockmere: the time zone in %s cannot be read; keeping the one in use\n",
                         zoneFile().value_or("").c_str());
        });
    }
    // Once the wait is over, only a change to the file is looked at.
    void begin() {
        if (waited_ == 0) look(100);
    }
    void end() {
        timer_.stop();
        waited_ = 0;
    }

private:
    void look(int in) {
        waited_ += in;
        timer_.start(in);
    }
    QTimer timer_;
    int waited_ = 0;
};

Settling& settling() {
    static Settling s;
    return s;
}

}  // namespace

std::optional<std::string> zoneFile() {
    const char* tz = std::getenv("TZ");
    if (tz == nullptr) return "/etc/localtime";
    std::string name = tz;
    if (name.empty() || (name[0] != ':' && name[0] != '/')) return {};
    if (name[0] == ':') name.erase(0, 1);
    if (name.empty()) return {};
    if (name[0] == '/') return name;
    const char* folder = std::getenv("TZDIR");
    return std::string(folder && *folder ? folder : "/usr/share/zoneinfo") + "/" + name;
}

void takeSettledZone() {
    const auto file = zoneFile();
    if (!file) {
        if (!started) tzset();
        started = true;
        return;
    }
    const auto now = identityOf(*file);
    if (!started) {
        started = true;
        taken = now;
        return tzset();
    }
    if ((now && now == taken) || (refused && *refused == now)) return;
    if (!now || !zoneFileWhole(*file)) {
        refused = now;
        return settling().begin();
    }
    readAgain();
    taken = now;
    refused.reset();
    settling().end();
    // Sleeping timers were set by the zone that was: they are set again.
    QTimer::singleShot(0, [] { noticeClockChange(); });
}

namespace {

// inotify on the zone's file and on the link to it; on their folder only
// while the name is missing. The mount table tells of a zone bound over
// the file.
class ZoneWatch {
public:
    ZoneWatch() : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        file_ = zoneFile().value_or("");
        if (fd_ < 0 || file_.empty()) return;
        watch();
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
            alignas(inotify_event) std::array<char, 4096> buffer;
            while (read(fd_, buffer.data(), buffer.size()) > 0) {
            }
            changed();
        });
        mounts_ = open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
        if (mounts_ >= 0) {
            mountNotifier_ = std::make_unique<QSocketNotifier>(mounts_, QSocketNotifier::Exception);
            QObject::connect(mountNotifier_.get(), &QSocketNotifier::activated,
                             [this] { changed(); });
        }
    }
    ~ZoneWatch() {
        notifier_.reset();
        mountNotifier_.reset();
        if (fd_ >= 0) close(fd_);
        if (mounts_ >= 0) close(mounts_);
    }
    ZoneWatch(const ZoneWatch&) = delete;
    ZoneWatch& operator=(const ZoneWatch&) = delete;

private:
    static constexpr std::uint32_t fileEvents =
        IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;

    struct Watched {
        std::optional<std::pair<dev_t, ino_t>> link, target;
        bool operator==(const Watched&) const = default;
    };

    Watched current() const {
        Watched w;
        struct stat st {};
        if (lstat(file_.c_str(), &st) == 0) w.link = {st.st_dev, st.st_ino};
        if (stat(file_.c_str(), &st) == 0) w.target = {st.st_dev, st.st_ino};
        return w;
    }

    // Watches what the name leads to now. Watches are moved only when it
    // leads elsewhere: a watch removed is itself an event.
    void watch() {
        const Watched now = current();
        if (placed_ && now == watched_) return;
        placed_ = true;
        for (int& wd : wds_) {
            if (wd >= 0) inotify_rm_watch(fd_, wd);
            wd = -1;
        }
        const std::string folder = file_.substr(0, file_.rfind('/') + 1);
        // The folder first: the name may come while the file is watched.
        if (!now.target)
            wds_[0] = inotify_add_watch(fd_, folder.c_str(), IN_CREATE | IN_MOVED_TO | IN_ONLYDIR);
        wds_[1] = inotify_add_watch(fd_, file_.c_str(), fileEvents | IN_DONT_FOLLOW);
        wds_[2] = inotify_add_watch(fd_, file_.c_str(), fileEvents);
        watched_ = current();
    }

    void changed() {
        watch();
        takeSettledZone();
    }

    int fd_;
    int mounts_ = -1;
    std::string file_;
    std::array<int, 3> wds_{-1, -1, -1};
    Watched watched_;
    bool placed_ = false;
    std::unique_ptr<QSocketNotifier> notifier_, mountNotifier_;
};

}  // namespace

void watchZone() {
    static ZoneWatch watch;
}

}  // namespace platform
