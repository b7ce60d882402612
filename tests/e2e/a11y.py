"""Tockmere as a keyboard-only, screen-reader user meets it, read over AT-SPI
as a screen reader reads it (reader.py) or heard from Orca; and on each
window manager and X11 tray, where the reader finds each control on the
screen and where the keyboard focus is. main.py runs the cases."""

import collections
import re

from cases import (check, choose_hide, choose_restore, exit_from_menu, firing_box, framed_main,
                   main_is_active, tip_stays_up, type_reminder)
from desktop import COUNT_TITLE, MAIN_TITLE

# The items of the program's menu; 普通 and 高级 can be checked, and are
# read as check boxes.
ITEM_ROLES = ("menu item", "check box")
# Below the buttons the design leaves 80 twips: 5 pixels at 96 dots per
# inch, one of which may go to rounding.
BUTTON_MARGIN = 4


def open_menu_by_key(d, key):
    """Shift+F10 or the Menu key: the program's menu, its first enabled item
    (普通) said."""
    d.a11y.events.clear()
    d.key(key)
    d.a11y.await_focus("the menu's first enabled item after %s" % key, "check box", "普通")


def keyboard_and_screen_reader(d):
    """What a reader finds that Orca does not say (orca_keyboard_path hears
    the rest of the keyboard path)."""
    d.start()
    r = d.a11y
    d.wait_for("the program on the accessibility bus", 10, r.application)
    r.await_focus("the hour field at start", "text", "时")
    # The clock goes on ticking: only its own name follows the time.
    r.events.clear()

    def renamed():
        r.pump()
        return [s.name for kind, _, s in r.events if kind.endswith("accessible-name")
                and not re.fullmatch(r"9:4[12]:\d\d", s.name or "")]
    d.stays_absent("a name announced while idle", 2.5, renamed)

    # The menu from the keyboard (its items as Orca hears them, there): the
    # open menu is one of the program's windows, found from the program.
    open_menu_by_key(d, "shift+F10")
    menus = [w for w in r.application() if w is not None and r.role(w) == "popup menu"]
    check(menus and r.has(menus[0], "showing"), "the open menu is not among the program's: %r"
          % [(r.role(w), w.name) for w in r.application() if w is not None])
    d.key("Down")
    r.await_focus("高级 selected with the arrow", "check box", "高级")
    d.key("Return")
    r.await_focus("the hour field after 高级", "text", "时")
    open_menu_by_key(d, "Menu")
    d.key("Return")  # 普通
    r.await_focus("the hour field after 普通", "text", "时")

    # The message field's own menu, in Chinese. The mode chosen again, the
    # title (and the field's name) reads anew.
    title = "提醒信息 (最多五十字)"
    d.fill("9", "45")
    r.await_focus("the message field", "text", title)
    d.type("call")  # an empty field's edit menu has nothing to choose
    r.events.clear()
    d.key("Menu")
    d.wait_for("the message field's edit menu", 5, d.menu)
    d.key("Down")
    item = d.wait_for("an item of the edit menu said", 5, lambda: (
        lambda f: f if f is not None and r.role(f) in ITEM_ROLES else None)(r.focused()))
    names = [i.name for i in item.parent if r.role(i) in ITEM_ROLES]
    check(names and all(any("\u4e00" <= ch <= "\u9fff" for ch in n) for n in names),
          "the edit menu is not in Chinese: %r" % names)
    check("普通" not in names, "the message field opened the program's menu")
    d.key("Escape")
    r.await_focus("the message field after the edit menu", "text", title)
    d.choose_exit()
    d.await_program_end(5)


def fast_hide_and_restore_sni(d):
    """"隐藏" then "恢复" from a StatusNotifierItem host within a fraction of
    a second: the window comes back active, and typing reaches the field."""
    import sni
    d.start()
    d.wait_for("the item registered with the watcher", 10, lambda: sni.item(d))
    hour = d.a11y.await_focus("the hour field at start", "text", "时")
    sni.choose(d, "隐藏")
    sni.choose(d, "恢复")
    d.wait_for("the main window back after 恢复", 5, lambda: d.titled(MAIN_TITLE))
    d.wait_for("the main window active after 恢复", 5, lambda: main_is_active(d))
    d.a11y.await_focus("the hour field after hide and restore", "text", "时")
    d.type("7")
    d.wait_for("the digit typed in the hour field", 3, lambda: d.a11y.text(hour) == "7")
    exit_from_menu(d)


