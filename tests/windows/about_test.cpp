// The About box's registry reading and its launch of the system-information
// program.
#include <chrono>
#include <filesystem>
#include <thread>
#include <tuple>

#include "harness.h"
#include "platform/system.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const Box kUnavailable = okBox("此时系统信息不可用", "Tockmere");

class About : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        pt::clearRegistry();
        // As most users are: not elevated, HKEY_LOCAL_MACHINE is read-only,
        // and the program reads it all the same.
        pt::setLocalMachineWritable(false);
        start();
        about = std::make_unique<frmAbout>(*w);
        folder = fs::temp_directory_path() /
                 ("tockmere-about-" +
                  std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(folder);
    }
    void TearDown() override {
        about.reset();
        pt::setLocalMachineWritable(true);
        // A program started by the test may still be ending; on Windows its
        // file cannot be removed until it has.
        std::error_code failed;
        for (int i = 0; i < 100 && (fs::remove_all(folder, failed), failed); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_FALSE(failed) << failed.message();
        MainWindowTest::TearDown();
    }
    std::string read(const std::string& key, const std::string& name, std::string before = "x") {
        ok = about->GetKeyValue(platform::HKEY_LOCAL_MACHINE, key, name, before);
        return before;
    }
    // A program that leaves a mark beside itself when it runs: a copy of
    // the one built beside the tests.
    fs::path program(const std::string& name) {
        fs::path marker = fs::path(platform::programFolder()) / "launch_marker";
        if (!fs::exists(marker)) marker += ".exe";
        const fs::path p = folder / name;
        fs::copy_file(marker, p, fs::copy_options::overwrite_existing);
        fs::permissions(p, fs::perms::owner_all);
        return p;
    }
    static bool ran(const fs::path& p) {
        // A process starts in seconds under Wine on a busy machine.
        for (int i = 0; i < 500; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(20)))
            if (fs::exists(p.string() + ".ran")) return true;
        return false;
    }
    std::unique_ptr<frmAbout> about;
    fs::path folder;
    bool ok = false;
};

// A string with or without its NUL and nothing after it, a number; what is
// not there, or more than the buffer holds, is refused.
TEST_F(About, ReadsWhatTheRegistryHoldsAndRefusesWhatItCannotRead) {
    const std::string chinese = platform::toAnsi("D:\\系统信息");
    ASSERT_EQ(chinese.size(), 11u) << "four double-byte characters";
    const std::vector<std::tuple<std::uint32_t, std::string, std::string>> cases{
        {platform::REG_SZ, std::string("C:\\a.exe\0", 9), "C:\\a.exe"},
        {platform::REG_SZ, "C:\\a.exe", "C:\\a.exe"},
        {platform::REG_SZ, chinese + '\0', "D:\\系统信息"},
        {platform::REG_SZ, chinese, "D:\\系统信息"},
        {platform::REG_SZ, std::string("C:\\a\0junk\xB0", 10), "C:\\a"},
        {platform::REG_SZ, std::string(1, '\0'), ""},
        {platform::REG_DWORD, std::string("\x05\x01\0\0", 4), "261"},
    };
    for (const auto& [type, data, text] : cases) {
        pt::setRegistryValue(kInfoKey, "PATH", type, data);
        EXPECT_EQ(read(kInfoKey, "PATH"), text);
        EXPECT_TRUE(ok);
    }
    pt::setRegistryValue(kInfoKey, "Huge", platform::REG_SZ, std::string(2000, 'a'));
    for (const auto& [key, name] : std::vector<std::pair<std::string, std::string>>{
             {kInfoKey, "Missing"}, {"SOFTWARE\\Nowhere", "PATH"}, {kInfoKey, "Huge"}}) {
        EXPECT_EQ(read(key, name), "") << name;
        EXPECT_FALSE(ok) << name;
    }
}

TEST_F(About, StartsTheProgramTheFirstLocationNames) {
    const fs::path p = program("sysinfo.exe");
    pt::setRegistryValue(kInfoKey, "PATH", platform::REG_SZ, p.string() + '\0');
    pt::click(about->cmdSysInfo);
    EXPECT_TRUE(ran(p));
    EXPECT_TRUE(takeBoxes().empty());

    // Named but not there: the launch fails and says so.
    pt::setRegistryValue(kInfoKey, "PATH", platform::REG_SZ, (folder / "gone").string());
    about->StartSysInfo();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{kUnavailable});
}

TEST_F(About, StartsTheProgramInTheSecondLocationsFolderOnlyWhenItIsThere) {
    pt::setRegistryValue(kLocationKey, "MSINFO", platform::REG_SZ, folder.string() + '\0');
    about->StartSysInfo();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{kUnavailable});

    const fs::path p = program("MSINFO32.EXE");
    about->StartSysInfo();
    EXPECT_TRUE(ran(p));
    EXPECT_TRUE(takeBoxes().empty());

    pt::clearRegistry();
    about->StartSysInfo();
    EXPECT_EQ(takeBoxes(), std::vector<Box>{kUnavailable});
}

}  // namespace
