#include "platform/shared/zone_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

namespace platform {

namespace {

std::uint32_t bigEndian(const unsigned char* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// The size of a block of tables after a header at `at`, or none when the
// header is not there or its counts cannot be those of a zone.
std::optional<std::size_t> tablesAfter(const std::vector<unsigned char>& data, std::size_t at,
                                       std::size_t timeSize) {
    constexpr std::size_t header = 44;
    if (data.size() < at + header || std::memcmp(data.data() + at, "TZif", 4) != 0) return {};
    const unsigned char* counts = data.data() + at + 20;
    const std::size_t utLocal = bigEndian(counts), standardWall = bigEndian(counts + 4),
                      leaps = bigEndian(counts + 8), times = bigEndian(counts + 12),
                      types = bigEndian(counts + 16), chars = bigEndian(counts + 20);
    if (types == 0 || chars == 0 || (utLocal != 0 && utLocal != types) ||
        (standardWall != 0 && standardWall != types))
        return {};
    return header + times * (timeSize + 1) + types * 6 + chars + leaps * (timeSize + 4) +
           standardWall + utLocal;
}

}  // namespace

bool zoneFileWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    const std::vector<unsigned char> data(std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>{});
    const auto first = tablesAfter(data, 0, 4);
    if (!first) return false;
    if (data[4] == 0) return data.size() == *first;
    const auto second = tablesAfter(data, *first, 8);
    if (!second) return false;
    // The rule for times after the tables: a line of its own, at the end.
    const std::size_t footer = *first + *second;
    return data.size() > footer + 1 && data[footer] == '\n' && data.back() == '\n' &&
           std::find(data.begin() + static_cast<std::ptrdiff_t>(footer) + 1, data.end() - 1,
                     '\n') == data.end() - 1;
}

}  // namespace platform
