// Icons from the program's indexed pictures, and the handles the program
// knows them by.
#include <QPixmap>
#include <map>

#include "platform/qt/impl.h"

// The resources of a static library are initialised by hand.
static void initTrayIcon() {
    Q_INIT_RESOURCE(tray_icon);
}

namespace platform::qt {

QImage toImage(const assets::IndexedPicture& picture) {
    QImage image(picture.width, picture.height, QImage::Format_ARGB32);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) image.setPixel(x, y, picture.colourAt(x, y));
    }
    return image;
}

QIcon iconOf(const assets::IndexedPicture& picture) {
    // The alarm clock comes drawn from its SVG at each size a tray draws
    // it (resources made at build time): a tray at 200 % draws it from a
    // picture of its own size, not from the 32 x 32 one blown up.
    static const bool resources = (initTrayIcon(), true);
    (void)resources;
    QIcon icon;
    if (&picture == &assets::alarmClock())
        for (int size : {16, 20, 24, 32, 40, 48, 64})
            icon.addFile(QStringLiteral(":/tray/%1.png").arg(size), QSize(size, size));
    if (icon.availableSizes().isEmpty()) icon.addPixmap(QPixmap::fromImage(toImage(picture)));
    return icon;
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
    return made[&picture] = iconHandle(iconOf(picture));
}

QIcon iconFromHandle(Handle handle) {
    const auto it = icons().find(handle);
    return it == icons().end() ? QIcon() : it->second;
}

}  // namespace platform::qt