# ---- on each window manager ------------------------------------------------

Box = collections.namedtuple("Box", "x y width height")


def inside(e, x, y, width, height):
    return e.x >= x and e.y >= y and e.x + e.width <= x + width and e.y + e.height <= y + height


def holds_every_control(d, client, when):
    """Every control of the main window, as a screen reader finds it on the
    screen (in the screen's pixels at any scale), lies whole in the client
    area X gives the window; the buttons with the design's margin below
    them. Each character of a label lies in the label, where a review cursor
    finds it."""
    r = d.a11y
    window = d.wait_for("the main window on the accessibility bus", 3,
                        lambda: r.window(MAIN_TITLE))
    cx, cy, cw, ch = client
    buttons = 0
    for child in r.walk(window, lambda child: r.has(child, "showing")):
        e = child.queryComponent().getExtents(r.atspi.DESKTOP_COORDS)
        what = "%s %r at %dx%d+%d+%d %s" % (r.role(child), child.name, e.width, e.height,
                                           e.x, e.y, when)
        check(inside(e, cx, cy, cw, ch),
              "the %s is not whole in the client area %dx%d+%d+%d" % (what, cw, ch, cx, cy))
        if r.role(child) == "label":
            text = child.queryText()
            for i in range(text.characterCount):
                c = Box(*text.getCharacterExtents(i, r.atspi.DESKTOP_COORDS))
                check(c.width > 0 and c.height > 0 and inside(c, e.x, e.y, e.width, e.height),
                      "character %d of the %s is at %dx%d+%d+%d"
                      % (i, what, c.width, c.height, c.x, c.y))
        if r.role(child) == "push button":
            buttons += 1
            check(e.y + e.height + BUTTON_MARGIN <= cy + ch,
                  "the %s has less than %d pixels below it" % (what, BUTTON_MARGIN))
    check(buttons == 2, "%d buttons found in the main window %s" % (buttons, when))


def title_whole(d, box):
    """Where the desktop's title font is known: the box is wide enough for
    its title drawn whole beside the frame's icon and buttons, each about as
    wide as the title bar is high."""
    if "title_font" not in d.known:
        return
    import gi
    gi.require_version("Pango", "1.0")
    gi.require_version("PangoCairo", "1.0")
    from gi.repository import Pango, PangoCairo
    layout = Pango.Layout.new(PangoCairo.FontMap.get_default().create_context())
    layout.set_font_description(Pango.FontDescription.from_string(d.known["title_font"]))
    layout.set_text(box.name, -1)
    needed = layout.get_pixel_size()[0] + d.known["title_buttons"] * (box.y - d.frame(box)[1])
    check(box.width >= needed, "the box %r is %d pixels wide; its title needs %d"
          % (box.name, box.width, needed))


def told_and_back(d, at_start):
    """A reminder told: the window shows its title bar alone under the box,
    then comes back as large, placed as at start, every control whole. Both
    boxes are wide enough for their titles."""
    type_reminder(d, "9", "42", "看")
    d.key("space")  # 确定
    title_whole(d, d.wait_for("the count box", 5, lambda: d.titled(COUNT_TITLE)))
    r = d.a11y
    counted = d.wait_for("the count box on the accessibility bus", 3,
                         lambda: r.window(COUNT_TITLE))
    said = [o.name for o in r.walk(counted) if r.role(o) == "label"]
    d.answer_box(COUNT_TITLE, 5)
    box = firing_box(d, " 9:42:00啦!", 25, said)
    title_whole(d, box)
    # The window's title bar alone, but for what a window manager keeps of a
    # window however small it asks to be.
    collapsed = d.titled(MAIN_TITLE)
    least = 2
    if collapsed is not None and d.known.get("client_at_least_title_bar"):
        least = max(least, collapsed.y - d.frame(collapsed)[1])
    check(collapsed is not None and collapsed.height <= least,
          "the main window behind the reminder's box is %r, not its title bar alone" % collapsed)
    d.answer_box(box.name, 1)
    d.wait_for("the main window back after the reminder", 3, lambda: d.titled(MAIN_TITLE))
    again = framed_main(d, "after the reminder")
    check(again[0] == at_start[0], "the frame is %s after the reminder, %s at start"
          % (again[0], at_start[0]))
    holds_every_control(d, again[1], "after the reminder")
    d.a11y.await_focus("the hour field after the reminder", "text", "时")


