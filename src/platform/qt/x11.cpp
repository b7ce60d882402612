// What the program asks of X itself, on an X11 display.
//
// The notification area's coming and going: a tray that starts takes the
// selection _NET_SYSTEM_TRAY_S<screen> and announces it with a MANAGER
// message to the root window; a tray that ends destroys the window that
// owned the selection. Nothing is polled.
//
// A window manager that ends while one of the program's windows sits in
// its frame, outside the set it gives back on leaving (as when it takes a
// window mapped in the moment it goes), takes that window down with the
// frame: Qt is not told, and the window is made anew. One that ends with a
// request to map a window unanswered leaves it unmapped: the window is
// mapped again when the next window manager announces itself. One that
// tells a window's frame (_NET_FRAME_EXTENTS) only once the window is on
// the screen has it placed again by the frame told.
#include <xcb/xcb.h>
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "platform/qt/impl.h"
#include "platform/qt/tray.h"

namespace platform {

namespace {

xcb_atom_t atom(xcb_connection_t* c, const std::string& name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr);
    const xcb_atom_t a = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return a;
}

// Adds StructureNotify to what this program hears of a window, keeping what
// Qt already asked for there.
void selectStructureNotify(xcb_connection_t* c, xcb_window_t w) {
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
    if (!attributes) return;
    const std::uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    std::free(attributes);
    xcb_change_window_attributes(c, w, XCB_CW_EVENT_MASK, &mask);
}

// The screen of $DISPLAY (":0.1" is screen 1).
int screenNumber() {
    const char* display = std::getenv("DISPLAY");
    const char* colon = display ? std::strrchr(display, ':') : nullptr;
    const char* dot = colon ? std::strchr(colon, '.') : nullptr;
    return dot ? std::atoi(dot + 1) : 0;
}

// The X window a widget has now. Qt makes a shown widget's window anew at
// times (a tool tip as it shows; recreateNativeWindow below too), and the
// widget's own id then stays the old window's.
xcb_window_t windowOf(const QWidget* w) {
    const QWindow* now = w->windowHandle();
    if (!now || !now->handle()) return XCB_WINDOW_NONE;
    return static_cast<xcb_window_t>(now->winId());
}

// The root window of the program's screen.
xcb_window_t rootWindow(xcb_connection_t* c) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int n = screenNumber(); n > 0 && it.rem; --n) xcb_screen_next(&it);
    return it.rem ? it.data->root : xcb_window_t{XCB_WINDOW_NONE};
}

// Messages to the root window that announce a manager (a tray, a window
// manager) come to those that hear its structure.
void selectRootStructureNotify(xcb_connection_t* c) {
    if (const xcb_window_t root = rootWindow(c)) selectStructureNotify(c, root);
}

class XTrayWatch : public QAbstractNativeEventFilter {
public:
    XTrayWatch(xcb_connection_t* c, void (*onChange)()) : c_(c) {
        manager_ = atom(c, "MANAGER");
        selection_ = atom(c, "_NET_SYSTEM_TRAY_S" + std::to_string(screenNumber()));
        selectRootStructureNotify(c);
        settle_.setSingleShot(true);
        settle_.setInterval(0);
        QObject::connect(&settle_, &QTimer::timeout, onChange);
        followOwner();
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        switch (event->response_type & 0x7f) {
            case XCB_CLIENT_MESSAGE: {
                const auto* m = static_cast<const xcb_client_message_event_t*>(message);
                if (m->type == manager_ && m->data.data32[1] == selection_) changed();
                break;
            }
            case XCB_DESTROY_NOTIFY: {
                const auto* gone = static_cast<const xcb_destroy_notify_event_t*>(message);
                if (owner_ != XCB_WINDOW_NONE && gone->window == owner_) changed();
                break;
            }
            default:
                break;
        }
        return false;  // Qt follows the tray too, for its own icon
    }

private:
    // The check runs once Qt has seen the event as well.
    void changed() {
        followOwner();
        settle_.start();
    }
    void followOwner() {
        xcb_get_selection_owner_reply_t* reply =
            xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, selection_), nullptr);
        owner_ = reply ? reply->owner : xcb_window_t{XCB_WINDOW_NONE};
        std::free(reply);
        if (owner_ != XCB_WINDOW_NONE) selectStructureNotify(c_, owner_);
        xcb_flush(c_);
    }

    xcb_connection_t* c_;
    xcb_atom_t manager_ = XCB_ATOM_NONE;
    xcb_atom_t selection_ = XCB_ATOM_NONE;
    xcb_window_t owner_ = XCB_WINDOW_NONE;
    QTimer settle_;
};

