"""Tockmere as a keyboard-only, screen-reader user meets it: the program on
jwm's desktop with Qt's accessibility bridge on, a private session bus with
at-spi2's bus, read through AT-SPI (python3-pyatspi) as a screen reader reads
it, and driven with keys alone.

The cases are run by main.py.
"""

import os
import re
import subprocess
import time

from cases import check, main_is_active
from desktop import MAIN_TITLE, NOTICE_TITLE, Desktop, StepFailed
from sni import JWMRC_NO_TRAY, SniDesktop
from speech import Listener

BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
ABOUT_TITLE = "关于Tockmere"


class Reader:
    """What a screen reader hears of the program, over AT-SPI; mixed into a
    desktop that has a session bus at env["DBUS_SESSION_BUS_ADDRESS"]."""

    def start_reader(self):
        """The accessibility bus on the session bus; the program will speak
        AT-SPI, and `self.atspi` reads it."""
        self.spawn([BUS_LAUNCHER, "--launch-immediately"])
        self.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        # The reader joins the same buses; pyatspi finds them from these.
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.env["DBUS_SESSION_BUS_ADDRESS"]
        os.environ["DISPLAY"] = self.env["DISPLAY"]
        import pyatspi  # only once the bus is there
        from gi.repository import GLib
        self.atspi, self.glib = pyatspi, GLib
        self.events = []
        pyatspi.Registry.registerEventListener(
            self._heard, "object:state-changed:focused",
            "object:property-change:accessible-name")

    def _heard(self, event):
        try:
            self.events.append((event.type, event.detail1, event.source))
        except Exception:  # an object gone before it was read
            pass

    def listen(self, seconds):
        """Lets the reader hear events for a while."""
        context = self.glib.MainContext.default()
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            while context.iteration(False):
                pass
            time.sleep(0.02)

    def application(self):
        desktop = self.atspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == "tockmere":
                return app
        return None

    def window(self, title):
        app = self.application()
        for w in app or []:
            if w is not None and w.name == title and self.has(w, "showing"):
                return w
        return None

    def has(self, obj, state):
        return obj.getState().contains(getattr(self.atspi, "STATE_" + state.upper()))

    def role(self, obj):
        return obj.getRoleName()

    def focused(self):
        """The object with the keyboard focus, as the last focus event named it."""
        self.listen(0.3)
        for kind, gained, source in reversed(self.events):
            if kind.startswith("object:state-changed:focused") and gained:
                try:
                    if self.has(source, "focused"):
                        return source
                except Exception:
                    continue
        return None

    def await_focus(self, what, role, name, timeout=5):
        def probe():
            f = self.focused()
            return f if f is not None and self.role(f) == role and f.name == name else None
        try:
            return self.wait_for(what, timeout, probe)
        except StepFailed:
            f = self.focused()
            said = "%s %r" % (self.role(f), f.name) if f is not None else "nothing"
            raise StepFailed("waited for %s (%s %r); the focus is on %s" % (what, role, name, said))


class ReaderDesktop(Reader, Desktop):
    """jwm's desktop, its X11 notification area, a session bus with the
    accessibility bus on it."""

    def start(self):
        self.start_display()
        bus = self.spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                         stdout=subprocess.PIPE)
        address = bus.stdout.readline().decode().strip()
        if not address:
            raise StepFailed("the session bus did not start")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        self.start_reader()
        self.start_wm()
        return self.start_program()


class SpeakingDesktop(Listener, ReaderDesktop):
    """jwm's desktop with Orca reading the program aloud."""

    def start(self):
        self.start_display()
        bus = self.spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                         stdout=subprocess.PIPE)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().decode().strip()
        self.start_reader()
        self.start_wm()
        self.start_orca()
        return self.start_program()


class SniReaderDesktop(Reader, SniDesktop):
    """xfce4-panel's StatusNotifierItem tray, with the accessibility bus."""

    def start(self):
        self.start_display()
        self.env["XDG_CONFIG_HOME"] = os.path.join(self.work, "config")
        self.env["XDG_CACHE_HOME"] = os.path.join(self.work, "cache")
        self.start_bus()
        self.start_reader()
        self.start_wm(JWMRC_NO_TRAY, with_tray=False)
        self.start_panel()
        return self.start_program()


