// The ANSI code page of the target systems, GBK, over iconv. Characters it
// cannot hold become '?', as the system's own conversion does.
#include <iconv.h>

#include <cerrno>
#include <string>

#include "platform/system.h"

namespace platform {

namespace {

std::string convert(const char* to, const char* from, const std::string& in) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return in;
    std::string out;
    char buffer[256];
    char* src = const_cast<char*>(in.data());
    std::size_t left = in.size();
    while (left > 0) {
        char* dst = buffer;
        std::size_t room = sizeof buffer;
        const std::size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
        if (r != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
        // A character the other side cannot hold, or a broken sequence:
        // one '?' for it, then go on after it.
        out.push_back('?');
        std::size_t skip = 1;
        if (std::string(from) == "UTF-8")
            while (skip < left && (static_cast<unsigned char>(src[skip]) & 0xC0) == 0x80) ++skip;
        else if (static_cast<unsigned char>(*src) >= 0x81 && left >= 2)
            skip = 2;
        src += skip;
        left -= skip;
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string toAnsi(const std::string& utf8) {
    return convert("GBK", "UTF-8", utf8);
}
std::string fromAnsi(const std::string& ansi) {
    return convert("UTF-8", "GBK", ansi);
}

}  // namespace platform
