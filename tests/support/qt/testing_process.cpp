// What the tests ask of the process as a whole: folders of its own, its
// single instance out of reach, the memory it holds, and the system asking
// it to end.
#include <stdlib.h>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/hooks.h"
#include "support/testing.h"

namespace platform::testing {

namespace {
// Removed with everything in it when the run ends.
struct RunFolder {
    std::string path;
    ~RunFolder() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
};
RunFolder runFolder;
}  // namespace

void usePrivateFolders() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        (tmp && *tmp == '/' ? std::string(tmp) : "/tmp") + "/tockmere-tests.XXXXXX";
    if (!mkdtemp(pattern.data())) return;
    runFolder.path = pattern;
    setenv("XDG_RUNTIME_DIR", pattern.c_str(), 1);
}

void setInstanceReachable(bool reachable) {
    const char* run = std::getenv("XDG_RUNTIME_DIR");  // the run's own: usePrivateFolders
    if (!run) return;
    const std::string socket = std::string(run) + "/" + instanceKeyOverride() + ".socket";
    const std::string away = socket + ".away";
    std::rename((reachable ? away : socket).c_str(), (reachable ? socket : away).c_str());
}

std::size_t memoryInUse() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("RssAnon:")) return std::stoul(line.substr(8)) * 1024;
    return 0;
}

void systemEndsProgram() {
    std::raise(SIGTERM);
    processEvents();
}

}  // namespace platform::testing
