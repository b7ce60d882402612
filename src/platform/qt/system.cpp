#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <chrono>
#include <ctime>

#include "platform/hooks.h"
#include "platform/qt/session.h"
#include "platform/qt/zone.h"
#include "platform/system.h"

namespace platform {

LocalTime now() {
    if (clockOverride()) return clockOverride()();
    using namespace std::chrono;
    const auto t = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(t);
    std::tm local{};
    // A zone changed while the program runs (a journey, /etc/localtime
    // switched) is taken here, once its file is whole.
    takeSettledZone();
    localtime_r(&seconds, &local);
    // The offset of local time from UTC at this instant, daylight saving included.
    const auto offset = std::chrono::seconds{local.tm_gmtoff};
    return LocalTime{floor<milliseconds>(t.time_since_epoch() + offset)};
}

std::string programFolder() {
    return QCoreApplication::applicationDirPath().toStdString();
}

bool setCurrentDirectory(const std::string& folder) {
    return QDir::setCurrent(QString::fromStdString(folder));
}

bool setCurrentDrive(const std::string&) {
    return true;
}

namespace {
// Paths may come with the separators of the home platform.
QString localPath(const std::string& path) {
    return QString::fromStdString(path).replace(QLatin1Char('\\'), QLatin1Char('/'));
}
}  // namespace

bool fileExists(const std::string& path) {
    return QFileInfo(localPath(path)).isFile();
}

bool launchProgram(const std::string& path) {
    // Its own process, started directly: no shell ever sees the path. It
    // gets the environment the program was started with.
    QProcess process;
    process.setProgram(localPath(path));
    process.setProcessEnvironment(startingEnvironment());
    return process.startDetached();
}

}  // namespace platform
