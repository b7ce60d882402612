"""The program's StatusNotifierItem as a tray host sees it over the session
bus, acted on as the host does when a person clicks it; and the cases on a
StatusNotifierItem tray (xfce4-panel's)."""

import subprocess
import time

import dbus
import dbus.mainloop.glib
from gi.repository import GLib

from cases import arm_one, check, exit_from_menu, firing_box, wait_main_ready
from desktop import MAIN_TITLE, NOTICE_TITLE, StepFailed

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
DBUSMENU = "com.canonical.dbusmenu"
MENU = ["普通", "高级", "查询", "恢复", "隐藏", "关于", "-", "退出"]


def watcher(d, name):
    return d.bus.get_object(WATCHER, "/StatusNotifierWatcher").Get(
        WATCHER, name, dbus_interface=dbus.PROPERTIES_IFACE)


def host_registered(d):
    try:
        return bool(watcher(d, "IsStatusNotifierHostRegistered"))
    except dbus.DBusException:
        return False


def items(d):
    try:
        return [str(i) for i in watcher(d, "RegisteredStatusNotifierItems")]
    except dbus.DBusException:
        return []


def item(d):
    """(bus name, object path) of the one registered item, or None."""
    if not items(d):
        return None
    service, _, path = items(d)[0].partition("/")
    return service, "/" + path if path else "/StatusNotifierItem"


def item_object(d):
    return d.bus.get_object(*d.wait_for("the program's StatusNotifierItem", 10, lambda: item(d)))


def item_property(d, name):
    return item_object(d).Get(ITEM, name, dbus_interface=dbus.PROPERTIES_IFACE)


def menu_object(d):
    return d.bus.get_object(item(d)[0], str(item_property(d, "Menu")))


def drawn(props):
    """(label, enabled, checked) of one entry's properties, as a host draws
    it: the separator as "-", the mark only on a checkmark item."""
    label = "-" if str(props.get("type", "")) == "separator" else \
        str(props.get("label", "")).replace("_", "")
    checked = (str(props.get("toggle-type", "")) == "checkmark"
               and int(props.get("toggle-state", 0)) == 1)
    return label, bool(props.get("enabled", True)), checked


def entries(d):
    """The exported menu read whole: (id, label, enabled, checked) per entry."""
    _, layout = menu_object(d).GetLayout(0, -1, dbus.Array([], signature="s"),
                                         dbus_interface=DBUSMENU)
    return [(int(child[0]),) + drawn(child[1]) for child in layout[2]]


def labels(d):
    return [label for _, label, _, _ in entries(d)]


def choose(d, label):
    """Chooses an entry as a host does when it is clicked."""
    for ident, text, _, _ in entries(d):
        if text == label:
            menu_object(d).Event(ident, "clicked", dbus.String("", variant_level=1),
                                 dbus.UInt32(int(time.time()) & 0xFFFFFFFF),
                                 dbus_interface=DBUSMENU)
            return
    raise StepFailed("the exported menu has no entry %r" % label)


class HostMenu:
    """A dbusmenu host's copy of the menu: one GetLayout, then the signals
    alone, as xfce4-panel, lxqt-panel, Plasma and GNOME's AppIndicator
    extension keep it: ItemsPropertiesUpdated changes and removes properties,
    LayoutUpdated has the host read that part of the layout again. A
    property that an update leaves out keeps the value the host had."""

    def __init__(self, d):
        service = d.wait_for("the program's StatusNotifierItem", 10, lambda: item(d))[0]
        path = str(item_property(d, "Menu"))
        self.bus = dbus.bus.BusConnection(d.env["DBUS_SESSION_BUS_ADDRESS"],
                                          mainloop=dbus.mainloop.glib.DBusGMainLoop())
        self.menu = self.bus.get_object(service, path)
        self.items, self.order = {}, []  # id -> properties; the root's children
        for member, handler in (("ItemsPropertiesUpdated", self._updated),
                                ("LayoutUpdated", lambda revision, parent: self._read(parent))):
            self.bus.add_signal_receiver(handler, signal_name=member, dbus_interface=DBUSMENU,
                                         bus_name=service, path=path)
        self._read(0)

    def _read(self, parent):
        _, layout = self.menu.GetLayout(int(parent), -1, dbus.Array([], signature="s"),
                                        dbus_interface=DBUSMENU)
        children = [int(child[0]) for child in layout[2]]
        for child in layout[2]:
            self.items[int(child[0])] = {str(k): v for k, v in child[1].items()}
        if int(parent) == 0:
            self.order = children

    def _updated(self, updated, removed):
        for ident, props in updated:
            self.items.setdefault(int(ident), {}).update({str(k): v for k, v in props.items()})
        for ident, names in removed:
            for name in names:
                self.items.get(int(ident), {}).pop(str(name), None)

    def entries(self):
        """(label, enabled, checked) per entry as the host draws it, once the
        signals that came are taken in."""
        while GLib.MainContext.default().iteration(False):
            pass
        return [drawn(self.items.get(ident, {})) for ident in self.order]


