"""A window manager that maps a window at once but frames it, and tells
its frame (_NET_FRAME_EXTENTS), only a while later, as a busy one may do.
It does what the program's windows need of one and no more: a frame with a
title bar round each window (static gravity: the client stays where it
asked to be), the focus to the window mapped or asked for with
_NET_ACTIVE_WINDOW, and a window withdrawn and mapped again framed anew, as
late. Docks (a panel with its tray) are never framed.

usage: late_frame_wm.py SECONDS   (on $DISPLAY)
"""

import select
import sys
import time

from Xlib import X, Xatom, display, error
from Xlib.protocol import event as xevent

LEFT, RIGHT, TOP, BOTTOM = 4, 4, 28, 4


class LateFrameWm:
    def __init__(self, delay):
        self.delay = delay
        self.d = display.Display()
        self.d.set_error_handler(lambda *args: None)  # windows may go at any time
        self.root = self.d.screen().root
        self.atom = self.d.intern_atom
        self.frames = {}  # client id -> (client, frame)
        self.late = {}  # client id -> (when, client): windows mapped, to frame
        self.unmapped_by_us = set()
        self.root.change_attributes(
            event_mask=X.SubstructureRedirectMask | X.SubstructureNotifyMask)
        check = self.root.create_window(-1, -1, 1, 1, 0, X.CopyFromParent)
        check.change_property(self.atom("_NET_WM_NAME"), self.atom("UTF8_STRING"), 8, b"late")
        for w in (check, self.root):
            w.change_property(self.atom("_NET_SUPPORTING_WM_CHECK"), Xatom.WINDOW, 32, [check.id])
        self.root.change_property(self.atom("_NET_SUPPORTED"), Xatom.ATOM, 32, [
            self.atom(n) for n in ("_NET_FRAME_EXTENTS", "_NET_ACTIVE_WINDOW",
                                   "_NET_SUPPORTING_WM_CHECK")])
        self.d.sync()

    def run(self):
        handlers = {X.MapRequest: self.map, X.ConfigureRequest: self.configure,
                    X.UnmapNotify: self.withdraw, X.DestroyNotify: self.withdraw,
                    X.ClientMessage: self.message}
        while True:
            now = time.monotonic()
            for wid, (when, w) in list(self.late.items()):
                if when <= now:
                    del self.late[wid]
                    try:
                        self.frame(w)
                    except error.XError:
                        pass
            self.d.flush()
            wait = min([when for when, _ in self.late.values()], default=now + 1) - now
            select.select([self.d.fileno()], [], [], max(wait, 0))
            while self.d.pending_events():
                event = self.d.next_event()
                try:
                    handlers.get(event.type, lambda e: None)(event)
                except error.XError:
                    pass

    def map(self, e):
        w = e.window
        kind = w.get_full_property(self.atom("_NET_WM_WINDOW_TYPE"), Xatom.ATOM)
        w.map()
        if w.id in self.frames or (kind and self.atom("_NET_WM_WINDOW_TYPE_DOCK") in kind.value):
            return
        w.set_input_focus(X.RevertToPointerRoot, X.CurrentTime)
        self.root.change_property(self.atom("_NET_ACTIVE_WINDOW"), Xatom.WINDOW, 32, [w.id])
        self.late[w.id] = (time.monotonic() + self.delay, w)

    def frame(self, w):
        self.unmapped_by_us.add(w.id)
        w.unmap()
        g = w.get_geometry()
        frame = self.root.create_window(
            g.x - LEFT, g.y - TOP, g.width + LEFT + RIGHT, g.height + TOP + BOTTOM, 0,
            X.CopyFromParent, background_pixel=self.d.screen().black_pixel,
            event_mask=X.SubstructureRedirectMask | X.SubstructureNotifyMask)
        w.change_save_set(X.SetModeInsert)
        w.reparent(frame, LEFT, TOP)
        self.frames[w.id] = (w, frame)
        frame.map()
        w.map()
        w.change_property(self.atom("WM_STATE"), self.atom("WM_STATE"), 32, [1, 0])
        w.change_property(self.atom("_NET_FRAME_EXTENTS"), Xatom.CARDINAL, 32,
                          [LEFT, RIGHT, TOP, BOTTOM])
        self.activate(w.id)
        self.tell_place(w.id)

    def configure(self, e):
        if e.window.id not in self.frames:
            fields = {"x": X.CWX, "y": X.CWY, "width": X.CWWidth, "height": X.CWHeight}
            e.window.configure(**{k: getattr(e, k) for k, bit in fields.items()
                                  if e.value_mask & bit})
            return
        w, frame = self.frames[e.window.id]
        g = w.get_geometry()
        at = frame.get_geometry()
        x = e.x if e.value_mask & X.CWX else at.x + LEFT
        y = e.y if e.value_mask & X.CWY else at.y + TOP
        width = e.width if e.value_mask & X.CWWidth else g.width
        height = e.height if e.value_mask & X.CWHeight else g.height
        frame.configure(x=x - LEFT, y=y - TOP, width=width + LEFT + RIGHT,
                        height=height + TOP + BOTTOM)
        w.configure(width=width, height=height)
        self.tell_place(w.id)

    def tell_place(self, wid):
        """The client is told where it is on the screen, as a moved frame
        leaves it unmoved in its parent."""
        w, frame = self.frames[wid]
        g, at = w.get_geometry(), frame.get_geometry()
        w.send_event(xevent.ConfigureNotify(
            window=w, event=w, x=at.x + LEFT, y=at.y + TOP, width=g.width, height=g.height,
            border_width=0, above_sibling=X.NONE, override=False),
            event_mask=X.StructureNotifyMask)

    def withdraw(self, e):
        if e.type == X.UnmapNotify and e.window.id in self.unmapped_by_us:
            self.unmapped_by_us.discard(e.window.id)
            return
        self.late.pop(e.window.id, None)
        if e.window.id not in self.frames:
            return
        w, frame = self.frames.pop(e.window.id)
        if e.type == X.UnmapNotify:
            at = frame.get_geometry()
            w.reparent(self.root, at.x + LEFT, at.y + TOP)
            w.change_save_set(X.SetModeDelete)
            w.delete_property(self.atom("WM_STATE"))
            w.delete_property(self.atom("_NET_FRAME_EXTENTS"))
        frame.destroy()

    def message(self, e):
        if e.client_type == self.atom("_NET_ACTIVE_WINDOW"):
            self.activate(e.window.id)

    def activate(self, wid):
        if wid not in self.frames:
            return
        w, frame = self.frames[wid]
        frame.configure(stack_mode=X.Above)
        w.set_input_focus(X.RevertToPointerRoot, X.CurrentTime)
        self.root.change_property(self.atom("_NET_ACTIVE_WINDOW"), Xatom.WINDOW, 32, [wid])


if __name__ == "__main__":
    LateFrameWm(float(sys.argv[1])).run()
