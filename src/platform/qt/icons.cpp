// Icons from the program's indexed pictures, and the handles the program
// knows them by.
#include <QPixmap>
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

// One icon per picture, for every window that shows it: Qt keeps each
// pixmap an icon is drawn at in its global pixmap cache under that icon's
// key, so an icon made anew for each window would leave a copy there with
// every window opened.
Handle iconHandle(const assets::IndexedPicture& picture) {
    static std::map<const assets::IndexedPicture*, Handle> made;
    const auto it = made.find(&picture);
    if (it != made.end()) return it->second;
    return made[&picture] = iconHandle(QIcon(QPixmap::fromImage(toImage(picture))));
}

QIcon iconFromHandle(Handle handle) {
    const auto it = icons().find(handle);
    return it == icons().end() ? QIcon() : it->second;
}

}  // namespace platform::qt