def hide_and_restore(d):
    """The window holds its design whole in a frame centred on the screen,
    at start and after a reminder (where the desktop lets it be checked);
    the tray icon's tip stays up under the pointer. "隐藏" and "恢复" from
    the tray, three times: the window comes back with its frame where it was
    and as large, the focus in the field it was in, and typing goes on there."""
    d.start()
    r = d.a11y
    d.wait_for("the program on the accessibility bus", 10, r.application)
    r.await_focus("the hour field at start", "text", "时")
    at_start = framed_main(d, "at start")
    holds_every_control(d, at_start[1], "at start")
    tip_stays_up(d)
    if not d.known.get("reminder_unchecked"):
        told_and_back(d, at_start)
    placed = d.frame(d.titled(MAIN_TITLE))
    d.key("Tab")
    minute = r.await_focus("the minute field", "text", "分")
    # A minute to come however long the cycles take: the field that takes
    # the focus back is checked, and a time gone by would be told in a box.
    d.type("59")
    d.wait_for("the minute typed over", 3, lambda: r.text(minute) == "59")
    for cycle in range(1, 4):
        choose_hide(d)
        d.menu_gone("after 隐藏")  # a person's next click comes after that
        choose_restore(d)
        d.wait_for("the frame back in its place", 2,
                   lambda: d.frame(d.titled(MAIN_TITLE)) == placed,
                   failure=lambda: "after hide and restore %d the frame is %s, not %s"
                   % (cycle, d.frame(d.titled(MAIN_TITLE)), placed))
        r.await_focus("the minute field after hide and restore %d" % cycle, "text", "分")
    d.key("End", "BackSpace", "BackSpace")
    d.type("5")
    d.wait_for("the digit typed in the minute field", 3, lambda: r.text(minute) == "5")
    exit_from_menu(d)


# ---- heard from Orca ---------------------------------------------------------


def hears(d, what, keys, first, *then, timeout=10):
    """Keys pressed, Orca says `first` before anything else, then `then`;
    returns what it said. Without keys, what the reader says from the last
    mark on."""
    if keys:
        d.a11y.mark()
        d.key(*keys.split())
    words = d.a11y.said(what, (first,) + then, timeout=timeout)
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
    r = d.a11y
    hears(d, "at start", "", "Tockmere Beta 1.1 框架", "时 文本", "9 已选中", timeout=30)
    r.silent("while the clock ticks", 2.5)
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
    # The program's menu from the keyboard, its marks said. Qt's bridge
    # cannot say that an item can be checked: they are read as check boxes.
    words = hears(d, "opening the menu", "shift+F10", "普通 复选框 已勾选")
    check(len(words) == 1, "the menu's first item was not all Orca said: %r" % words)
    hears(d, "on Down", "Down", "高级 复选框 未勾选")
    hears(d, "choosing 高级", "Return", "Tockmere Beta 1.1", "时 文本")
    # "还有" takes a reminder: the hour field says the next one's title.
    d.fill("9", "43", "one")
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
    r.silent("after the count box, with the window in the tray", 1.5)
    # A second start while armed: the notice window, its rows and count line
    # once each; the main window stays in the tray.
    r.mark()
    d.start_again()
    words = hears(d, "the notice window", "", "提醒信息", "9:43:00", "call", "有一件事要做")
    once(words, "提醒信息", "9:43:00", "call", "有一件事要做")
    joined = " | ".join(words)
    check(joined.index("9:43:00") < joined.index("call"), "the time is said after its message")
    check(d.titled(MAIN_TITLE) is None, "a second start while armed showed the main window")
    d.key("Escape")
    r.silent("after the notice window, with the window in the tray", 1.5)
    # The same window from the icon's left click: said once, as it opens.
    r.mark()
    d.click_tray_icon(1)
    once(hears(d, "the notice window from the icon", "", "提醒信息", "有一件事要做"), "提醒信息")
    d.key("Escape")
    r.silent("after the notice window from the icon", 1.5)
    # 关于 while armed, from the tray icon's menu: said whole, and after it
    # nothing is named in the hidden window.
    d.open_menu()
    r.mark()
    d.key("Up", "Up")
    hears(d, "opening About", "Return", "关于Tockmere", "软件调用系统时间来提醒您", "请确保系统时间准确无误")
    d.key("Return")
    r.silent("after About, with the window in the tray", 1.5)
    # The reminder's box at its time, said as an alert with its text.
    once(hears(d, "telling the reminder", "", "警告", "9:43:00啦", "应该call", timeout=100), "应该call")
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