# ---- the cases -----------------------------------------------------------

# (label, enabled, checked) of the menu while idle, while armed, while hidden.
IDLE = list(zip(MENU, (1, 1, 0, 0, 1, 1, 1, 1), (1, 0, 0, 0, 0, 0, 0, 0)))
ARMED = list(zip(MENU, (0, 0, 1, 0, 0, 1, 1, 1), (1, 0, 0, 0, 0, 0, 0, 0)))
HIDDEN = list(zip(MENU, (0, 0, 0, 1, 0, 1, 1, 1), (1, 0, 0, 0, 0, 0, 0, 0)))


def expect_layout(d, host, expected, situation):
    """The menu the host draws reaches the expected layout, following only
    what the program signals."""
    expected = [(label, bool(enabled), bool(checked)) for label, enabled, checked in expected]
    d.wait_for("the host's menu " + situation, 3, lambda: host.entries() == expected,
               failure=lambda: "the host's menu %s is %r, not %r"
               % (situation, host.entries(), expected))


def names_changing(d, seconds):
    """How many times a name on the bus changed owner within `seconds`."""
    watch = subprocess.run(["timeout", str(seconds), "dbus-monitor", "--address",
                            d.env["DBUS_SESSION_BUS_ADDRESS"],
                            "type='signal',member='NameOwnerChanged'"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    return watch.stdout.decode().count("member=NameOwnerChanged")


def sni_menu(d):
    """Icon and tip over the bus; the program's menu as a host keeps it, its
    enabled items and mark as they stand; its commands run from there."""
    d.start()
    wait_main_ready(d)
    tip = item_property(d, "ToolTip")
    check(str(tip[2]) == "Tockmere Beta 1.1 版", "the item's tooltip is %r" % (tip,))
    check(d.tray_icon() is None, "an X11 tray icon was shown beside the item")
    host = HostMenu(d)
    expect_layout(d, host, IDLE, "at start")
    # One mark, on the mode chosen, in the menu the host draws.
    choose(d, "高级")
    expect_layout(d, host, [("普通", 1, 0), ("高级", 1, 1)] + IDLE[2:], "after 高级")
    choose(d, "普通")
    expect_layout(d, host, IDLE, "after 普通 again")

    arm_one(d, "42", "开会")
    expect_layout(d, host, ARMED, "while armed")
    item_object(d).Activate(0, 0, dbus_interface=ITEM)
    d.wait_for("the notice window after Activate", 3, lambda: d.titled(NOTICE_TITLE))
    d.answer_box(NOTICE_TITLE, 1)
    choose(d, "查询")
    d.wait_for("the notice window after 查询", 3, lambda: d.titled(NOTICE_TITLE))
    d.answer_box(firing_box(d, " 9:42:00啦!", 25).name, 1)
    d.wait_for("the main window back for the next entry", 3, lambda: d.titled(MAIN_TITLE))
    expect_layout(d, host, IDLE, "idle again after the reminder")

    choose(d, "隐藏")
    d.wait_for("the main window to hide after 隐藏", 3, lambda: d.titled(MAIN_TITLE) is None)
    expect_layout(d, host, HIDDEN, "while hidden")
    held = [entry[1:] for entry in entries(d)]
    check(host.entries() == held, "the host draws %r, the program holds %r"
          % (host.entries(), held))
    # Watching for the tray to go away costs the bus nothing.
    changes = names_changing(d, 3)
    check(changes == 0, "names changed owner %d times on the bus in 3 s in the tray" % changes)
    choose(d, "恢复")
    d.wait_for("the main window back after 恢复", 3, lambda: d.titled(MAIN_TITLE))
    expect_layout(d, host, IDLE, "after 恢复")
    exit_from_menu(d)
