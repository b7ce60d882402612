// Twips and pixels, at the screen's dots per inch or the tests'.
#include <QGuiApplication>
#include <QScreen>
#include <cmath>

#include "platform/hooks.h"
#include "platform/qt/impl.h"

namespace platform::qt {

namespace {
double dpiX() {
    if (dpiOverride() > 0) return dpiOverride();
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInchX() : 96.0;
}
double dpiY() {
    if (dpiOverride() > 0) return dpiOverride();
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInchY() : 96.0;
}
}  // namespace

int toPixelsX(Twips t) {
    return static_cast<int>(std::lround(t * dpiX() / 1440.0));
}
int toPixelsY(Twips t) {
    return static_cast<int>(std::lround(t * dpiY() / 1440.0));
}
Twips toTwipsX(int px) {
    return static_cast<Twips>(std::lround(px * 1440.0 / dpiX()));
}
Twips toTwipsY(int px) {
    return static_cast<Twips>(std::lround(px * 1440.0 / dpiY()));
}

}  // namespace platform::qt
