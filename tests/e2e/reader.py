"""What a screen reader hears of the program: the accessibility bus on the
session's bus, with Qt's bridge on, read over AT-SPI (python3-pyatspi); and,
when a case asks for Orca, Orca itself in Chinese, its voice a
speech-dispatcher whose one output module writes each utterance on a line of
a file instead of sounding it."""

import os
import time

from desktop import HERE, StepFailed, trace

BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"

# speech-dispatcher's generic module runs this for every piece of speech;
# it quotes $DATA for the shell itself.
MODULE = """GenericExecuteSynth "printf '%%s\\\\n' \\'$DATA\\' >> %(spoken)s"
GenericCmdDependency "printf"
GenericLanguage "zh" "zh" "utf-8"
GenericLanguage "en" "en" "utf-8"
AddVoice "zh" "MALE1" "said"
AddVoice "en" "MALE1" "said"
DefaultVoice "said"
GenericDelimiters ""
"""
SPEECHD = """AddModule "said" "sd_generic" "said.conf"
DefaultModule said
LanguageDefaultModule "zh" "said"
DefaultLanguage "zh"
AudioOutputMethod "alsa"
AudioALSADevice "null"
"""


class Reader:
    """The accessibility bus of desktop `d`, and what it says."""

    def __init__(self, d):
        self.d = d
        d.spawn([BUS_LAUNCHER, "--launch-immediately"])
        d.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        # The reader joins the same buses; pyatspi finds them from these.
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = d.env["DBUS_SESSION_BUS_ADDRESS"]
        os.environ["DISPLAY"] = d.env["DISPLAY"]
        import pyatspi  # only once the bus is there
        from gi.repository import GLib
        self.atspi, self.context = pyatspi, GLib.MainContext.default()
        self.events = []
        pyatspi.Registry.registerEventListener(self._heard, "object:state-changed:focused",
                                               "object:property-change:accessible-name")

    def _heard(self, event):
        try:
            self.events.append((event.type, event.detail1, event.source))
        except Exception:  # an object gone before it was read
            pass

    def pump(self):
        """Takes in the events that came."""
        while self.context.iteration(False):
            pass

    def application(self):
        return next((a for a in self.atspi.Registry.getDesktop(0)
                     if a is not None and a.name == "tockmere"), None)

    def window(self, title):
        return next((w for w in self.application() or [] if w is not None and w.name == title
                     and self.has(w, "showing")), None)

    def has(self, obj, state):
        return obj.getState().contains(getattr(self.atspi, "STATE_" + state.upper()))

    def role(self, obj):
        return obj.getRoleName()

    def focused(self):
        """The object with the keyboard focus, as the last focus event named it."""
        self.pump()
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

        def failure():
            f = self.focused()
            return "waited for %s (%s %r); the focus is on %s" % (
                what, role, name, "%s %r" % (self.role(f), f.name) if f is not None else "nothing")
        return self.d.wait_for(what, timeout, probe, failure=failure)

    def walk(self, obj, into=lambda child: True):
        """The objects under `obj`, each before those under it; only those
        `into` takes, and under those alone."""
        for child in obj:
            if child is not None and into(child):
                yield child
                yield from self.walk(child, into)

    def text(self, obj):
        return obj.queryText().getText(0, -1)

    # ---- Orca ----------------------------------------------------------------

    def start_orca(self):
        d = self.d
        self.spoken = os.path.join(d.work, "spoken.txt")
        open(self.spoken, "w").close()
        config = os.path.join(d.work, "speech")
        os.makedirs(os.path.join(config, "modules"), exist_ok=True)
        with open(os.path.join(config, "speechd.conf"), "w") as f:
            f.write(SPEECHD)
        with open(os.path.join(config, "modules", "said.conf"), "w") as f:
            f.write(MODULE % {"spoken": self.spoken})
        # The speech server of this desktop alone, ended with it; its module
        # sounds nothing, but it wants an audio device all the same: ALSA's null.
        socket = os.path.join(d.work, "speechd.sock")
        d.spawn(["speech-dispatcher", "--run-single", "--timeout", "0", "--config-dir", config,
                 "--communication-method", "unix_socket", "--socket-path", socket,
                 "--log-dir", config])
        d.wait_for("speech-dispatcher to listen", 10, lambda: os.path.exists(socket))
        # Never `orca --replace`: it ends every Orca of the user, their own
        # screen reader included (orca_here.py).
        d.spawn(["/usr/bin/python3", os.path.join(HERE, "orca_here.py")],
                env=dict(d.env, SPEECHD_ADDRESS="unix_socket:" + socket,
                         XDG_DATA_HOME=os.path.join(d.work, "data"), LANG="zh_CN.UTF-8",
                         LANGUAGE="zh_CN", LC_ALL="zh_CN.UTF-8", GSETTINGS_BACKEND="memory"))
        self.heard = 0
        d.wait_for("Orca to start speaking", 30, self.utterances)
        self.mark()  # that it is on

    def utterances(self):
        """Every utterance so far, in order."""
        with open(self.spoken, encoding="utf-8", errors="replace") as f:
            return [line.rstrip("\n") for line in f if line.strip()]

    def mark(self, quiet=0.6, timeout=5):
        """Once Orca has been silent a moment (within `timeout`), speech from
        here on is what `said` returns next."""
        deadline = time.monotonic() + timeout
        count, since = len(self.utterances()), time.monotonic()
        while time.monotonic() - since < quiet and time.monotonic() < deadline:
            time.sleep(0.05)
            if len(self.utterances()) != count:
                count, since = len(self.utterances()), time.monotonic()
        self.heard = count

    def said(self, what, wanted, timeout=10, quiet=0.8):
        """Waits for Orca to say every text of `wanted` and then to fall
        silent; returns its utterances since the last mark, the echo of the
        keys pressed left out."""
        trace("wait for Orca to say %r" % (wanted,))
        deadline = time.monotonic() + timeout
        last, since = None, time.monotonic()
        while True:
            now = time.monotonic()
            lines = self.utterances()[self.heard:]
            if lines != last:
                last, since = lines, now
            # A key's echo is its name and a space; what Orca says of the
            # program ends otherwise.
            words = [line for line in lines if not line.endswith(" ")]
            text = " | ".join(words)
            if all(w in text for w in wanted) and now - since >= quiet:
                self.heard += len(lines)
                trace("Orca said: " + text)
                return words
            if now > deadline:
                raise StepFailed("waited %ds for Orca to say %s %r; it said %r"
                                 % (timeout, what, wanted, text))
            time.sleep(0.05)

    def silent(self, what, seconds):
        """Nothing is spoken for `seconds`."""
        self.mark()
        self.d.stays_absent("Orca speaking " + what, seconds,
                            lambda: self.utterances()[self.heard:])
