// Icons from the program's indexed pictures, and the handles the program
// knows them by.
#include <map>

#include "platform/qt/impl.h"

namespace platform::qt {

QImage toImage(const assets::IndexedPicture& picture) {
    QImage image(picture.width, picture.height, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) image.setPixel(x, y, picture.colourAt(x, y));
    }
    return image;
}

namespace {
std::map<Handle, QIcon>& icons() {
    static std::map<Handle, QIcon> all;
    return all;
}
}  // namespace

Handle iconHandle(const QIcon& icon) {
    const Handle h = static_cast<Handle>(0x20000 + icons().size() * 4);
    icons()[h] = icon;
    return h;
}

QIcon iconFromHandle(Handle handle) {
    const auto it = icons().find(handle);
    return it == icons().end() ? QIcon() : it->second;
}

}  // namespace platform::qt