def focusable(d, window):
    """(role, name, description) of every focusable object in the window."""
    found = []

    def walk(obj):
        for child in obj:
            if child is None:
                continue
            if d.has(child, "focusable"):
                found.append((d.role(child), child.name, child.description))
            walk(child)
    walk(window)
    return found


# The items of the program's menu; 普通 and 高级 can be checked, and are
# read as check boxes.
ITEM_ROLES = ("menu item", "check box")


def item_role(name):
    return "check box" if name in ("普通", "高级") else "menu item"


def in_menu(d):
    """The menu item the focus is on, if it is on one."""
    f = d.focused()
    return f if f is not None and d.role(f) in ITEM_ROLES else None


def menu_items(d):
    """The pop-up menu the focus is in: (name, enabled, checked) per item."""
    item = d.focused()
    check(item is not None and d.role(item) in ITEM_ROLES,
          "no menu item has the focus: %s" % (item and d.role(item)))
    return [(i.name, d.has(i, "enabled"), d.has(i, "checked"))
            for i in item.parent if d.role(i) in ITEM_ROLES]


def open_menu_by_key(d, key, first):
    """Shift+F10 or the Menu key: the program's menu, its first enabled item
    said."""
    d.events.clear()
    d.key(key)
    d.await_focus("the menu's first enabled item after %s" % key, item_role(first), first)


