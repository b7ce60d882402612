// Shell_NotifyIconA over QSystemTrayIcon. Mouse events on the icon reach the
// owner's window procedure as its callback message with the mouse message
// as lParam, as the shell sends them: press, release and double click.
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QMouseEvent>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/declared.h"
#include "platform/hooks.h"
#include "platform/qt/impl.h"
#include "platform/qt/tray.h"
#include "platform/system.h"

namespace platform {

namespace {

struct TrayEntry {
    Handle owner = 0;
    std::uint32_t id = 0;
    std::uint32_t callback = 0;
    std::unique_ptr<QSystemTrayIcon> icon;

    void send(LongPtr mouseMessage) const {
        if (callback != 0) SendMessageA(owner, callback, static_cast<LongPtr>(id), mouseMessage);
    }
};

// The icons belong to the application, never to static storage: where the
// X server goes away, Qt ends the program with exit(), which destroys
// statics after Qt is gone but leaves the application alone.
struct TrayEntries : QObject {
    using QObject::QObject;
    std::vector<std::unique_ptr<TrayEntry>> all;
};

std::vector<std::unique_ptr<TrayEntry>>& entries() {
    static QPointer<TrayEntries> kept;
    if (!kept) kept = new TrayEntries(qApp);
    return kept->all;
}

int availableOverride = -1;
bool lastAvailable = true;

TrayEntry* find(Handle owner, std::uint32_t id) {
    for (auto& e : entries())
        if (e->owner == owner && e->id == id) return e.get();
    return nullptr;
}

LongPtr mouseMessage(QEvent::Type type, Qt::MouseButton button) {
    const int base = button == Qt::RightButton ? 516 : button == Qt::MiddleButton ? 519 : 513;
    switch (type) {
        case QEvent::MouseButtonPress:
            return base;
        case QEvent::MouseButtonRelease:
            return base + 1;
        case QEvent::MouseButtonDblClick:
            return base + 2;
        default:
            return 0;
    }
}

// On an X11 tray the icon is a small window of Qt's own; its mouse events
// are taken here, before Qt turns presses into its own signals.
class IconMouse : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const LongPtr message = mouseMessage(event->type(), Qt::NoButton);
        if (message == 0 || entries().empty() || !watched->isWidgetType()) return false;
        if (std::strcmp(watched->metaObject()->className(), "QSystemTrayIconSys") != 0)
            return false;
        const auto* m = static_cast<QMouseEvent*>(event);
        entries().front()->send(mouseMessage(event->type(), m->button()));
        return true;
    }
};

void watchIconMouse() {
    static IconMouse* filter = nullptr;
    if (filter) return;
    filter = new IconMouse;
    qApp->installEventFilter(filter);
}

// Where the icon is drawn by a desktop service instead, only Qt's signals
// come: a click is told as its release.
void connectSignals(TrayEntry& e) {
    QObject::connect(e.icon.get(), &QSystemTrayIcon::activated,
                     [&e](QSystemTrayIcon::ActivationReason reason) {
                         switch (reason) {
                             case QSystemTrayIcon::Trigger:
                                 return e.send(WM_LBUTTONUP);
                             case QSystemTrayIcon::Context:
                                 return e.send(WM_RBUTTONUP);
                             case QSystemTrayIcon::DoubleClick:
                                 return e.send(WM_LBUTTONDBLCLK);
                             case QSystemTrayIcon::MiddleClick:
                                 return e.send(WM_MBUTTONUP);
                             default:
                                 return;
                         }
                     });
}

void apply(TrayEntry& e, const NOTIFYICONDATAA& data) {
    if (data.uFlags & NIF_MESSAGE) e.callback = data.uCallbackMessage;
    if (data.uFlags & NIF_ICON) e.icon->setIcon(qt::iconFromHandle(data.hIcon));
    if (data.uFlags & NIF_TIP) {
        const std::string tip(data.szTip, strnlen(data.szTip, sizeof data.szTip));
        e.icon->setToolTip(qt::qs(fromAnsi(tip)));
    }
}

// Hosts come and go (a panel crashes, is replaced, starts again).
void checkTray() {
    const bool available = trayAvailable();
    if (available == lastAvailable) return;
    lastAvailable = available;
    for (const auto& e : entries()) {
        FormImpl* form = FormImpl::fromHandle(e->owner);
        if (!form) continue;
        if (available)
            form->trayBack();
        else
            form->trayGone();
    }
}

