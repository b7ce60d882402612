"""A StatusNotifierItem desktop for Tockmere's end-to-end tests: on Xvfb, a
private session bus, jwm as window manager with a task bar but no tray, and
xfce4-panel whose systray plugin is the watcher and host of the items. The
tests look at the program's icon over D-Bus, as the panel sees it, and act on
it as the panel does when a person clicks it.
"""

import os
import subprocess
import time

import dbus
import dbus.mainloop.glib
from gi.repository import GLib

from desktop import JWMRC, Desktop, StepFailed

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
DBUSMENU = "com.canonical.dbusmenu"

# jwm's task bar only: no Dock, so jwm is no tray host.
JWMRC_NO_TRAY = JWMRC.replace("<Dock/>", "")

PANEL_XML = """<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="30"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
"""


def drawn(props):
    """(label, enabled, checked) of one entry's properties, as a host draws
    it: the separator as "-", the mark only on a checkmark item."""
    if str(props.get("type", "standard")) == "separator":
        label = "-"
    else:
        label = str(props.get("label", "")).replace("_", "")
    checked = (str(props.get("toggle-type", "")) == "checkmark"
               and int(props.get("toggle-state", 0)) == 1)
    return label, bool(props.get("enabled", True)), checked


class SniDesktop(Desktop):
    """Desktop whose tray is a StatusNotifierItem host on a private bus."""

    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.bus = None
        self.panel = None

    def start(self):
        self.start_display()
        # The panel's settings daemon is started by the bus: it reads them
        # from the private configuration folder too.
        self.env["XDG_CONFIG_HOME"] = os.path.join(self.work, "config")
        self.env["XDG_CACHE_HOME"] = os.path.join(self.work, "cache")
        self.start_bus()
        self.start_wm(JWMRC_NO_TRAY, with_tray=False)
        self.start_panel()
        env = dict(self.env)
        if self.user_bus:
            del env["DBUS_SESSION_BUS_ADDRESS"]
        return self.start_program(env)

    # Where a user session keeps its bus ($XDG_RUNTIME_DIR/bus, no address
    # in the environment) rather than an address handed to the program.
    user_bus = False

    def start_bus(self):
        listen = ["--address=unix:path=" + os.path.join(self.env["XDG_RUNTIME_DIR"], "bus")]
        bus = self.spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"]
                         + (listen if self.user_bus else []), stdout=subprocess.PIPE)
        address = bus.stdout.readline().decode().strip()
        if not address:
            raise StepFailed("dbus-daemon gave no address")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        self.bus = dbus.bus.BusConnection(address)

    def start_panel(self):
        channel_dir = os.path.join(self.env["XDG_CONFIG_HOME"], "xfce4", "xfconf",
                                   "xfce-perchannel-xml")
        os.makedirs(channel_dir, exist_ok=True)
        with open(os.path.join(channel_dir, "xfce4-panel.xml"), "w") as f:
            f.write(PANEL_XML)
        self.panel = self.spawn(["xfce4-panel", "--disable-wm-check"])
        self.wait_for("xfce4-panel's systray to register as StatusNotifierHost", 20,
                      self.host_registered)

    def host_registered(self):
        try:
            return bool(self.watcher_property("IsStatusNotifierHostRegistered"))
        except dbus.DBusException:
            return False

    def watcher_property(self, name):
        watcher = self.bus.get_object(WATCHER, "/StatusNotifierWatcher")
        return watcher.Get(WATCHER, name, dbus_interface=dbus.PROPERTIES_IFACE)

    # ---- the item as the host sees it ---------------------------------------

    def items(self):
        try:
            return [str(i) for i in self.watcher_property("RegisteredStatusNotifierItems")]
        except dbus.DBusException:
            return []

    def item(self):
        """(bus name, object path) of the one registered item, or None."""
        items = self.items()
        if not items:
            return None
        service, _, path = items[0].partition("/")
        return service, "/" + path if path else "/StatusNotifierItem"

    def item_property(self, name):
        service, path = self.wait_for("the program's StatusNotifierItem", 10, self.item)
        obj = self.bus.get_object(service, path)
        return obj.Get(ITEM, name, dbus_interface=dbus.PROPERTIES_IFACE)

    def item_call(self, method, *args):
        service, path = self.wait_for("the program's StatusNotifierItem", 10, self.item)
        getattr(self.bus.get_object(service, path), method)(*args, dbus_interface=ITEM)

    def _menu(self):
        service, _ = self.wait_for("the program's StatusNotifierItem", 10, self.item)
        return self.bus.get_object(service, str(self.item_property("Menu")))

    def menu_entries(self):
        """The exported menu as a host lays it out: one (id, label, enabled,
        checked) per entry, the separator with label "-"."""
        _, layout = self._menu().GetLayout(0, -1, dbus.Array([], signature="s"),
                                           dbus_interface=DBUSMENU)
        return [(int(child[0]),) + drawn(child[1]) for child in layout[2]]

    def host_menu(self):
        """The menu as a host keeps it: read once, then changed only by what
        the program signals."""
        service, _ = self.wait_for("the program's StatusNotifierItem", 10, self.item)
        return HostMenu(self.env["DBUS_SESSION_BUS_ADDRESS"], service, str(self.item_property("Menu")))

    def choose(self, label):
        """Chooses an entry as a host does when it is clicked."""
        for ident, text, _, _ in self.menu_entries():
            if text == label:
                self._menu().Event(ident, "clicked", dbus.String("", variant_level=1),
                                   dbus.UInt32(int(time.time()) & 0xFFFFFFFF),
                                   dbus_interface=DBUSMENU)
                return
        raise StepFailed("the exported menu has no entry %r" % label)

    def bus_names_changing(self, seconds):
        """How many times a name on the bus changed owner within `seconds`: a
        program that keeps its one connection changes none."""
        watch = subprocess.run(
            ["timeout", str(seconds), "dbus-monitor", "--address",
             self.env["DBUS_SESSION_BUS_ADDRESS"], "type='signal',member='NameOwnerChanged'"],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        return watch.stdout.decode().count("member=NameOwnerChanged")

    def close(self):
        if self.bus is not None:
            try:
                self.bus.close()
            except Exception:
                pass
        super().close()


class UserBusSniDesktop(SniDesktop):
    """The panel on the bus of a user session, which the program is not told
    of: it must find it at $XDG_RUNTIME_DIR/bus."""

    user_bus = True


class HostMenu:
    """A dbusmenu host's copy of the menu: one GetLayout, then the signals
    alone, as xfce4-panel, lxqt-panel, Plasma and GNOME's AppIndicator
    extension keep it: ItemsPropertiesUpdated changes and removes properties,
    LayoutUpdated has the host read that part of the layout again. A
    property that an update leaves out keeps the value the host had."""

    def __init__(self, address, service, path):
        self.bus = dbus.bus.BusConnection(address, mainloop=dbus.mainloop.glib.DBusGMainLoop())
        self.menu = self.bus.get_object(service, path)
        self.items = {}  # id -> properties
        self.order = []  # the root's children, in order
        for member, handler in (("ItemsPropertiesUpdated", self._updated),
                                ("LayoutUpdated", self._relayout)):
            self.bus.add_signal_receiver(handler, signal_name=member, dbus_interface=DBUSMENU,
                                         bus_name=service, path=path)
        self._read(0)

    def _read(self, parent):
        _, layout = self.menu.GetLayout(parent, -1, dbus.Array([], signature="s"),
                                        dbus_interface=DBUSMENU)
        children = []
        for child in layout[2]:
            ident = int(child[0])
            self.items[ident] = {str(k): v for k, v in child[1].items()}
            children.append(ident)
        if parent == 0:
            self.order = children

    def _updated(self, updated, removed):
        for ident, props in updated:
            self.items.setdefault(int(ident), {}).update({str(k): v for k, v in props.items()})
        for ident, names in removed:
            for name in names:
                self.items.get(int(ident), {}).pop(str(name), None)

    def _relayout(self, revision, parent):
        self._read(int(parent))

    def follow(self, seconds):
        """Lets the signals of a while arrive."""
        context = GLib.MainContext.default()
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            while context.iteration(False):
                pass
            time.sleep(0.02)

    def entries(self):
        """(label, enabled, checked) per entry as the host draws it."""
        return [drawn(self.items.get(ident, {})) for ident in self.order]

    def close(self):
        self.bus.close()