def keyboard_and_screen_reader(d):
    d.start()
    d.wait_for("the program on the accessibility bus", 10, d.application)
    main = d.wait_for("the main window read as a window", 10, lambda: d.window(MAIN_TITLE))
    check(d.role(main) == "frame", "the main window is read as a %r" % d.role(main))
    d.await_focus("the hour field at start", "text", "时")
    title = "提醒信息（最多五十字）"
    controls = focusable(d, main)
    expected = [("text", "时", title), ("text", "分", ""), ("text", title, ""),
                ("push button", "重设", ""), ("push button", "确定", "")]
    check(sorted(controls) == sorted(expected), "the main window's controls read %r" % controls)
    # The clock goes on ticking: only its own name follows the time.
    d.events.clear()
    d.listen(2.5)
    renamed = [s.name for kind, _, s in d.events if kind.endswith("accessible-name")
               and not re.fullmatch(r"9:4[12]:\d\d", s.name or "")]
    check(not renamed, "names announced while idle: %r" % renamed)
    # ... and is read when the reader goes to it: described as the clock,
    # its name and text the time.
    clock = [c for c in main if c is not None and c.description == "时钟"]
    check(clock, "no control of the main window is described as 时钟")
    try:
        time_read = clock[0].queryText().getText(0, -1)
    except NotImplementedError:
        time_read = None
    check(re.fullmatch(r"9:4[12]:\d\d", time_read or "") and clock[0].name == time_read,
          "the clock reads %r, named %r" % (time_read, clock[0].name))

    # The menu from the keyboard, in the hour field: 高级 chosen and marked.
    open_menu_by_key(d, "shift+F10", "普通")
    items = menu_items(d)
    check([(n, c) for n, _, c in items[:2]] == [("普通", True), ("高级", False)],
          "the menu reads %r" % items)
    # The open menu is one of the program's windows, found from the program.
    menus = [w for w in d.application() if w is not None and d.role(w) == "popup menu"]
    check(menus and d.has(menus[0], "showing"), "the open menu is not among the program's: %r"
          % [(d.role(w), w.name) for w in d.application() if w is not None])
    d.key("Down")
    d.await_focus("高级 selected with the arrow", "check box", "高级")
    d.key("Return")
    d.await_focus("the hour field after 高级", "text", "时")
    open_menu_by_key(d, "Menu", "普通")
    items = menu_items(d)
    check([(n, c) for n, _, c in items[:2]] == [("普通", False), ("高级", True)],
          "after 高级 the menu reads %r" % items)
    d.key("Return")  # 普通
    d.await_focus("the hour field after 普通", "text", "时")

    # One reminder by keys alone; the message field's own menu in Chinese.
    # The mode chosen again, the title (and the field's name) reads anew.
    title = "提醒信息 (最多五十字)"
    d.type("9")
    d.key("Tab")
    d.type("45")
    d.key("Tab")
    d.await_focus("the message field", "text", title)
    d.type("call")  # an empty field's edit menu has nothing to choose
    d.events.clear()
    d.key("Menu")
    d.wait_for("the message field's edit menu", 5, d.menu)
    d.key("Down")
    item = d.wait_for("an item of the edit menu said", 5, lambda: in_menu(d))
    names = [i.name for i in item.parent if d.role(i) in ITEM_ROLES]
    check(names and all(any("\u4e00" <= ch <= "\u9fff" for ch in n) for n in names),
          "the edit menu is not in Chinese: %r" % names)
    check("普通" not in names, "the message field opened the program's menu")
    d.key("Escape")
    d.await_focus("the message field after the edit menu", "text", title)
    d.key("Return")
    d.await_focus("确定 after Enter in the message field", "push button", "确定")
    d.key("Return")
    d.wait_for("the count box", 5, lambda: d.titled("Tockmere"))
    d.key("Return")
    d.wait_for("the main window to hide", 5, lambda: d.titled(MAIN_TITLE) is None)

    # A second start while armed shows the notice window, the focus on its
    # 确定, which reads the reminder; the main window stays in the tray and
    # the first program goes on alone.
    again = d.spawn(["faketime", "-f", "@" + d.start_time, d.program],
                    env=dict(d.env, NO_FAKE_STAT="1"))
    d.wait_for("the second start to end", 10, lambda: again.poll() is not None)
    check(again.returncode == 0, "the second start ended with status %s" % again.returncode)
    button = d.await_focus("确定 in the notice window", "push button", "确定")
    check(d.window(NOTICE_TITLE) is not None, "the notice window is not read")
    check(d.titled(MAIN_TITLE) is None, "a second start while armed showed the main window")
    said = button.description
    for part in ("时间：9:45:00", "事件：call", "有一件事要做"):
        check(part in said, "the notice window's button says %r, without %r" % (said, part))
    check(said.index("9:45:00") < said.index("call"), "the time is read after its message")
    d.key("Escape")
    d.wait_for("the notice window to close on Escape", 3, lambda: d.titled(NOTICE_TITLE) is None)

    # 关于 from the icon's menu (up past 退出), closed with Enter.
    d.open_menu()
    d.key("Up", "Up")
    d.await_focus("关于 selected", "menu item", "关于")
    d.key("Return")
    d.await_focus("确定 in the About box", "push button", "确定")
    about = d.window(ABOUT_TITLE)
    check(about is not None and d.role(about) == "dialog",
          "the About box is read as %r" % (about and d.role(about)))
    d.key("Return")
    d.wait_for("the About box to close on Enter", 3, lambda: d.titled(ABOUT_TITLE) is None)
    check(d.titled(MAIN_TITLE) is None, "About while armed showed the main window")
    d.choose_exit()
    d.await_program_end(5)


def field_text(d, field):
    return field.queryText().getText(0, -1)


def keyboard_advanced_entry_heard(d):
    """In the advanced entry, "还有" takes a reminder and the focus goes back
    to the hour field, which says which reminder is now being entered."""
    d.start()
    d.wait_for("the program on the accessibility bus", 10, d.application)
    d.await_focus("the hour field at start", "text", "时")
    open_menu_by_key(d, "shift+F10", "普通")
    d.key("Down", "Return")  # 高级
    d.await_focus("the hour field after 高级", "text", "时")
    d.type("9")
    d.key("Tab")
    d.type("45")
    d.key("Tab")
    d.type("one")
    d.key("Tab", "Tab")
    d.await_focus("还有 from the keyboard", "push button", "还有")
    d.events.clear()
    d.key("space")
    hour = d.await_focus("the hour field after 还有", "text", "时")
    check(hour.description == "提醒信息（事件二）",
          "after 还有 the hour field says %r" % hour.description)
    names = [name for _, name, _ in focusable(d, d.window(MAIN_TITLE))]
    check("提醒信息（事件二）" in names, "the message field is not named for reminder 2: %r" % names)
    open_menu_by_key(d, "shift+F10", "普通")
    d.key("Up", "Return")  # 退出
    d.await_program_end(5)


