#include "assets/alarm_clock.h"

namespace assets {

namespace {

constexpr int kSize = 32;

// A red alarm clock with brass bells, bezel and hammer, a white dial showing ten past ten,
// grey feet and a black outline, on a transparent background. Light comes from the upper left.
//
// Palette indices:
//   0 transparent   4 olive (brass shade)   8 silver (dial shade)   c yellow (brass)
//   1 black         5 navy                  9 grey (feet)           d blue
//   2 maroon        6 purple                a red (case)            e fuchsia
//   3 green         7 teal                  b lime                  f white (dial, gloss)
// clang-format off
constexpr std::array<const char*, kSize> kRows = {
    "00000000000000000000000000000000",
    "00000000000000000000000000000000",
    "00000000000000111100000000000000",
    "000000111110001c4100011111000000",
    "000001ccccc1001c41001ccccc100000",
    "00001cccccc4100110014cccccc10000",
    "0001ccffcc441011110144fccccc1000",
    "0001ccffc44111aaaa11144cccc41000",
    "0001cccf411aaaaaaaaaa114cc441000",
    "0001ccc41afaaaaaaaaaaaa144441000",
    "0001c441afaaccccccccaaaa14441000",
    "0001441afaaccffffffccaaa21441000",
    "0000111afacfffff1ffff4aaa1110000",
    "000011aaacfffffffffff84aa2110000",
    "000001aaccfffffffffff144a2100000",
    "000001aacfff11fffff11f84aa100000",
    "00001aaacfff111ff111ff84aa210000",
    "00001aaacfffff1111ffff84aa210000",
    "00001aaacf1ffff11fffff14a2210000",
    "00001aaacfffffffffffff84a2210000",
    "000001aacffffffffffff884a2100000",
    "000001aaccffffffffff884422100000",
    "000001aaacfffffffff8884a22100000",
    "0000001aaa48ffffff8884a221000000",
    "0000001aaaa4488818844a2221000000",
    "00000001aaaa44444444a22210000000",
    "000000001aaaaaaaaaa2222100000000",
    "0000000011122aaa2222211100000000",
    "00000001991111222211119910000000",
    "00000019910000111100001991000000",
    "00000019100000000000000191000000",
    "00000011100000000000000111000000",
};
// clang-format on

constexpr std::array<std::uint32_t, 16> kPalette = {
    0x00000000,  // 0 transparent
    0xFF000000,  // 1 black
    0xFF800000,  // 2 maroon
    0xFF008000,  // 3 green
    0xFF808000,  // 4 olive
    0xFF000080,  // 5 navy
    0xFF800080,  // 6 purple
    0xFF008080,  // 7 teal
    0xFFC0C0C0,  // 8 silver
    0xFF808080,  // 9 grey
    0xFFFF0000,  // a red
    0xFF00FF00,  // b lime
    0xFFFFFF00,  // c yellow
    0xFF0000FF,  // d blue
    0xFFFF00FF,  // e fuchsia
    0xFFFFFFFF,  // f white
};

// Every row has exactly kSize pixels, each a hex digit.
constexpr bool rowsWellFormed() {
    for (const char* row : kRows) {
        int length = 0;
        for (; row[length] != '\0'; ++length) {
            const char c = row[length];
            if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
        }
        if (length != kSize) return false;
    }
    return true;
}
static_assert(rowsWellFormed(), "each row of the alarm clock needs 32 hex digits");

}  // namespace

const IndexedPicture& alarmClock() {
    static const IndexedPicture picture{kSize, kSize, kPalette, kRows.data()};
    return picture;
}

}  // namespace assets
