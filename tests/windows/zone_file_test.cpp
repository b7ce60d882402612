// A zone file is taken only when whole: a file being written, in whatever
// piece the writer has got to, is not, and a missing or empty one is not.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/shared/zone_file.h"

namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ZoneFile, OnlyAWholeFileIsTaken) {
    std::string pattern = fs::temp_directory_path() / "tockmere-zone.XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path folder = pattern, copy = folder / "localtime";
    EXPECT_FALSE(platform::zoneFileWhole(copy)) << "a missing file";
    std::ofstream(copy).close();
    EXPECT_FALSE(platform::zoneFileWhole(copy)) << "an empty file";
    // Version 2 files with transitions and a rule, and one with a single type;
    // and each one's first part alone, a version 1 file (which ends where the
    // second header starts).
    for (const char* zone : {"America/New_York", "Asia/Shanghai", "Etc/UTC"}) {
        const fs::path source = fs::path("/usr/share/zoneinfo") / zone;
        ASSERT_TRUE(platform::zoneFileWhole(source)) << zone;
        std::string first = contents(source);
        first.resize(first.find("TZif", 4));
        first[4] = '\0';
        for (const std::string& whole : {contents(source), first}) {
            const std::string name = zone + std::string(whole[4] ? "" : ", version 1");
            std::ofstream(copy, std::ios::binary | std::ios::trunc) << whole;
            ASSERT_TRUE(platform::zoneFileWhole(copy)) << name;
            for (std::size_t size = 0; size < whole.size(); ++size) {
                std::ofstream(copy, std::ios::binary | std::ios::trunc) << whole.substr(0, size);
                ASSERT_FALSE(platform::zoneFileWhole(copy))
                    << name << " cut after " << size << " bytes";
            }
            std::ofstream(copy, std::ios::binary | std::ios::trunc) << whole << '\n';
            EXPECT_FALSE(platform::zoneFileWhole(copy)) << name << " with more after its end";
        }
    }
    fs::remove_all(folder);
}

}  // namespace