def fast_hide_and_restore_over_the_bus(d):
    """"隐藏" then "恢复" from a StatusNotifierItem host within a fraction of
    a second: the window comes back active, and typing reaches the field."""
    d.start()
    d.wait_for("the item registered with the watcher", 10, d.item)
    hour = d.await_focus("the hour field at start", "text", "时")
    d.choose("隐藏")
    d.choose("恢复")
    d.wait_for("the main window back after 恢复", 5, lambda: d.titled(MAIN_TITLE))
    d.wait_for("the main window active after 恢复", 5, lambda: main_is_active(d))
    d.await_focus("the hour field after hide and restore", "text", "时")
    d.type("7")
    d.wait_for("the digit typed in the hour field", 3, lambda: field_text(d, hour) == "7")
    d.choose("退出")
    check(d.await_program_end(5) == 0, "the program did not end well after 退出")


def hears(d, what, keys, first, *then, timeout=10):
    """Keys pressed, Orca says `first` before anything else, then `then`;
    returns what it said. Without keys, what the reader says from the last
    mark on."""
    if keys:
        d.mark()
        d.key(*keys.split())
    words = d.said(what, (first,) + then, timeout=timeout)
    check(words and words[0].startswith(first),
          "Orca said %r first %s, not %r: %r" % (words and words[0], what, first, words))
    return words


def once(words, *texts):
    joined = " | ".join(words)
    for text in texts:
        check(joined.count(text) == 1, "Orca said %r %d times: %r" % (text, joined.count(text), words))