// The program's top-level windows as the window manager treats them:
// destroyed by someone else (Qt still holds them as its own; a window the
// program ends is no longer found), or framed late.
class TopLevelWatch : public QAbstractNativeEventFilter {
public:
    explicit TopLevelWatch(xcb_connection_t* c) : c_(c) {
        manager_ = atom(c, "MANAGER");
        frameExtents_ = atom(c, "_NET_FRAME_EXTENTS");
        wmSelection_ = atom(c, "WM_S" + std::to_string(screenNumber()));
        wmState_ = atom(c, "WM_STATE");
        settle_.setSingleShot(true);
        settle_.setInterval(1000);
        QObject::connect(&settle_, &QTimer::timeout, [this] { mapUnanswered(); });
        selectRootStructureNotify(c);
        xcb_flush(c);
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
            const auto* m = static_cast<const xcb_client_message_event_t*>(message);
            if (m->type == manager_ && m->data.data32[1] == wmSelection_) {
                // Asked again once it is under way: a window manager may
                // announce itself before it takes requests, and drop one
                // that comes meanwhile.
                mapUnanswered();
                settle_.start();
            }
            return false;
        }
        if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            const auto* p = static_cast<const xcb_property_notify_event_t*>(message);
            if (p->atom != frameExtents_ || p->state != XCB_PROPERTY_NEW_VALUE) return false;
            QWidget* w = QWidget::find(static_cast<WId>(p->window));
            // Once Qt has heard of the frame as well.
            if (w && w->isWindow()) QTimer::singleShot(0, w, [w] { qt::frameTold(w); });
            return false;
        }
        if ((event->response_type & 0x7f) != XCB_DESTROY_NOTIFY) return false;
        const auto* gone = static_cast<const xcb_destroy_notify_event_t*>(message);
        if (gone->event != gone->window) return false;  // told of its own end, not a child's
        QWidget* w = QWidget::find(static_cast<WId>(gone->window));
        // Only the window the widget has now counts as lost (windowOf).
        if (!w || !w->isWindow() || windowOf(w) != gone->window) return false;
        QTimer::singleShot(0, w, [w] { recreateNativeWindow(w); });
        return false;
    }

private:
    // Shown as Qt holds them, yet neither mapped nor taken by a window
    // manager (no WM_STATE): their request went to one that ended.
    void mapUnanswered() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            const xcb_window_t id = windowOf(w);
            if (!w->isVisible() || id == XCB_WINDOW_NONE) continue;
            xcb_get_window_attributes_reply_t* a =
                xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, id), nullptr);
            xcb_get_property_reply_t* p = xcb_get_property_reply(
                c_, xcb_get_property(c_, 0, id, wmState_, wmState_, 0, 2), nullptr);
            const bool unanswered =
                a && a->map_state == XCB_MAP_STATE_UNMAPPED && (!p || p->type == XCB_ATOM_NONE);
            std::free(a);
            std::free(p);
            if (unanswered) xcb_map_window(c_, id);
        }
        xcb_flush(c_);
    }

    // As it was: shown, minimised or hidden, with the same state.
    static void recreateNativeWindow(QWidget* w) {
        const bool shown = w->isVisible();
        const Qt::WindowStates state = w->windowState();
        w->windowHandle()->destroy();
        if (!shown) return;  // made when it is next shown
        w->hide();
        w->setWindowState(state);
        w->show();
    }

    xcb_connection_t* c_;
    xcb_atom_t manager_ = XCB_ATOM_NONE;
    xcb_atom_t wmSelection_ = XCB_ATOM_NONE;
    xcb_atom_t wmState_ = XCB_ATOM_NONE;
    xcb_atom_t frameExtents_ = XCB_ATOM_NONE;
    QTimer settle_;
};

}  // namespace

namespace {
xcb_connection_t* x11() {
    auto* x = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x ? x->connection() : nullptr;
}
}  // namespace

bool qt::programHoldsX11Focus() {
    xcb_connection_t* c = x11();
    if (!c) return false;
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    // Windows this connection made carry its resource base.
    const xcb_setup_t* setup = xcb_get_setup(c);
    const bool holds = reply && reply->focus > XCB_INPUT_FOCUS_FOLLOW_KEYBOARD &&
                       (reply->focus & ~setup->resource_id_mask) == setup->resource_id_base;
    std::free(reply);
    return holds;
}

std::optional<QPoint> qt::x11ClientPosition(const QWidget* w) {
    xcb_connection_t* c = x11();
    const xcb_window_t id = windowOf(w);
    if (!c || id == XCB_WINDOW_NONE) return std::nullopt;
    // Both asked at once: one round trip.
    const auto state = xcb_get_window_attributes(c, id);
    const auto place = xcb_translate_coordinates(c, id, rootWindow(c), 0, 0);
    xcb_get_window_attributes_reply_t* a = xcb_get_window_attributes_reply(c, state, nullptr);
    xcb_translate_coordinates_reply_t* t = xcb_translate_coordinates_reply(c, place, nullptr);
    std::optional<QPoint> at;
    if (a && a->map_state == XCB_MAP_STATE_VIEWABLE && t) at = QPoint(t->dst_x, t->dst_y);
    std::free(a);
    std::free(t);
    return at;
}