const QString kItemWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");

// Where a StatusNotifierItem watcher is on the session bus, Qt's icon is an
// item that it registers there, and the tray is there while the watcher is;
// the bus tells when it comes and goes. Elsewhere the icon sits in the X11
// notification area, and X tells (xtray.cpp).
struct TrayWatch {
    QPointer<QObject> watching;
    bool onX = false;
    bool onBus = false;
    bool watcherThere = false;
};

TrayWatch& trayWatch() {
    static TrayWatch watch;
    return watch;
}

// The item's watcher on the session bus, told of its coming and going; none
// where the bus has no watcher (or there is no bus address: asking for the
// bus then could launch one).
QDBusServiceWatcher* watchItemWatcher() {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return nullptr;
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(kItemWatcher).value())
        return nullptr;
    auto* watcher = new QDBusServiceWatcher(
        kItemWatcher, bus,
        QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration,
        qApp);
    QObject::connect(watcher, &QDBusServiceWatcher::serviceRegistered, [] {
        trayWatch().watcherThere = true;
        checkTray();
    });
    QObject::connect(watcher, &QDBusServiceWatcher::serviceUnregistered, [] {
        trayWatch().watcherThere = false;
        checkTray();
    });
    return watcher;
}

void watchTray() {
    TrayWatch& watch = trayWatch();
    if (watch.watching || watch.onX) return;
    if (QDBusServiceWatcher* watcher = watchItemWatcher()) {
        watch.onBus = watch.watcherThere = true;
        watch.watching = watcher;
    } else {
        watch.onBus = false;
        watch.onX = watchX11Tray(checkTray);
    }
    lastAvailable = trayAvailable();
}

}  // namespace

bool trayAvailable() {
    if (availableOverride >= 0) return availableOverride == 1;
    const TrayWatch& watch = trayWatch();
    if (watch.watching && watch.onBus) return watch.watcherThere;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool trayNeedsTaskbar(Handle owner) {
    for (const auto& e : entries())
        if (e->owner == owner) return !trayAvailable();
    return false;
}

void overrideTrayAvailable(int available) {
    availableOverride = available;
    checkTray();
}

void forgetTrayIcons(Handle owner) {
    std::erase_if(entries(), [owner](const auto& e) { return e->owner == owner; });
}

bool sendTrayMouse(Handle owner, LongPtr mouseMessage) {
    for (const auto& e : entries())
        if (e->owner == owner) {
            e->send(mouseMessage);
            return true;
        }
    return false;
}

std::optional<std::string> trayTipOf(Handle owner) {
    for (const auto& e : entries())
        if (e->owner == owner) return qt::ss(e->icon->toolTip());
    return std::nullopt;
}

std::int32_t Shell_NotifyIconA(std::uint32_t message, NOTIFYICONDATAA* data) {
    if (data && notifyWatcher()) notifyWatcher()(message, *data);
    if (!data || data->cbSize < sizeof(NOTIFYICONDATAA)) return 0;
    TrayEntry* e = find(data->hWnd, data->uID);
    switch (message) {
        case NIM_ADD: {
            if (e || !FormImpl::fromHandle(data->hWnd)) return 0;
            auto entry = std::make_unique<TrayEntry>();
            entry->owner = data->hWnd;
            entry->id = data->uID;
            entry->icon = std::make_unique<QSystemTrayIcon>();
            connectSignals(*entry);
            // A desktop that draws the icon itself shows this menu on a right
            // click and reports the item chosen; the item's handler runs as
            // from our own pop-up. Where our icon window takes the clicks
            // (an X11 tray), the press never reaches Qt, so Qt opens no menu
            // of its own there.
            entry->icon->setContextMenu(FormImpl::fromHandle(data->hWnd)->trayMenu);
            apply(*entry, *data);
            watchIconMouse();
            watchTray();
            entry->icon->show();
            entries().push_back(std::move(entry));
            return 1;
        }
        case NIM_MODIFY:
            if (!e) return 0;
            apply(*e, *data);
            return 1;
        case NIM_DELETE:
            if (!e) return 0;
            std::erase_if(entries(), [e](const auto& p) { return p.get() == e; });
            return 1;
        default:
            return 0;
    }
}

}  // namespace platform