def orca_keyboard_path(d):
    """The keyboard path as Orca speaks it: each field's name as the focus
    reaches it, then its value; each window's content once; the menu's
    items with their marks; nothing while idle; the clock's time in flat review."""
    d.start()
    hears(d, "at start", "", "Tockmere Beta 1.1 框架", "时 文本", "9 已选中", timeout=30)
    d.silent("while the clock ticks", 2.5)
    # Flat review reads the lines as drawn, up to the clock's: its time.
    hears(d, "reviewing the current line", "KP_Up", "设置: 9")
    hears(d, "reviewing the line above", "KP_Home", "闹钟")
    words = hears(d, "reviewing the clock's line", "KP_Home", "系统: 9:4")
    check(re.fullmatch(r"系统: 9:4[12]:\d\d", words[0]), "the clock's line reads %r" % words)
    hears(d, "on Tab", "Tab", "分 文本", "42 已选中")
    hears(d, "on Tab", "Tab", "提醒信息(最多五十字) 文本")
    hears(d, "on Shift+Tab", "shift+Tab", "分 文本", "42 已选中")
    hears(d, "on Shift+Tab", "shift+Tab", "时 文本", "9 已选中")
    # A passed time: the box, and after it the hour field, where the time is
    # typed again, named; the message field not at all.
    d.key("Tab")
    d.type("40")
    hears(d, "a passed time", "Tab", "警告 出错啦!", "你设置的时间已经过去啦!")
    words = hears(d, "closing the passed-time box", "Return", "Tockmere Beta 1.1 框架", "时 文本")
    # (The hour field's description is the message's title, said after it.)
    check(not any(w.startswith("提醒信息") and "文本" in w for w in words),
          "the message field was named: %r" % words)
    # The program's menu from the keyboard, its marks said.
    # Qt's bridge cannot say that an item can be checked: the items of the
    # choice are read as check boxes.
    words = hears(d, "opening the menu", "shift+F10", "普通 复选框 已勾选")
    check(len(words) == 1, "the menu's first item was not all Orca said: %r" % words)
    hears(d, "on Down", "Down", "高级 复选框 未勾选")
    hears(d, "choosing 高级", "Return", "Tockmere Beta 1.1", "时 文本")
    # "还有" takes a reminder: the hour field says the next one's title.
    d.type("9")
    d.key("Tab")
    d.type("43")
    d.key("Tab")
    d.type("one")
    d.key("Tab")
    hears(d, "on Tab", "Tab", "还有 按钮")
    hears(d, "pressing 还有", "space", "时 文本", "事件二")
    hears(d, "opening the menu", "Menu", "普通 复选框 未勾选")
    hears(d, "on Down", "Down", "高级 复选框 已勾选")
    hears(d, "on Up", "Up", "普通 复选框 未勾选")
    hears(d, "choosing 普通 again", "Return", "Tockmere Beta 1.1", "时 文本")
    # Reminder 1 offered again whole, confirmed: the count box said once.
    d.key("Tab")
    hears(d, "on Tab", "Tab", "提醒信息 (最多五十字) 文本")
    d.type("call")
    hears(d, "Enter in the message", "Return", "确定 按钮")
    once(hears(d, "confirming", "Return", "警告 Tockmere", "只有一件事要提醒"), "只有一件事要提醒")
    d.key("Return")
    d.wait_for("the main window to hide", 5, lambda: d.titled(MAIN_TITLE) is None)
    d.silent("after the count box, with the window in the tray", 1.5)
    # A second start while armed: the notice window, its rows and count line
    # once each; the main window stays in the tray.
    d.mark()
    again = d.spawn(["faketime", "-f", "@" + d.start_time, d.program],
                    env=dict(d.env, NO_FAKE_STAT="1"))
    d.wait_for("the second start to end", 10, lambda: again.poll() is not None)
    words = hears(d, "the notice window", "", "提醒信息", "9:43:00", "call", "有一件事要做")
    once(words, "提醒信息", "9:43:00", "call", "有一件事要做")
    check(d.titled(MAIN_TITLE) is None, "a second start while armed showed the main window")
    d.key("Escape")
    d.silent("after the notice window, with the window in the tray", 1.5)
    # The same window from the icon's left click: said once, as it opens.
    d.mark()
    d.click_tray_icon(1)
    once(hears(d, "the notice window from the icon", "", "提醒信息", "有一件事要做"), "提醒信息")
    d.key("Escape")
    d.silent("after the notice window from the icon", 1.5)
    # 关于 while armed, from the tray icon's menu: said whole, and after it
    # nothing is named in the hidden window.
    d.open_menu()
    d.mark()
    d.key("Up", "Up")
    words = hears(d, "opening About", "Return", "关于Tockmere", "软件调用系统时间来提醒您",
                  "请确保系统时间准确无误")
    d.key("Return")
    d.silent("after About, with the window in the tray", 1.5)
    # The reminder's box at its time, said as an alert with its text.
    words = hears(d, "telling the reminder", "", "警告", "9:43:00啦", "应该call", timeout=100)
    once(words, "应该call")
    words = hears(d, "closing the reminder's box", "Return", "Tockmere Beta 1.1 框架", "时 文本")
    check(not any("删除" in w for w in words), "the refilled hour field was said as an edit: %r" % words)
    # 关于 while idle: the window back, the hour field said.
    hears(d, "opening the menu", "shift+F10", "普通")
    hears(d, "on Up", "Up", "退出")
    hears(d, "on Up", "Up", "关于")
    words = hears(d, "opening About", "Return", "关于Tockmere", "软件调用系统时间来提醒您",
                  "请确保系统时间准确无误")
    once(words, "软件调用系统时间来提醒您", "请确保系统时间准确无误")
    hears(d, "closing About", "Return", "Tockmere Beta 1.1 框架", "时 文本")
    hears(d, "opening the menu", "Menu", "普通")
    d.key("Up", "Return")
    d.await_program_end(5)

