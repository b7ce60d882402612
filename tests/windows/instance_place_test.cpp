// Where a program on Linux keeps its single instance: the user's runtime
// folder, or else a private folder of its own in the temporary folder. (A
// link, a folder or a socket another user put there first: tests/e2e's
// other_users_files, with a real second user.) A socket left by a killed
// program does not stop later starts; names of one display share a place.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>

#include "harness.h"
#include "platform/instance.h"

namespace {

namespace fs = std::filesystem;

class InstancePlace : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR", "DISPLAY", "WAYLAND_DISPLAY"})
            saved_[name] =
                std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt;
        std::string pattern = fs::temp_directory_path() / "tockmere-place.XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        fs::create_directory(root_ / "run");
        fs::permissions(root_ / "run", fs::perms::owner_all, fs::perm_options::replace);
        fs::create_directory(root_ / "tmp");
        setenv("XDG_RUNTIME_DIR", (root_ / "run").c_str(), 1);
        setenv("TMPDIR", (root_ / "tmp").c_str(), 1);
        unsetenv("WAYLAND_DISPLAY");
        pt::useInstanceKey("place");
    }
    void TearDown() override {
        pt::useInstanceKey("");
        for (const auto& [name, value] : saved_)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        fs::remove_all(root_);
    }

    // The private folder's first name in the temporary folder.
    fs::path privateFolder() const {
        return root_ / "tmp" / ("tockmere-" + std::to_string(getuid()));
    }

    // A second start while `first` runs: whether it handed over to it.
    static bool handedOver(platform::Instance& first) {
        int knocks = 0;
        first.onStartAgain = [&] { ++knocks; };
        const bool second = !platform::Instance().first();
        pt::processEvents();
        first.onStartAgain = nullptr;
        return second && knocks == 1;
    }

    fs::path root_;

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST_F(InstancePlace, ASocketLeftByAKilledProgramDoesNotStopLaterStarts) {
    // What a killed program leaves: its lock file, unlocked, and its socket,
    // bound and no longer listened on.
    const fs::path place = root_ / "run" / "place";
    {
        std::FILE* lock = std::fopen((place.string() + ".lock").c_str(), "w");
        std::fclose(lock);
    }
    const int stale = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, (place.string() + ".socket").c_str());
    ASSERT_EQ(bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    close(stale);

    platform::Instance first;
    ASSERT_TRUE(first.first());
    EXPECT_TRUE(handedOver(first)) << "a later start does not reach the program running";
    // Each later start is let go: the program holds no more files for them.
    const auto files = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
    const auto before = files();
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(handedOver(first));
    EXPECT_EQ(files(), before);
}

TEST_F(InstancePlace, NamesOfOneDisplayShareOnePlace) {
    pt::useInstanceKey("");
    setenv("DISPLAY", ":57.0", 1);
    std::optional<platform::Instance> first(std::in_place);
    ASSERT_TRUE(first->first());
    for (const char* same : {":57", ":57.0", "unix:57", "unix:57.1"}) {
        setenv("DISPLAY", same, 1);
        EXPECT_TRUE(handedOver(*first)) << "a start on " << same << " began a second program";
    }
    setenv("DISPLAY", ":58", 1);
    EXPECT_TRUE(platform::Instance().first()) << "another display is another session";
    first.reset();
    EXPECT_TRUE(fs::is_empty(root_ / "run")) << "the lock or the socket outlived the program";
}

TEST_F(InstancePlace, WithoutAUsableRuntimeFolderAPrivateOneIsMade) {
    const fs::path loose = root_ / "loose";
    fs::create_directory(loose);
    fs::permissions(loose, fs::perms::all, fs::perm_options::replace);
    for (const std::optional<fs::path>& runtime :
         {std::optional<fs::path>{}, std::optional<fs::path>{loose},
          std::optional<fs::path>{root_ / "missing"}}) {
        SCOPED_TRACE(runtime ? runtime->string() : "XDG_RUNTIME_DIR unset");
        if (runtime)
            setenv("XDG_RUNTIME_DIR", runtime->c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
        {
            platform::Instance first;
            ASSERT_TRUE(first.first());
            EXPECT_TRUE(handedOver(first));
            struct stat st {};
            ASSERT_EQ(lstat(privateFolder().c_str(), &st), 0);
            EXPECT_TRUE(S_ISDIR(st.st_mode));
            EXPECT_EQ(st.st_mode & 0777, 0700u);
            EXPECT_EQ(st.st_uid, getuid());
        }
        EXPECT_TRUE(fs::is_empty(privateFolder())) << "the lock or the socket outlived the program";
        EXPECT_TRUE(fs::is_empty(loose)) << "written where others may write";
    }
}

TEST_F(InstancePlace, WithNoSafePlaceItStartsAloneAndSaysSo) {
    unsetenv("XDG_RUNTIME_DIR");
    // Every name the program would take is a file someone else put there.
    for (const char* suffix : {"", "-2", "-3", "-4"})
        std::fclose(std::fopen((privateFolder().string() + suffix).c_str(), "w"));
    ::testing::internal::CaptureStderr();
    platform::Instance first;
    platform::Instance second;
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(first.first());
    EXPECT_TRUE(second.first()) << "a start was refused for want of a place";
    EXPECT_NE(said.find("starting without it"), std::string::npos) << said;
}

}  // namespace