std::optional<QMargins> qt::x11FrameExtents(const QWidget* w) {
    xcb_connection_t* c = x11();
    const xcb_window_t id = windowOf(w);
    if (!c || id == XCB_WINDOW_NONE) return std::nullopt;
    const auto cookie =
        xcb_get_property(c, 0, id, atom(c, "_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, 0, 4);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(c, cookie, nullptr);
    std::optional<QMargins> extents;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) == 16) {
        const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
        extents = QMargins(static_cast<int>(v[0]), static_cast<int>(v[2]), static_cast<int>(v[1]),
                           static_cast<int>(v[3]));
    }
    std::free(reply);
    return extents;
}

void qt::moveX11Client(const QWidget* w, QPoint at) {
    xcb_connection_t* c = x11();
    const xcb_window_t id = windowOf(w);
    if (!c || id == XCB_WINDOW_NONE) return;
    // The program's windows have static gravity: the window manager puts
    // the client area itself where asked, and its frame around it.
    const std::uint32_t values[] = {static_cast<std::uint32_t>(at.x()),
                                    static_cast<std::uint32_t>(at.y())};
    xcb_configure_window(c, id, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, values);
    xcb_flush(c);
}

void qt::watchTopLevelWindows() {
    xcb_connection_t* c = x11();
    if (!c) return;
    static TopLevelWatch* watch = nullptr;
    if (!watch) {
        watch = new TopLevelWatch(c);
        QCoreApplication::instance()->installNativeEventFilter(watch);
    }
}

bool watchX11Tray(void (*changed)()) {
    xcb_connection_t* c = x11();
    if (!c) return false;
    static XTrayWatch* watch = nullptr;
    if (!watch) {
        watch = new XTrayWatch(c, changed);
        QCoreApplication::instance()->installNativeEventFilter(watch);
    }
    return true;
}

// The desktop's settings that X clients share (XSETTINGS): the property on
// the window owning _XSETTINGS_S<screen>, a list of named integers, strings
// and colours.
std::optional<qt::EventSounds> qt::x11EventSounds() {
    xcb_connection_t* c = x11();
    if (!c) return std::nullopt;
    const auto owner = xcb_get_selection_owner_reply(
        c, xcb_get_selection_owner(c, atom(c, "_XSETTINGS_S" + std::to_string(screenNumber()))),
        nullptr);
    const xcb_window_t window = owner ? owner->owner : XCB_NONE;
    std::free(owner);
    if (window == XCB_NONE) return std::nullopt;
    const xcb_atom_t settings = atom(c, "_XSETTINGS_SETTINGS");
    auto* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, settings, settings, 0, 1 << 16), nullptr);
    if (!reply) return std::nullopt;
    const auto* data = static_cast<const unsigned char*>(xcb_get_property_value(reply));
    const std::size_t size = static_cast<std::size_t>(xcb_get_property_value_length(reply));
    const bool big = size > 0 && data[0] == 1;
    const auto card = [&](std::size_t at, std::size_t bytes) {
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            v |= std::uint32_t{data[at + i]} << (8 * (big ? bytes - 1 - i : i));
        return v;
    };
    const auto padded = [](std::size_t n) { return (n + 3) & ~std::size_t{3}; };
    EventSounds sounds;
    std::size_t at = 12;
    for (std::uint32_t n = size >= 12 ? card(8, 4) : 0; n > 0 && at + 8 <= size; --n) {
        const unsigned type = data[at];
        const std::size_t nameLength = card(at + 2, 2);
        const std::size_t value = at + 4 + padded(nameLength) + 4;
        if (value > size) break;
        const std::string name(reinterpret_cast<const char*>(data + at + 4), nameLength);
        if (type == 0 && value + 4 <= size) {
            if (name == "Net/EnableEventSounds") sounds.enabled = card(value, 4) != 0;
            at = value + 4;
        } else if (type == 1 && value + 4 <= size) {
            const std::size_t length = card(value, 4);
            if (value + 4 + length > size) break;
            if (name == "Net/SoundThemeName")
                sounds.theme.assign(reinterpret_cast<const char*>(data + value + 4), length);
            at = value + 4 + padded(length);
        } else if (type == 2) {
            at = value + 8;
        } else {
            break;
        }
    }
    std::free(reply);
    return sounds;
}

}  // namespace platform
